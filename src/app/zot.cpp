// Process entry: one copy per user, Japanese whatever the locale.
#include "app/main.h"
#include "app/version.h"
#include "platform/instance.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

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

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString title = QString::fromUtf8(kAppTitle);
  app.setApplicationName(QStringLiteral("zot"));

  platform::SingleInstance instance(title);
  if (instance.ActivateRunning()) return 0;

  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  QTranslator qtJapanese;
  if (qtJapanese.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    app.installTranslator(&qtJapanese);
  UseJapaneseFont(app);

  TForm1 form;
  instance.Listen([&form] {
    if (form.isMinimized()) form.showNormal();
    form.show();
    form.raise();
    form.activateWindow();
  });
  platform::OnTerminateSignal([&form] { form.close(); });
  form.show();
  return app.exec();
}
