// Process entry: one copy per user, Japanese whatever the locale.
#include "app/main.h"
#include "app/version.h"
#include "platform/instance.h"
#include "ui/desktop.h"

#include <QApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTimer>
#include <QTranslator>

#include <cstdio>
#include <ctime>

namespace {

// For the start-up benchmark: prints the wall-clock time of the main
// window's first paint, then closes the window normally.
class StartupProbe : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !done_) {
      done_ = true;
      timespec now{};
      clock_gettime(CLOCK_REALTIME, &now);
      std::printf("shown %lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
      std::fflush(stdout);
      auto* w = static_cast<QWidget*>(watched);
      QTimer::singleShot(0, w, [w] { w->close(); });
    }
    return false;
  }

 private:
  bool done_ = false;
};


}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString title = QString::fromUtf8(kAppTitle);
  app.setApplicationName(QStringLiteral("zot"));

  // Claimed before anything is shown: a start during the start-up questions
  // must find this copy and bring it forward.
  // A path given (an archive, a program or a folder) is listed as if clicked.
  QString given;
  for (const QString& arg : QApplication::arguments().mid(1))
    if (!arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
      given = QFileInfo(arg).absoluteFilePath();
      break;
    }
  QPointer<TForm1> main;
  platform::SingleInstance instance(title);
  const bool first = instance.Claim([&main](const QString& path) {
    if (main && !path.isEmpty() && !QApplication::activeModalWidget()) main->OpenPath(path);
    QWidget* front = QApplication::activeModalWidget();
    if (!front) front = main.data();
    if (!front) {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible()) front = w;
    }
    if (!front) return;
    if (front->isMinimized()) front->showNormal();
    front->show();
    front->raise();
    front->activateWindow();
  }, given);
  if (!first) return 0;

  ui::UseJapaneseDesktop(app);

  TForm1 form;
  main = &form;
  platform::OnTerminateSignal([&form] { form.close(); });
  StartupProbe probe;
  if (qEnvironmentVariableIsSet("ZOT_STARTUP_PROBE")) form.installEventFilter(&probe);
  form.show();
  if (!given.isEmpty()) QTimer::singleShot(0, &form, [&form, given] { form.OpenPath(given); });
  return app.exec();
}
