#include "Arcive/RAR32.h"

namespace {
TBindingSlot g_rar("RAR 形式書庫", "UNRAR32.DLL", "Unrar");
const TFormatOperations kRar = {"-x", {}, {}, {}, {}, true, false};
}  // namespace

TRar32::TRar32() : TDllArchiver(&TRar32::LoadDLL, g_rar, kRar) {}
void TRar32::LoadDLL() { g_rar.Load(); }
void TRar32::FreeDLL() { g_rar.Free(); }

void TRar32::AddSwitches(TCmdOpt& cmd, const QByteArray&, const TArchiverOptions& options) const {
  cmd.AddFlag("u", options.c < 1);
  cmd.AddFlag("y", options.m > 0);
  cmd.AddFlag("s", options.p > 0);
}

int TRar32::Extract(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
                    const TFileList& files, bool, QByteArray& output) {
  const QByteArray word = options.x == 0 ? "-e" : "-x";
  return Run(wnd, BuildCommandLine(word, arcFileName, options, folder, files, options.Uses(ruOnUnpack)), output);
}
