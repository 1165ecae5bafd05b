// What the archive access tests share.
#pragma once
#include "Arcive/ARCHIVES.h"

// The options the main window extracts with: x 1, jf 0, jse 0, jso 1.
TArchiverOptions MainWindowOptions();
