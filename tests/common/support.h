#pragma once
#include <QDir>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

class QDialog;

// Every test gets fresh XDG folders below a temporary home, a PATH of its
// own, no archiver library folders, and answers to the questions it provokes.
// What belongs to a layer of the program (its hooks, its state) is set up by
// that layer's test support (TestLayer), linked only into its layer's tests.
class ZotTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

 public:

  QString Home() const { return home_.path(); }
  // PATH holds only Home()/bin; this puts an executable fake program there.
  QString FakeOnPath(const QString& name) const;
  QString ConfigFile() const;  // the settings file the program uses
  // Writes a file (creating folders) and returns its path.
  QString Write(const QString& relPath, const QByteArray& content) const;
  // Puts a fake archiver module (tests/fakes) into the program's module
  // folder under a real module's name, e.g. ("fake_unlha32", "unlha32.so").
  void InstallModule(const char* fake, const char* asName) const;
  // Every call the fake modules recorded, one line each ("lha OpenArchive ...").
  QStringList ModuleLog() const;
  // The fake module of every format: LHA, CAB, ARJ, TAR, RAR, BGA, 7z and UNZIP32.
  void InstallFormatModules() const;
  void ClearModuleLog() const;

  // What the layers' hooks record, and the answers they give.
  struct Message {
    QString text;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
  };
  std::vector<Message> messages;              // every message box shown
  int answer = QMessageBox::Yes;              // the answer to each of them
  QStringList modalDialogs;                   // object names of modal dialogs shown
  int choice = 0;                             // the answer to questions with buttons of their own
  // Drives each modal dialog while it is shown (it is shown, not run modally).
  std::function<int(QDialog&)> onModal;
  // The answer to a modal dialog no test drives (a layer may know better than "accepted").
  std::function<int(QDialog&)> defaultModal;

  struct Start {
    QString program;
    QStringList args;
    QString workDir;
  };
  std::vector<Start> starts;  // programs the platform layer was asked to start
  bool startResult = true;

 private:
  QTemporaryDir home_;
  QByteArray oldPath_;
};

// A layer's part of each test's set-up and tear-down (hooks of its own,
// state to reset), registered once by that layer's test support; set-ups run
// in rising order, tear-downs in falling order.
struct TestLayer {
  int order;
  std::function<void(ZotTest&)> setUp;
  std::function<void(ZotTest&)> tearDown;
};
bool RegisterTestLayer(TestLayer layer);

QString ReadAll(const QString& path);

// Runs an archiving tool (7zz, tar, bsdtar, xz...) in folder with the
// system's PATH (the tests keep their own); true when it ends with status 0.
bool RunTool(const QString& folder, const QString& program, const QStringList& args);

// Processes events until cond holds or ms have passed; cond's last answer.
// (Qt's QTRY macros do not report to GoogleTest.)
bool WaitUntil(const std::function<bool()>& cond, int ms = 5000);

class QLineEdit;
class QMenu;
// Runs act on the next popup menu that opens (other than previous), once:
// a menu runs its own loop, so whoever looks at it must come from inside.
void WhenMenuOpens(std::function<void(QMenu*)> act, QWidget* previous = nullptr);
// The in-place editor a view opened, once it is there; null when none opens.
QLineEdit* OpenEditor(QWidget* view, int ms = 2000);

// The message of the exception of type E that f raises.
template <typename E, typename F>
QString MessageOf(F&& f) {
  try {
    f();
  } catch (const E& e) {
    return e.Message();
  }
  return QStringLiteral("(no exception)");
}
