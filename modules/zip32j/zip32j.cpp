// ZIP32J.DLL: creating ZIP archives.
#include "module.h"

namespace {
arc::Module g_module("zip", arc::Syntax::Zip);
}  // namespace

ARC_MODULE(Zip, g_module)
