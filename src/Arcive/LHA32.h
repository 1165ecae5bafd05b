#pragma once
#include "Arcive/ARCHIVES.h"

// LHA archives through "UNLHA32.DLL" (prefix "Unlha"); the reference format
// whose command-line builder ARJ reuses.
class TLha32 : public TDllArchiver {
 public:
  TLha32() : TLha32(&TLha32::LoadDLL) {}

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

  // The LHA command line: "-+", the 63 switches, user options, archive,
  // folder, names. Raises EAssertionFailed when x lacks jse or any lacks jso.
  QByteArray BuildCommandLine(const QByteArray& word, const QString& arcFileName, const TArchiverOptions& options,
                              const QString& folder, const TFileList& files, bool resFile) const;

 protected:
  explicit TLha32(LoadFn loadDll) : TDllArchiver(loadDll) {}
  TArchiverDll& Dll() const override;
};

// Whether the file is an LHA archive the module accepts; never raises.
bool IsLhaArchive(const QString& path);
