// zot-shellview: the shell view components placed together the way they link.
#include "shellview/window.h"
#include "ui/desktop.h"
#include "ui/prompt.h"

#include <QApplication>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("zot-shellview"));
  ui::UseJapaneseDesktop(app);
  ui::SetTitle(QStringLiteral("シェル ビュー"));
  const QStringList args = QApplication::arguments();
  TShellViewWindow window(args.size() > 1 ? args[1] : QString());
  window.Open();
  return QApplication::exec();
}
