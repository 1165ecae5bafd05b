// UNZIP32.DLL: listing and extracting ZIP archives.
#include "module.h"

namespace {
arc::Module g_module("zip", arc::Syntax::UnZip);
}  // namespace

ARC_MODULE(UnZip, g_module)
