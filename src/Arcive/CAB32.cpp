#include "Arcive/CAB32.h"

namespace {
TBindingSlot g_cab("CAB 形式書庫", "CAB32.DLL", "Cab");
}  // namespace

void TCab32::LoadDLL() { g_cab.Load(); }
void TCab32::FreeDLL() { g_cab.Free(); }
TArchiverDll& TCab32::Dll() const { return g_cab.Get(); }

QByteArray TCab32::BuildCommandLine(const QByteArray& word, const QString& arcFileName,
                                    const TArchiverOptions& options, const QString& folder, const TFileList& files,
                                    bool resFile) const {
  TCmdOpt cmd;
  cmd.AddFlag("o", options.c == 1);
  cmd.AddFlag("i", options.n > 0 || HasOwnerWindow());
  cmd.AddFlag("r", options.r > 0);
  cmd.AddDir("h", options.w);
  cmd.AddFlag("j", options.x == 0);
  cmd.AddFlag("q", options.ji > 0);
  cmd.Add(options.UserOptions);
  AddArchiveAndDir(cmd, arcFileName, folder);
  AddFileList(cmd, options, resFile, files);
  return word + cmd.Text;
}

int TCab32::Extract(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
                    const TFileList& files, bool, QByteArray& output) {
  return Run(wnd,
             BuildCommandLine("-x", ExpandFileName(arcFileName), options, folder, files, options.Uses(ruOnUnpack)),
             output);
}

int TCab32::Pack(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& baseFolder,
                 const TFileList& files, bool, QByteArray& output) {
  return Run(wnd, BuildCommandLine("-a", arcFileName, options, baseFolder, files, options.Uses(ruOnPack)), output);
}

int TCab32::MakeSfx(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
                    QByteArray& output) {
  return Run(wnd, BuildCommandLine("-f", arcFileName, options, folder, {}, false), output);
}

int TCab32::ExtractMem(void* wnd, const QString& arcFileName, const TArchiverOptions& options,
                       const QString& member, unsigned char* buf, uint32_t size, uint32_t* written) {
  return RunExtractMem(wnd, BuildCommandLine(QByteArray(), arcFileName, options, QString(), {member}, false), buf,
                       size, written);
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
