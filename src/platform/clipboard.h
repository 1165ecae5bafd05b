#pragma once
#include <QString>

namespace platform {

// Puts plain text on the desktop clipboard.
void SetClipboardText(const QString& text);

}  // namespace platform
