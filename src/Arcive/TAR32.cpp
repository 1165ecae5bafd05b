#include "Arcive/TAR32.h"

#include "Arcive/FILTERS.h"
#include "platform/library.h"

namespace {
TBindingSlot g_tar("tar/tgz/taz/bz2 形式書庫", "TAR32.DLL", "Tar");
}  // namespace

void TTar32::LoadDLL() { g_tar.Load(); }
void TTar32::FreeDLL() { g_tar.Free(); }
TArchiverDll& TTar32::Dll() const { return g_tar.Get(); }

QByteArray TTar32::BuildCommandLine(const QByteArray& word, const QString& arcFileName,
                                    const TArchiverOptions& options, const QString& folder, const TFileList& files,
                                    bool resFile) const {
  TCmdOpt cmd;
  cmd.SpaceBeforeValue = true;
  cmd.AddFlag("AH", options.a > 0);
  cmd.AddFlag("I", options.a == 0);
  cmd.AddFlag("-display-dialog=0", !HasOwnerWindow() && options.n > 0);
  cmd.AddFlag("g", options.o > 0);
  cmd.AddNum("-check-all-path=", options.p);
  cmd.AddNum("-use-directory=", options.x);
  if (const char* letter = CompressionSwitch()) {
    if (options.jm > 0) cmd.AddNum(letter, options.jm);
    else cmd.AddFlag(letter, true);
  }
  cmd.Add(options.UserOptions);
  if (!arcFileName.isEmpty()) cmd.AddStr("f", Ansi(arcFileName));
  cmd.AddDir("o", Ansi(folder));
  AddFileList(cmd, options, resFile, files);
  return word + cmd.Text;
}

int TTar32::Extract(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
                    const TFileList& files, bool, QByteArray& output) {
  return Run(wnd, BuildCommandLine("x", arcFileName, options, folder, files, options.Uses(ruOnUnpack)), output);
}

int TTar32::Pack(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& baseFolder,
                 const TFileList& files, bool, QByteArray& output) {
  return Run(wnd, BuildCommandLine("c", arcFileName, options, baseFolder, files, options.Uses(ruOnPack)), output);
}

int TTar32::MakeSfx(void*, const QString& arcFileName, const TArchiverOptions&, const QString& folder,
                    QByteArray&) {
  const QString stub = platform::SearchPath(QStringLiteral("kmtarsef.exe"));
  if (stub.isEmpty())
    throw EArchiver(QStringLiteral("tar/tgz 書庫からの自己解凍書庫の作成には kmtarsef.exe が必要です。"));
  WriteStubAndArchive(stub, arcFileName, SfxOutputPath(arcFileName, folder));
  return 0;
}

int TTar32::ExtractMem(void* wnd, const QString& arcFileName, const TArchiverOptions& options,
                       const QString& member, unsigned char* buf, uint32_t size, uint32_t* written) {
  return RunExtractMem(wnd, BuildCommandLine(QByteArray(), arcFileName, options, QString(), {member}, false), buf,
                       size, written);
}

int TBZ232::MakeSfx(void*, const QString&, const TArchiverOptions&, const QString&, QByteArray&) {
  throw EArchiver(QStringLiteral("BZ2 形式書庫は自己解凍形式にできません。"));
}
