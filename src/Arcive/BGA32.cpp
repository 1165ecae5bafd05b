#include "Arcive/BGA32.h"

namespace {
TBindingSlot g_bga("BGA 形式書庫", "BGA32.DLL", "Bga");
const TFormatOperations kBga = {{"x", true}, {"a", true}, "d", {}, "s", false, false};
}  // namespace

TBGA32::TBGA32() : TDllArchiver(&TBGA32::LoadDLL, g_bga, kBga) {}
void TBGA32::LoadDLL() { g_bga.Load(); }
void TBGA32::FreeDLL() { g_bga.Free(); }

void TBGA32::AddSwitches(TCmdOpt& cmd, const QByteArray&, const TArchiverOptions& options) const {
  cmd.AddFlag("a", options.a > 0);
  cmd.AddFlag("o", options.c > 0);
  cmd.AddFlag("n", options.c <= 0);
  cmd.AddFlag("i", options.n > 0 || HasOwnerWindow());
  cmd.AddFlag("r", options.r > 0);
  cmd.AddFlag("j", options.x <= 0);
  cmd.AddNum("l", options.jm);
}

bool TBGA32::CheckArchive(const QString& arcFileName, int mode, int extra) {
  return TDllArchiver::CheckArchive(arcFileName, mode == 2 ? 1 : mode, extra);
}
