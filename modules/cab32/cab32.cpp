// CAB32.DLL: CAB archives.
#include "module.h"

namespace {
arc::Module g_module("cab", arc::Syntax::Cab);
}  // namespace

ARC_MODULE(Cab, g_module)
