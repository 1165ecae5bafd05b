#pragma once
#include "Arcive/ARCHIVES.h"

// 7z archives through "7-ZIP32.DLL" (prefix "SevenZip"); extraction only,
// with the command lines of the ZIP family's extraction side.
class TSevenZip32 : public TDllArchiver {
 public:
  TSevenZip32() : TDllArchiver(&TSevenZip32::LoadDLL) {}
  static void LoadDLL();
  static void FreeDLL();

  int Extract(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
              const TFileList& files, bool resFile, QByteArray& output) override;
  int ExtractMem(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& member,
                 unsigned char* buf, uint32_t size, uint32_t* written) override;

 protected:
  TArchiverDll& Dll() const override;
};

// Whether the file holds a 7z archive (its signature at the start); never raises.
bool IsSevenZipArchive(const QString& path);
