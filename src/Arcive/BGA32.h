#pragma once
#include "Arcive/ARCHIVES.h"

// BGA archives through "BGA32.DLL" (prefix "Bga").
class TBGA32 : public TDllArchiver {
 public:
  TBGA32() : TDllArchiver(&TBGA32::LoadDLL) {}
  static void LoadDLL();
  static void FreeDLL();

  int Extract(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
              const TFileList& files, bool resFile, QByteArray& output) override;
  int Pack(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& baseFolder,
           const TFileList& files, bool resFile, QByteArray& output) override;
  int RemoveItems(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
                  const TFileList& files, bool resFile, QByteArray& output) override;
  int MakeSfx(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
              QByteArray& output) override;
  // The module knows check mode 1 where others use 2.
  bool CheckArchive(const QString& arcFileName, int mode, int extra) override;

  QByteArray BuildCommandLine(const QByteArray& word, const QString& arcFileName, const TArchiverOptions& options,
                              const QString& folder, const TFileList& files, bool resFile) const;

 protected:
  TArchiverDll& Dll() const override;
};
