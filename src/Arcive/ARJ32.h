#pragma once
#include "Arcive/LHA32.h"

// ARJ archives through "UNARJ32J.DLL" (prefix "Unarj"), with the LHA builder.
// The module only lists and extracts: creating, changing and memory
// extraction are refused instead of being sent to the LHA module.
class TArj32 : public TLha32 {
 public:
  TArj32();
  static void LoadDLL();
  static void FreeDLL();

};
