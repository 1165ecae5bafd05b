#include "platform/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace platform {

void SetClipboardText(const QString& text) {
  if (QClipboard* cb = QGuiApplication::clipboard()) cb->setText(text, QClipboard::Clipboard);
}

}  // namespace platform
