// 7-ZIP32.DLL: listing and extracting 7z archives, with the command lines of
// the ZIP family's extraction side.
#include "module.h"

namespace {
arc::Module g_module("7z", arc::Syntax::UnZip);
}  // namespace

ARC_MODULE(SevenZip, g_module)
