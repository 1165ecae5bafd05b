#pragma once
#include "Arcive/ARCHIVES.h"

// LHA archives through "UNLHA32.DLL" (prefix "Unlha"); the reference format
// whose command-line builder ARJ reuses.
class TLha32 : public TDllArchiver {
 public:
  TLha32();
  static void LoadDLL();
  static void FreeDLL();

 protected:
  // "-+" and the 63 switches. Raises EAssertionFailed when x lacks jse or any lacks jso.
  void AddSwitches(TCmdOpt& cmd, const QByteArray& word, const TArchiverOptions& options) const override;
  TLha32(LoadFn loadDll, TBindingSlot& slot, const TFormatOperations& operations)
      : TDllArchiver(loadDll, slot, operations) {}
};

// Whether the file is an LHA archive the module accepts; never raises.
bool IsLhaArchive(const QString& path);
