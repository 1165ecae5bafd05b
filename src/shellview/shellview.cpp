// zot-shellview: the shell view components placed together the way they link.
#include "shellview/window.h"
#include "ui/prompt.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("zot-shellview"));
  // Qt's own buttons ("はい", "いいえ") in Japanese.
  QTranslator qt;
  if (qt.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
              QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    app.installTranslator(&qt);
  ui::SetTitle(QStringLiteral("シェル ビュー"));
  const QStringList args = QApplication::arguments();
  TShellViewWindow window(args.size() > 1 ? args[1] : QString());
  window.Open();
  return QApplication::exec();
}
