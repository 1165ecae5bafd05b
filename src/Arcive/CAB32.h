#pragma once
#include "Arcive/ARCHIVES.h"

// CAB archives through "CAB32.DLL" (prefix "Cab").
class TCab32 : public TDllArchiver {
 public:
  TCab32() : TDllArchiver(&TCab32::LoadDLL) {}
  static void LoadDLL();
  static void FreeDLL();

  int Extract(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
              const TFileList& files, bool resFile, QByteArray& output) override;
  int Pack(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& baseFolder,
           const TFileList& files, bool resFile, QByteArray& output) override;
  int MakeSfx(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
              QByteArray& output) override;
  int ExtractMem(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& member,
                 unsigned char* buf, uint32_t size, uint32_t* written) override;

  QByteArray BuildCommandLine(const QByteArray& word, const QString& arcFileName, const TArchiverOptions& options,
                              const QString& folder, const TFileList& files, bool resFile) const;

 protected:
  TArchiverDll& Dll() const override;
};

// Whether the module opens the file as a cabinet; never raises.
bool IsCabArchive(const QString& path);
