#pragma once
#include "Arcive/ARCHIVES.h"

// RAR archives through "UNRAR32.DLL" (prefix "Unrar"); extraction only.
class TRar32 : public TDllArchiver {
 public:
  TRar32();
  static void LoadDLL();
  static void FreeDLL();

  // The word follows the x option: "-e" drops the stored paths, "-x" keeps them.
  int Extract(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
              const TFileList& files, bool resFile, QByteArray& output) override;

 protected:
  void AddSwitches(TCmdOpt& cmd, const QByteArray& word, const TArchiverOptions& options) const override;
};
