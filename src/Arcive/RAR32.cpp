#include "Arcive/RAR32.h"

namespace {
TBindingSlot g_rar("RAR 形式書庫", "UNRAR32.DLL", "Unrar");
}  // namespace

void TRar32::LoadDLL() { g_rar.Load(); }
void TRar32::FreeDLL() { g_rar.Free(); }
TArchiverDll& TRar32::Dll() const { return g_rar.Get(); }

QByteArray TRar32::BuildCommandLine(const QByteArray& word, const QString& arcFileName,
                                    const TArchiverOptions& options, const QString& folder, const TFileList& files,
                                    bool resFile) const {
  TCmdOpt cmd;
  cmd.AddFlag("u", options.c < 1);
  cmd.AddFlag("y", options.m > 0);
  cmd.AddFlag("s", options.p > 0);
  cmd.Add(options.UserOptions);
  AddArchiveAndDir(cmd, arcFileName, folder);
  AddFileList(cmd, options, resFile, files);
  return word + cmd.Text;
}

int TRar32::Extract(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
                    const TFileList& files, bool, QByteArray& output) {
  // "-e" drops the stored paths, "-x" keeps them.
  const QByteArray word = options.x == 0 ? "-e" : "-x";
  return Run(wnd, BuildCommandLine(word, arcFileName, options, folder, files, options.Uses(ruOnUnpack)), output);
}

int TRar32::ExtractMem(void* wnd, const QString& arcFileName, const TArchiverOptions& options,
                       const QString& member, unsigned char* buf, uint32_t size, uint32_t* written) {
  return RunExtractMem(wnd, BuildCommandLine(QByteArray(), arcFileName, options, QString(), {member}, false), buf,
                       size, written);
}
