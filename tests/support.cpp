#include "support.h"

#include <QProcess>

#include "Arcive/ARJ32.h"
#include "Arcive/BGA32.h"
#include "Arcive/CAB32.h"
#include "Arcive/LHA32.h"
#include "Arcive/RAR32.h"
#include "Arcive/TAR32.h"
#include "Arcive/ZIP32.h"
#include "app/IniFile.h"
#include "app/keep.h"
#include "app/main.h"
#include "ui/prompt.h"
#include "platform/folders.h"
#include "platform/process.h"
#include "shell/folderread.h"
#include "shell/shellfolder.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QStandardItemModel>
#include <QAbstractItemView>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QThread>

#include <ctime>

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
  platform::SetLibraryFolders(home_.path() + QStringLiteral("/windows"), home_.path() + QStringLiteral("/system"));
  // Folder reads come back at once, however busy the machine: the tests of
  // slow folders set a budget of their own.
  shell::SetSyncReadBudget(60000);
  Settings = TSettings();
  for (QString& slot : ExtensionTable) slot.clear();
  ui::SetMessageHook([this](const QString& text, QMessageBox::Icon icon, QMessageBox::StandardButtons b) {
    messages.push_back({text, icon, b});
    return answer;
  });
  ui::SetModalHook([this](QDialog& d) {
    modalDialogs << d.objectName();
    if (onModal) {
      d.show();
      return onModal(d);
    }
    // Files made in TempRoot are let go, as before they were offered.
    if (d.objectName() == QLatin1String("KeepForm")) return int(TKeepForm::kDiscard);
    return int(QDialog::Accepted);
  });
  ui::SetAskHook([this](const QString& text, const QStringList&) {
    messages.push_back({text, QMessageBox::Question, QMessageBox::NoButton});
    return choice;
  });
  platform::SetLauncher([this](const QString& program, const QStringList& args, const QString& wd) {
    starts.push_back({program, args, wd});
    return startResult;
  });
}

void ZotTest::TearDown() {
  // Bindings live for the process; the next test starts without any.
  for (auto freeDll : {&TLha32::FreeDLL, &TZip32::FreeDLL, &TCab32::FreeDLL, &TArj32::FreeDLL, &TTar32::FreeDLL,
                       &TRar32::FreeDLL, &TBGA32::FreeDLL})
    freeDll();
  qputenv("PATH", oldPath_);
  ui::SetMessageHook({});
  ui::SetModalHook({});
  ui::SetAskHook({});
  platform::SetLauncher({});
  platform::SetLibraryFolders(QString(), QString());
  shell::SetFolderReadHook({});
}

void WindowTest::StartWindow(const QByteArray& settings) {
  shell::SetComputerRoots({Home()});
  platform::SetLibraryFolders(platform::ProgramFolder(), platform::ProgramFolder());
  Write(QStringLiteral(".config/zot/zot.ini"), settings);
  form = std::make_unique<TForm1>();
  form->show();
}

void WindowTest::TearDown() {
  form.reset();
  shell::SetComputerRoots({});
  ZotTest::TearDown();
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

QStringList ListCaptions(TForm1& form) {
  QStringList out;
  for (int r = 0; r < form.ListView1->Items()->rowCount(); ++r) out << form.ListView1->Items()->item(r, 0)->text();
  return out;
}

void SelectEntry(TForm1& form, const QString& caption) {
  const int row = static_cast<int>(ListCaptions(form).indexOf(caption));
  if (row >= 0)
    form.ListView1->Selection()->select(form.ListView1->Items()->index(row, 0),
                                        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

bool ClickEntry(TForm1& form, const QString& caption, bool twice) {
  const int row = static_cast<int>(ListCaptions(form).indexOf(caption));
  if (row < 0) return false;
  QAbstractItemView* view = form.ListView1->CurrentView();
  const QModelIndex index = form.ListView1->Items()->index(row, 0);
  view->scrollTo(index);
  const QPoint at = view->visualRect(index).center();
  if (twice) {
    // A double click is a press and release, then the double-click event.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
  } else {
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
  }
  return true;
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

TArchiverOptions MainWindowOptions() {
  TArchiverOptions o;
  o.x = 1;
  o.jf = 0;
  o.jse = 0;
  o.jso = 1;
  return o;
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
