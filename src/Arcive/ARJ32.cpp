#include "Arcive/ARJ32.h"

namespace {
TBindingSlot g_arj("ARJ 形式書庫", "UNARJ32J.DLL", "Unarj");
const TFormatOperations kArj = {{"x", true}, {}, {}, {}, {}, false, false};
}  // namespace

TArj32::TArj32() : TLha32(&TArj32::LoadDLL, g_arj, kArj) {}
void TArj32::LoadDLL() { g_arj.Load(); }
void TArj32::FreeDLL() { g_arj.Free(); }
