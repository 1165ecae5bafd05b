#include "Arcive/CAB32.h"

namespace {
TBindingSlot g_cab("CAB 形式書庫", "CAB32.DLL", "Cab");
const TFormatOperations kCab = {"-x", "-a", {}, {}, "-f", true, true};
}  // namespace

TCab32::TCab32() : TDllArchiver(&TCab32::LoadDLL, g_cab, kCab) {}
void TCab32::LoadDLL() { g_cab.Load(); }
void TCab32::FreeDLL() { g_cab.Free(); }

void TCab32::AddSwitches(TCmdOpt& cmd, const QByteArray&, const TArchiverOptions& options) const {
  cmd.AddFlag("o", options.c == 1);
  cmd.AddFlag("i", options.n > 0 || HasOwnerWindow());
  cmd.AddFlag("r", options.r > 0);
  cmd.AddDir("h", options.w);
  cmd.AddFlag("j", options.x == 0);
  cmd.AddFlag("q", options.ji > 0);
}

bool IsCabArchive(const QString& path) {
  try {
    TCab32::LoadDLL();
    TArchiverDll& dll = g_cab.Get();
    void* h = dll.OpenArchive(nullptr, Ansi(ExpandFileName(path)), CA_OPEN_PROBE);
    if (h) dll.CloseArchive(h);
    return h != nullptr;
  } catch (...) {
    return false;
  }
}
