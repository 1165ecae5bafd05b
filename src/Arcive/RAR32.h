#pragma once
#include "Arcive/ARCHIVES.h"

// RAR archives through "UNRAR32.DLL" (prefix "Unrar"); extraction only.
class TRar32 : public TDllArchiver {
 public:
  TRar32() : TDllArchiver(&TRar32::LoadDLL) {}
  static void LoadDLL();
  static void FreeDLL();

  int Extract(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
              const TFileList& files, bool resFile, QByteArray& output) override;
  int ExtractMem(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& member,
                 unsigned char* buf, uint32_t size, uint32_t* written) override;

  QByteArray BuildCommandLine(const QByteArray& word, const QString& arcFileName, const TArchiverOptions& options,
                              const QString& folder, const TFileList& files, bool resFile) const;

 protected:
  TArchiverDll& Dll() const override;
};
