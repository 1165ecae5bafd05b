#include "Arcive/SEVENZIP32.h"

#include "Arcive/ZIP32.h"

#include <QFile>

namespace {
TBindingSlot g_sevenZip("7z 形式書庫", "7-ZIP32.DLL", "SevenZip");
}  // namespace

void TSevenZip32::LoadDLL() { g_sevenZip.Load(); }
void TSevenZip32::FreeDLL() { g_sevenZip.Free(); }
TArchiverDll& TSevenZip32::Dll() const { return g_sevenZip.Get(); }

int TSevenZip32::Extract(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
                         const TFileList& files, bool, QByteArray& output) {
  return Run(wnd, UnzipStyleCommandLine(*this, "-x", arcFileName, options, folder, files, options.Uses(ruOnUnpack)),
             output);
}

int TSevenZip32::ExtractMem(void* wnd, const QString& arcFileName, const TArchiverOptions& options,
                            const QString& member, unsigned char* buf, uint32_t size, uint32_t* written) {
  return RunExtractMem(wnd, UnzipStyleCommandLine(*this, QByteArray(), arcFileName, options, QString(), {member}, false),
                       buf, size, written);
}

bool IsSevenZipArchive(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) && f.read(6) == QByteArray("7z\xBC\xAF\x27\x1C", 6);
}
