#pragma once
#include "Arcive/ARCHIVES.h"

// 7z archives through "7-ZIP32.DLL" (prefix "SevenZip"); extraction only,
// with the command lines of the ZIP family's extraction side.
class TSevenZip32 : public TDllArchiver {
 public:
  TSevenZip32();
  static void LoadDLL();
  static void FreeDLL();

  QByteArray BuildCommandLine(const QByteArray& word, const QString& arcFileName, const TArchiverOptions& options,
                              const QString& folder, const TFileList& files, bool resFile) const override;
};

// Whether the file holds a 7z archive (its signature at the start); never raises.
bool IsSevenZipArchive(const QString& path);
