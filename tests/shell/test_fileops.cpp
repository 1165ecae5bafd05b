#include "shell/contextmenu.h"
#include "shell/fileops.h"
#include "ui/prompt.h"
#include "support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace {

using namespace shell;

class FileOpsTest : public ZotTest {
 protected:
  void SetUp() override {
    ZotTest::SetUp();
    home = Home();
  }
  void TearDown() override {
    if (!other.isEmpty()) QDir(other).removeRecursively();
    ZotTest::TearDown();
  }
  // A folder of the test's own on another file system (tmpfs), or empty.
  QString OtherFileSystem() {
    struct stat mine {};
    ::stat(QFile::encodeName(home).constData(), &mine);
    for (const QString& base : {QStringLiteral("/dev/shm"), QStringLiteral("/run/user/%1").arg(::getuid())}) {
      struct stat st {};
      if (::stat(QFile::encodeName(base).constData(), &st) != 0 || st.st_dev == mine.st_dev) continue;
      other = base + QStringLiteral("/zot-test-") + QString::number(::getpid());
      if (QDir().mkpath(other)) return other;
    }
    return QString();
  }
  static QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
  }
  QString home, other;
};

TEST_F(FileOpsTest, FreeNamesNeverTakeAnother) {
  Write(QStringLiteral("f/a.txt"), "1");
  Write(QStringLiteral("f/a (2).txt"), "2");
  Write(QStringLiteral("f/.bashrc"), "3");
  Write(QStringLiteral("f/v1.2/x"), "4");
  Write(QStringLiteral("f/noext"), "5");
  Write(QStringLiteral("f/a.txt へのショートカット"), "6");
  const QString f = home + QStringLiteral("/f");
  const struct {
    const char* name;
    const char* free;
  } cases[] = {
      {"new.txt", "new.txt"},
      {"a.txt", "a (3).txt"},
      {".bashrc", ".bashrc (2)"},
      {"v1.2", "v1.2 (2)"},  // a folder keeps its dots
      {"noext", "noext (2)"},
      {"a.txt へのショートカット", "a.txt へのショートカット (2)"},
  };
  for (const auto& c : cases) EXPECT_EQ(FreeName(f, QString::fromUtf8(c.name)), QString::fromUtf8(c.free)) << c.name;
}

TEST_F(FileOpsTest, CopiesNeverOverwriteAndKeepLinksAndModes) {
  const QString src = Write(QStringLiteral("src/tool/run.sh"), "#!/bin/sh\n");
  QFile::setPermissions(src, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  ASSERT_EQ(::symlink("run.sh", QFile::encodeName(home + QStringLiteral("/src/tool/link")).constData()), 0);
  Write(QStringLiteral("dest/tool/keep"), "mine");
  QString made, why;
  ASSERT_TRUE(CopyInto(home + QStringLiteral("/src/tool"), home + QStringLiteral("/dest"), &made, &why)) << why.toStdString();
  EXPECT_EQ(made, home + QStringLiteral("/dest/tool (2)"));
  EXPECT_EQ(ReadAll(home + QStringLiteral("/dest/tool/keep")), QStringLiteral("mine"));
  EXPECT_EQ(QFileInfo(made + QStringLiteral("/link")).symLinkTarget(), made + QStringLiteral("/run.sh"));
  EXPECT_TRUE(QFileInfo(made + QStringLiteral("/run.sh")).isExecutable());
  // Twice into the same folder, and a file into its own folder.
  ASSERT_TRUE(CopyInto(src, home + QStringLiteral("/dest"), &made, &why));
  ASSERT_TRUE(CopyInto(src, home + QStringLiteral("/dest"), &made, &why));
  EXPECT_EQ(made, home + QStringLiteral("/dest/run (2).sh"));
  ASSERT_TRUE(CopyInto(src, home + QStringLiteral("/src/tool"), &made, &why));
  EXPECT_EQ(made, home + QStringLiteral("/src/tool/run (2).sh"));
  // No half-made copy is ever left under a hidden name.
  for (const QString& e : Entries(home + QStringLiteral("/dest"))) EXPECT_FALSE(e.startsWith(QLatin1Char('.'))) << e.toStdString();
}

TEST_F(FileOpsTest, AFolderNeverGoesIntoItselfAndAMoveHomeChangesNothing) {
  Write(QStringLiteral("top/mid/low/x"), "x");
  const QString top = home + QStringLiteral("/top");
  QString made, why;
  for (const QString& into : {top, top + QStringLiteral("/mid"), top + QStringLiteral("/mid/low")}) {
    why.clear();
    EXPECT_FALSE(CopyInto(top, into, &made, &why)) << into.toStdString();
    EXPECT_TRUE(why.contains(QStringLiteral("それ自身の中にコピー"))) << why.toStdString();
    EXPECT_FALSE(MoveInto(top, into, &made, &why));
    EXPECT_TRUE(why.contains(QStringLiteral("それ自身の中に移動"))) << why.toStdString();
  }
  EXPECT_EQ(Entries(top), QStringList{QStringLiteral("mid")});
  EXPECT_EQ(Entries(top + QStringLiteral("/mid")), QStringList{QStringLiteral("low")});
  // Through a link to the folder, too.
  ASSERT_EQ(::symlink(QFile::encodeName(top + QStringLiteral("/mid")).constData(),
                      QFile::encodeName(home + QStringLiteral("/midlink")).constData()), 0);
  EXPECT_FALSE(MoveInto(top, home + QStringLiteral("/midlink"), &made, &why));
  EXPECT_TRUE(QFileInfo::exists(top + QStringLiteral("/mid/low/x")));
  // A file moved to where it is stays.
  ASSERT_TRUE(MoveInto(top + QStringLiteral("/mid/low/x"), top + QStringLiteral("/mid/low"), &made, &why));
  EXPECT_EQ(made, top + QStringLiteral("/mid/low/x"));
  EXPECT_EQ(Entries(top + QStringLiteral("/mid/low")), QStringList{QStringLiteral("x")});
}

TEST_F(FileOpsTest, MovesTakeFreeNamesAndCrossFileSystemsOnlyWhenTheCopyChecksOut) {
  Write(QStringLiteral("a/same.txt"), "from a");
  Write(QStringLiteral("b/same.txt"), "in b");
  QString made, why;
  ASSERT_TRUE(MoveInto(home + QStringLiteral("/a/same.txt"), home + QStringLiteral("/b"), &made, &why));
  EXPECT_EQ(made, home + QStringLiteral("/b/same (2).txt"));
  EXPECT_EQ(ReadAll(home + QStringLiteral("/b/same.txt")), QStringLiteral("in b"));
  EXPECT_FALSE(QFileInfo::exists(home + QStringLiteral("/a/same.txt")));

  const QString far = OtherFileSystem();
  ASSERT_FALSE(far.isEmpty()) << "no second file system (tmpfs) to move across";
  Write(QStringLiteral("tree/sub/data.bin"), QByteArray(3 << 20, 'z'));
  ASSERT_EQ(::symlink("sub/data.bin", QFile::encodeName(home + QStringLiteral("/tree/link")).constData()), 0);
  ASSERT_TRUE(MoveInto(home + QStringLiteral("/tree"), far, &made, &why)) << why.toStdString();
  EXPECT_EQ(made, far + QStringLiteral("/tree"));
  EXPECT_FALSE(QFileInfo::exists(home + QStringLiteral("/tree")));
  EXPECT_EQ(QFile(far + QStringLiteral("/tree/sub/data.bin")).size(), 3 << 20);
  EXPECT_TRUE(QFileInfo(far + QStringLiteral("/tree/link")).isSymLink());

  // A folder that cannot be copied whole (a socket in it) is not moved at
  // all, and nothing half-copied stays behind.
  Write(QStringLiteral("held/file"), "keep me");
  const QByteArray sock = QFile::encodeName(home + QStringLiteral("/held/s"));
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  ASSERT_LT(sock.size(), int(sizeof addr.sun_path));
  std::memcpy(addr.sun_path, sock.constData(), sock.size());
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  EXPECT_FALSE(MoveInto(home + QStringLiteral("/held"), far, &made, &why));
  ::close(fd);
  EXPECT_TRUE(why.contains(QStringLiteral("特殊なファイル"))) << why.toStdString();
  EXPECT_EQ(ReadAll(home + QStringLiteral("/held/file")), QStringLiteral("keep me"));
  EXPECT_EQ(Entries(far), QStringList{QStringLiteral("tree")});
}

TEST_F(FileOpsTest, TheTrashKeepsWhatARestoreNeeds) {
  const QString a = Write(QStringLiteral("docs/報告 書.txt"), "one");
  QString why;
  ASSERT_EQ(MoveToTrash(a, &why), TrashResult::kTrashed) << why.toStdString();
  const QString trash = home + QStringLiteral("/.local/share/Trash");
  EXPECT_EQ(HomeTrash(), trash);
  EXPECT_FALSE(QFileInfo::exists(a));
  EXPECT_EQ(ReadAll(trash + QStringLiteral("/files/報告 書.txt")), QStringLiteral("one"));
  const QString info = ReadAll(trash + QStringLiteral("/info/報告 書.txt.trashinfo"));
  EXPECT_TRUE(info.startsWith(QStringLiteral("[Trash Info]\nPath=")));
  const QString recorded = info.section(QLatin1Char('\n'), 1, 1).mid(5);
  EXPECT_EQ(QString::fromUtf8(QByteArray::fromPercentEncoding(recorded.toLatin1())), a);
  EXPECT_FALSE(recorded.contains(QLatin1Char(' ')));  // written percent-encoded
  EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n"))));
  // The same name again: both stay in the Trash, each with its own record.
  Write(QStringLiteral("docs/報告 書.txt"), "two");
  ASSERT_EQ(MoveToTrash(a, &why), TrashResult::kTrashed);
  EXPECT_EQ(ReadAll(trash + QStringLiteral("/files/報告 書 (2).txt")), QStringLiteral("two"));
  EXPECT_TRUE(QFileInfo::exists(trash + QStringLiteral("/info/報告 書 (2).txt.trashinfo")));
  // The Trash itself, or what holds it, cannot go into it.
  EXPECT_EQ(MoveToTrash(home + QStringLiteral("/.local"), &why), TrashResult::kFailed);
  EXPECT_TRUE(QFileInfo::exists(trash + QStringLiteral("/files")));
}

TEST_F(FileOpsTest, AnotherFileSystemHasATrashOfItsOwnOrNone) {
  const QString far = OtherFileSystem();
  ASSERT_FALSE(far.isEmpty()) << "no second file system (tmpfs) to trash on";
  // The volume's top folder is the mount point above far.
  QString top = QFileInfo(far).absolutePath();
  const QString own = top + QStringLiteral("/.Trash-") + QString::number(::geteuid());
  const bool hadOwn = QFileInfo::exists(own);
  const QString file = far + QStringLiteral("/x.txt");
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("x");
  f.close();
  QString why;
  if (!hadOwn) {
    // A plain file where the Trash folder would be: no Trash on that volume.
    QFile block(own);
    ASSERT_TRUE(block.open(QIODevice::WriteOnly));
    block.close();
    EXPECT_EQ(MoveToTrash(file, &why), TrashResult::kNoTrash);
    EXPECT_TRUE(QFileInfo::exists(file));
    QFile::remove(own);
    ASSERT_EQ(MoveToTrash(file, &why), TrashResult::kTrashed) << why.toStdString();
    const QString info = ReadAll(own + QStringLiteral("/info/x.txt.trashinfo"));
    // Paths there are relative to the volume's top folder.
    EXPECT_TRUE(info.contains(QStringLiteral("\nPath=") + QDir(top).relativeFilePath(file) + QLatin1Char('\n')))
        << info.toStdString();
    EXPECT_TRUE(QFileInfo::exists(own + QStringLiteral("/files/x.txt")));
    QDir(own).removeRecursively();
  } else {
    ASSERT_EQ(MoveToTrash(file, &why), TrashResult::kTrashed) << why.toStdString();
  }
  EXPECT_FALSE(QFileInfo::exists(file));
  ASSERT_TRUE(DeleteForGood(far, &why));
  EXPECT_FALSE(QFileInfo::exists(far));
}

TEST_F(FileOpsTest, ShortcutsAreLinksBesideTheItem) {
  const QString tool = Write(QStringLiteral("bin2/tool"), "t");
  QString made, why;
  ASSERT_TRUE(MakeShortcut(tool, &made, &why));
  EXPECT_EQ(made, home + QStringLiteral("/bin2/tool へのショートカット"));
  EXPECT_EQ(QFileInfo(made).symLinkTarget(), tool);
  ASSERT_TRUE(MakeShortcut(tool, &made, &why));
  EXPECT_EQ(made, home + QStringLiteral("/bin2/tool へのショートカット (2)"));
}

}  // namespace

namespace {

using namespace shell;

// Where no Trash can be had, the menu's delete asks a second time before
// anything goes for good.
TEST_F(FileOpsTest, DeleteWithoutATrashAsksAgainBeforeDeletingForGood) {
  const QString far = OtherFileSystem();
  ASSERT_FALSE(far.isEmpty()) << "no second file system (tmpfs)";
  const QString own = QFileInfo(far).absolutePath() + QStringLiteral("/.Trash-") + QString::number(::geteuid());
  if (QFileInfo::exists(own)) return;  // this machine already has a Trash there: nothing to block
  QFile block(own);
  ASSERT_TRUE(block.open(QIODevice::WriteOnly));
  block.close();
  const QString file = far + QStringLiteral("/gone.txt");
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  shell::SetComputerRoots({far});
  const IdList list = ShellFolder::Desktop()->ParseDisplayName(file);
  ASSERT_FALSE(list.isNull());
  ContextMenu menu(nullptr, FolderHolding(list), {LastItem(list)});
  std::vector<int> answers{QMessageBox::Yes, QMessageBox::No};
  ui::SetMessageHook([&](const QString& text, QMessageBox::Icon, QMessageBox::StandardButtons) {
    messages.push_back({text, QMessageBox::Question, {}});
    const int a = answers.empty() ? QMessageBox::No : answers.front();
    if (!answers.empty()) answers.erase(answers.begin());
    return a;
  });
  EXPECT_EQ(menu.InvokeCommand(kVerbDelete), Outcome::kCancelled);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[1].text, QStringLiteral("「gone.txt」のあるドライブにはごみ箱がありません。\n完全に削除しますか? 元に戻すことはできません。"));
  EXPECT_TRUE(QFileInfo::exists(file));
  answers = {QMessageBox::Yes, QMessageBox::Yes};
  EXPECT_EQ(menu.InvokeCommand(kVerbDelete), Outcome::kDone);
  EXPECT_FALSE(QFileInfo::exists(file));
  QFile::remove(own);
  shell::SetComputerRoots({});
}

}  // namespace
