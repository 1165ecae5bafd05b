#pragma once
#include "Arcive/ARCHIVES.h"

// CAB archives through "CAB32.DLL" (prefix "Cab").
class TCab32 : public TDllArchiver {
 public:
  TCab32();
  static void LoadDLL();
  static void FreeDLL();

 protected:
  void AddSwitches(TCmdOpt& cmd, const QByteArray& word, const TArchiverOptions& options) const override;
};

// Whether the module opens the file as a cabinet; never raises.
bool IsCabArchive(const QString& path);
