#include "Arcive/BGA32.h"

namespace {
TBindingSlot g_bga("BGA 形式書庫", "BGA32.DLL", "Bga");
}  // namespace

void TBGA32::LoadDLL() { g_bga.Load(); }
void TBGA32::FreeDLL() { g_bga.Free(); }
TArchiverDll& TBGA32::Dll() const { return g_bga.Get(); }

QByteArray TBGA32::BuildCommandLine(const QByteArray& word, const QString& arcFileName,
                                    const TArchiverOptions& options, const QString& folder, const TFileList& files,
                                    bool resFile) const {
  TCmdOpt cmd;
  cmd.AddFlag("a", options.a > 0);
  cmd.AddFlag("o", options.c > 0);
  cmd.AddFlag("n", options.c <= 0);
  cmd.AddFlag("i", options.n > 0 || HasOwnerWindow());
  cmd.AddFlag("r", options.r > 0);
  cmd.AddFlag("j", options.x <= 0);
  cmd.AddNum("l", options.jm);
  cmd.Add(options.UserOptions);
  AddArchiveAndDir(cmd, arcFileName, folder);
  AddFileList(cmd, options, resFile, files);
  return word + cmd.Text;
}

int TBGA32::Extract(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
                    const TFileList& files, bool resFile, QByteArray& output) {
  return Run(wnd, BuildCommandLine("x", arcFileName, options, folder, files, resFile), output);
}

int TBGA32::Pack(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& baseFolder,
                 const TFileList& files, bool resFile, QByteArray& output) {
  return Run(wnd, BuildCommandLine("a", arcFileName, options, baseFolder, files, resFile), output);
}

int TBGA32::RemoveItems(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString&,
                        const TFileList& files, bool, QByteArray& output) {
  return Run(wnd, BuildCommandLine("d", arcFileName, options, QString(), files, options.Uses(ruOnRemoveItem)),
             output);
}

int TBGA32::MakeSfx(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
                    QByteArray& output) {
  return Run(wnd, BuildCommandLine("s", arcFileName, options, folder, {}, false), output);
}

bool TBGA32::CheckArchive(const QString& arcFileName, int mode, int extra) {
  return TDllArchiver::CheckArchive(arcFileName, mode == 2 ? 1 : mode, extra);
}
