#include "ui/desktop.h"

#include <QApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace ui {
namespace {

// The system's Japanese proportional font, when one is installed.
void UseJapaneseFont(QApplication& app) {
  static const char* const kFamilies[] = {"IPAPGothic", "IPAexGothic", "Noto Sans CJK JP", "IPAGothic",
                                          "VL PGothic", "TakaoPGothic"};
  const QStringList installed = QFontDatabase::families();
  for (const char* family : kFamilies) {
    if (installed.contains(QLatin1String(family))) {
      QFont f{QString::fromLatin1(family)};
      f.setPixelSize(12);
      app.setFont(f);
      return;
    }
  }
}

// Outside a desktop session Qt knows no icon theme but "hicolor", where
// every icon the program asks for is missing, and each miss walks all of
// that theme's folders (some 40,000 file checks at start): the desktop's
// usual theme is taken when it is installed.
void UseInstalledIconTheme() {
  const QString current = QIcon::themeName();
  if (!current.isEmpty() && current != QLatin1String("hicolor")) return;
  for (const char* theme : {"Adwaita", "breeze", "oxygen", "Tango"})
    for (const QString& base : QIcon::themeSearchPaths())
      if (QFileInfo::exists(base + QLatin1Char('/') + QLatin1String(theme) + QStringLiteral("/index.theme"))) {
        QIcon::setThemeName(QLatin1String(theme));
        return;
      }
}
}  // namespace

void UseJapaneseDesktop(QApplication& app) {
  // Dates, numbers and file type names (the desktop's type database is
  // asked in this locale) are Japanese whatever LANG says; so are Qt's own
  // buttons and dialogs.
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  static QTranslator qtJapanese;
  if (qtJapanese.isEmpty() && qtJapanese.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                                              QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    app.installTranslator(&qtJapanese);
  UseJapaneseFont(app);
  UseInstalledIconTheme();
}

}  // namespace ui
