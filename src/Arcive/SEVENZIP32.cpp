#include "Arcive/SEVENZIP32.h"

#include "Arcive/ZIP32.h"

#include <QFile>

namespace {
TBindingSlot g_sevenZip("7z 形式書庫", "7-ZIP32.DLL", "SevenZip");
const TFormatOperations kSevenZip = {"-x", {}, {}, {}, {}, true, false};
}  // namespace

TSevenZip32::TSevenZip32() : TDllArchiver(&TSevenZip32::LoadDLL, g_sevenZip, kSevenZip) {}
void TSevenZip32::LoadDLL() { g_sevenZip.Load(); }
void TSevenZip32::FreeDLL() { g_sevenZip.Free(); }

QByteArray TSevenZip32::BuildCommandLine(const QByteArray& word, const QString& arcFileName,
                                         const TArchiverOptions& options, const QString& folder,
                                         const TFileList& files, bool resFile) const {
  return UnzipStyleCommandLine(*this, word, arcFileName, options, folder, files, resFile);
}

bool IsSevenZipArchive(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) && f.read(6) == QByteArray("7z\xBC\xAF\x27\x1C", 6);
}
