#pragma once

class QApplication;

namespace ui {

// The interface in Japanese whatever the locale: the default locale, Qt's
// own translations, a Japanese font when one is installed, and the
// installed icon theme when Qt found none.
void UseJapaneseDesktop(QApplication& app);

}  // namespace ui
