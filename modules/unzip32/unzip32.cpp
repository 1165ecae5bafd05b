// UNZIP32.DLL: listing and extracting ZIP archives.
#include "module.h"

namespace {
arc::Module g_module("zip", arc::Syntax::UnZip);
}  // namespace

ARC_MODULE(UnZip, g_module)

// The ZIP family looks the write time up with a lower-case "z".
ARC_EXPORT int UnzipGetWriteTimeEx(void* a, uint64_t* t) { return g_module.GetWriteTimeEx(a, t); }
