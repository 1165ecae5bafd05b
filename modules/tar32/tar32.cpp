// TAR32.DLL: TAR archives.
#include "module.h"

namespace {
arc::Module g_module("tar", arc::Syntax::Tar);
}  // namespace

ARC_MODULE(Tar, g_module)
