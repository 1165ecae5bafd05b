// The archive access layer's part of every test: module bindings live for
// the process, so each test ends without any.
#include "archive_support.h"
#include "support.h"

#include "Arcive/ARJ32.h"
#include "Arcive/BGA32.h"
#include "Arcive/CAB32.h"
#include "Arcive/LHA32.h"
#include "Arcive/RAR32.h"
#include "Arcive/SEVENZIP32.h"
#include "Arcive/TAR32.h"
#include "Arcive/ZIP32.h"

namespace {

const bool registered = RegisterTestLayer({
    20,
    {},
    [](ZotTest&) {
      for (auto freeDll : {&TLha32::FreeDLL, &TZip32::FreeDLL, &TCab32::FreeDLL, &TArj32::FreeDLL, &TTar32::FreeDLL,
                           &TRar32::FreeDLL, &TBGA32::FreeDLL, &TSevenZip32::FreeDLL})
        freeDll();
    },
});

}  // namespace

TArchiverOptions MainWindowOptions() {
  TArchiverOptions o;
  o.x = 1;
  o.jf = 0;
  o.jse = 0;
  o.jso = 1;
  return o;
}
