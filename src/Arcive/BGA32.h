#pragma once
#include "Arcive/ARCHIVES.h"

// BGA archives through "BGA32.DLL" (prefix "Bga").
class TBGA32 : public TDllArchiver {
 public:
  TBGA32();
  static void LoadDLL();
  static void FreeDLL();

  // The module knows check mode 1 where others use 2.
  bool CheckArchive(const QString& arcFileName, int mode, int extra) override;

 protected:
  void AddSwitches(TCmdOpt& cmd, const QByteArray& word, const TArchiverOptions& options) const override;
};
