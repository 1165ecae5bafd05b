#include "Arcive/TAR32.h"

#include "Arcive/FILTERS.h"
#include "platform/library.h"

namespace {
TBindingSlot g_tar("tar/tgz/taz/bz2 形式書庫", "TAR32.DLL", "Tar");
// Making a self-extracting program needs no module: MakeSfx is its own.
const TFormatOperations kTar = {"x", "c", {}, {}, {}, true, false};
}  // namespace

TTar32::TTar32() : TDllArchiver(&TTar32::LoadDLL, g_tar, kTar) {}
void TTar32::LoadDLL() { g_tar.Load(); }
void TTar32::FreeDLL() { g_tar.Free(); }

void TTar32::AddSwitches(TCmdOpt& cmd, const QByteArray&, const TArchiverOptions& options) const {
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
}

void TTar32::AddTargets(TCmdOpt& cmd, const QString& arcFileName, const QString& folder) const {
  if (!arcFileName.isEmpty()) cmd.AddStr("f", Ansi(arcFileName));
  cmd.AddDir("o", Ansi(folder));
}

int TTar32::MakeSfx(void*, const QString& arcFileName, const TArchiverOptions&, const QString& folder,
                    QByteArray&) {
  const QString stub = platform::SearchPath(QStringLiteral("kmtarsef.exe"));
  if (stub.isEmpty())
    throw EArchiver(QStringLiteral("tar/tgz 書庫からの自己解凍書庫の作成には kmtarsef.exe が必要です。"));
  WriteStubAndArchive(stub, arcFileName, SfxOutputPath(arcFileName, folder));
  return 0;
}

int TBZ232::MakeSfx(void*, const QString&, const TArchiverOptions&, const QString&, QByteArray&) {
  throw EArchiver(QStringLiteral("BZ2 形式書庫は自己解凍形式にできません。"));
}
