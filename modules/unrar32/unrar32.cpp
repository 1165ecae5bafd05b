// UNRAR32.DLL: RAR archives.
#include "module.h"

namespace {
arc::Module g_module("rar", arc::Syntax::Rar);
}  // namespace

ARC_MODULE(Unrar, g_module)
