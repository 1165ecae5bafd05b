#include "support.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QThread>

#include <algorithm>
#include <ctime>

namespace {

std::vector<TestLayer>& Layers() {
  static std::vector<TestLayer> layers;
  return layers;
}

}  // namespace

bool RegisterTestLayer(TestLayer layer) {
  auto& all = Layers();
  all.insert(std::upper_bound(all.begin(), all.end(), layer,
                              [](const TestLayer& a, const TestLayer& b) { return a.order < b.order; }),
             std::move(layer));
  return true;
}

void ZotTest::SetUp() {
  ASSERT_TRUE(home_.isValid());
  const QByteArray home = QFile::encodeName(home_.path());
  qputenv("HOME", home);
  qputenv("XDG_CONFIG_HOME", home + "/.config");
  qputenv("XDG_DATA_HOME", home + "/.local/share");
  qputenv("XDG_DATA_DIRS", home + "/share");
  qputenv("XDG_CONFIG_DIRS", home + "/etc");
  qputenv("FAKE_MODULE_LOG", home + "/module.log");
  // DOS times in archives are local times: make them the same everywhere.
  qputenv("TZ", "UTC");
  ::tzset();
  oldPath_ = qgetenv("PATH");
  QDir().mkpath(home_.path() + QStringLiteral("/bin"));
  qputenv("PATH", home + "/bin");
  for (const TestLayer& layer : Layers())
    if (layer.setUp) layer.setUp(*this);
}

void ZotTest::TearDown() {
  for (auto it = Layers().rbegin(); it != Layers().rend(); ++it)
    if (it->tearDown) it->tearDown(*this);
  qputenv("PATH", oldPath_);
}

QString ZotTest::ConfigFile() const { return home_.path() + QStringLiteral("/.config/zot/zot.ini"); }

QString ZotTest::Write(const QString& relPath, const QByteArray& content) const {
  const QString path = QDir(home_.path()).filePath(relPath);
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(content);
  return path;
}

void ZotTest::InstallModule(const char* fake, const char* asName) const {
  const QString dir = home_.path() + QStringLiteral("/windows");
  QDir().mkpath(dir);
  const QString target = dir + QLatin1Char('/') + QLatin1String(asName);
  QFile::remove(target);
  ASSERT_TRUE(QFile::copy(QStringLiteral(FAKE_MODULE_DIR "/") + QLatin1String(fake) + QStringLiteral(".so"), target))
      << fake;
}

void ZotTest::InstallFormatModules() const {
  for (auto [fake, name] : {std::pair{"fake_unlha32", "unlha32.so"}, {"fake_cab32", "cab32.so"},
                            {"fake_unarj32j", "unarj32j.so"}, {"fake_tar32", "tar32.so"},
                            {"fake_unrar32", "unrar32.so"}, {"fake_bga32", "bga32.so"},
                            {"fake_7zip32", "7-zip32.so"}, {"fake_unzip32", "unzip32.so"}})
    InstallModule(fake, name);
}

QStringList ZotTest::ModuleLog() const {
  return ReadAll(home_.path() + QStringLiteral("/module.log")).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void ZotTest::ClearModuleLog() const { QFile::remove(home_.path() + QStringLiteral("/module.log")); }

QString ZotTest::FakeOnPath(const QString& name) const {
  const QString path = Write(QStringLiteral("bin/") + name, "#!/bin/sh\nexit 0\n");
  QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  return path;
}

bool WaitUntil(const std::function<bool()>& cond, int ms) {
  QElapsedTimer timer;
  timer.start();
  while (!cond()) {
    if (timer.elapsed() > ms) return cond();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(10);
  }
  return true;
}

QString ReadAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return QString();
  return QString::fromUtf8(f.readAll());
}

void WhenMenuOpens(std::function<void(QMenu*)> act, QWidget* previous) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  auto tries = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [timer, act, previous, tries] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if ((menu && menu != previous && menu->isVisible()) || ++*tries > 500) {
      timer->stop();
      timer->deleteLater();
      if (menu && menu != previous) act(menu);
    }
  });
  timer->start();
}

QLineEdit* OpenEditor(QWidget* view, int ms) {
  QLineEdit* found = nullptr;
  WaitUntil([&] {
    for (QLineEdit* e : view->findChildren<QLineEdit*>())
      if (e->isVisible()) found = e;
    return found != nullptr;
  }, ms);
  return found;
}

int main(int argc, char** argv) {
  // Offscreen unless a display is given on purpose (the Xvfb runs unset
  // QT_QPA_PLATFORM and set DISPLAY).
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !qEnvironmentVariableIsSet("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

bool RunTool(const QString& folder, const QString& program, const QStringList& args) {
  QProcess p;
  p.setWorkingDirectory(folder);
  p.setStandardInputFile(QProcess::nullDevice());
  // GNU tar runs xz and zstd from PATH.
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
  p.setProcessEnvironment(env);
  p.start(program, args);
  return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}
