#pragma once
#include "Arcive/LHA32.h"

// ARJ archives through "UNARJ32J.DLL" (prefix "Unarj"), with the LHA builder.
// The module only lists and extracts: creating, changing and memory
// extraction are refused instead of being sent to the LHA module.
class TArj32 : public TLha32 {
 public:
  TArj32() : TLha32(&TArj32::LoadDLL) {}
  static void LoadDLL();
  static void FreeDLL();

  int Extract(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
              const TFileList& files, bool resFile, QByteArray& output) override;
  int Pack(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& baseFolder,
           const TFileList& files, bool resFile, QByteArray& output) override;
  int RemoveItems(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
                  const TFileList& files, bool resFile, QByteArray& output) override;
  int Update(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
             const TFileList& files, bool resFile, QByteArray& output) override;
  int MakeSfx(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
              QByteArray& output) override;
  int ExtractMem(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& member,
                 unsigned char* buf, uint32_t size, uint32_t* written) override;

 protected:
  TArchiverDll& Dll() const override;
};
