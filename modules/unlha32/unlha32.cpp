// UNLHA32.DLL: LHA archives.
#include "module.h"

namespace {
arc::Module g_module("lha", arc::Syntax::Lha);
}  // namespace

ARC_MODULE(Unlha, g_module)
