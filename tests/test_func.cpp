#include "app/func.h"
#include "platform/inuse.h"
#include "support.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class FuncTest : public ZotTest {};

TEST_F(FuncTest, PathHelpers) {
  EXPECT_EQ(AddTrailingBackslash(QStringLiteral("/")), QStringLiteral("/"));
  EXPECT_EQ(AddTrailingBackslash(QStringLiteral("/data/a")), QStringLiteral("/data/a/"));
  EXPECT_EQ(AddTrailingBackslash(QStringLiteral("/data/a/")), QStringLiteral("/data/a/"));
  EXPECT_EQ(AddTrailingBackslash(QString()), QStringLiteral("/"));
  EXPECT_EQ(SlashToBackslash(QStringLiteral("doc/sub/readme.txt")), QStringLiteral("doc/sub/readme.txt"));
}

TEST_F(FuncTest, TempRootRule) {
  EXPECT_EQ(MakeTempRoot(QStringLiteral("/home/u/.local/share"), QStringLiteral("/tmp")),
            QStringLiteral("/home/u/.local/share/zot/"));
  EXPECT_EQ(MakeTempRoot(QStringLiteral("/data/Roaming/"), QStringLiteral("/tmp")),
            QStringLiteral("/data/Roaming/zot/"));
  // No application-data folder: the system temporary folder, case kept.
  EXPECT_EQ(MakeTempRoot(QString(), QStringLiteral("/var/Tmp")), QStringLiteral("/var/Tmp/zot/"));
  EXPECT_EQ(MakeTempRoot(QString(), QStringLiteral("/tmp/")), QStringLiteral("/tmp/zot/"));
}

TEST_F(FuncTest, TempRootFollowsTheDataHome) {
  EXPECT_EQ(MakeTempRoot(GetSpecialFolder(26), QStringLiteral("/tmp")),
            Home() + QStringLiteral("/.local/share/zot/"));
  qputenv("XDG_DATA_HOME", "/elsewhere/data");
  EXPECT_EQ(GetSpecialFolder(26), QStringLiteral("/elsewhere/data"));
  // A relative value is not a valid XDG folder and is ignored.
  qputenv("XDG_DATA_HOME", "relative");
  EXPECT_EQ(GetSpecialFolder(26), Home() + QStringLiteral("/.local/share"));
  qunsetenv("XDG_DATA_HOME");
  qunsetenv("HOME");
  EXPECT_EQ(GetSpecialFolder(26), QString());
}

TEST_F(FuncTest, DeleteFolderTreeRemovesEverythingIncludingReadOnlyFiles) {
  Write(QStringLiteral("t/a.txt"), "a");
  Write(QStringLiteral("t/.hidden"), "h");
  const QString ro = Write(QStringLiteral("t/sub/deeper/ro.txt"), "r");
  QFile::setPermissions(ro, QFile::ReadOwner);
  EXPECT_TRUE(DeleteFolderTree(Home() + QStringLiteral("/t")));
  EXPECT_FALSE(QFileInfo::exists(Home() + QStringLiteral("/t")));
  // A trailing separator names the same folder.
  Write(QStringLiteral("u/a.txt"), "a");
  EXPECT_TRUE(DeleteFolderTree(Home() + QStringLiteral("/u/")));
  EXPECT_FALSE(QFileInfo::exists(Home() + QStringLiteral("/u")));
}

TEST_F(FuncTest, DeleteFolderTreeOnAMissingFolderFailsAndChangesNothing) {
  Write(QStringLiteral("keep.txt"), "k");
  EXPECT_FALSE(DeleteFolderTree(Home() + QStringLiteral("/missing")));
  EXPECT_FALSE(DeleteFolderTree(QString()));
  EXPECT_FALSE(DeleteFolderTree(Home() + QStringLiteral("/keep.txt")));
  EXPECT_TRUE(QFileInfo::exists(Home() + QStringLiteral("/keep.txt")));
}

TEST_F(FuncTest, DeleteFolderTreeNeverFollowsSymbolicLinks) {
  const QString outside = Write(QStringLiteral("home/precious.txt"), "p");
  Write(QStringLiteral("t/a.txt"), "a");
  QDir().mkpath(Home() + QStringLiteral("/t/sub"));
  ASSERT_EQ(::symlink(QFile::encodeName(Home() + QStringLiteral("/home")).constData(),
                      QFile::encodeName(Home() + QStringLiteral("/t/sub/link-to-home")).constData()),
            0);
  ASSERT_EQ(::symlink(QFile::encodeName(outside).constData(),
                      QFile::encodeName(Home() + QStringLiteral("/t/file-link")).constData()),
            0);
  ASSERT_EQ(::symlink("/nonexistent/target", QFile::encodeName(Home() + QStringLiteral("/t/dangling")).constData()),
            0);
  EXPECT_TRUE(DeleteFolderTree(Home() + QStringLiteral("/t")));
  EXPECT_FALSE(QFileInfo::exists(Home() + QStringLiteral("/t")));
  EXPECT_EQ(ReadAll(outside), QStringLiteral("p"));

  // A link given as the folder itself is not emptied either.
  ASSERT_EQ(::symlink(QFile::encodeName(Home() + QStringLiteral("/home")).constData(),
                      QFile::encodeName(Home() + QStringLiteral("/link")).constData()),
            0);
  EXPECT_FALSE(DeleteFolderTree(Home() + QStringLiteral("/link")));
  EXPECT_EQ(ReadAll(outside), QStringLiteral("p"));
}

TEST_F(FuncTest, DeleteFolderTreeLeavesWhatARunningProgramHolds) {
  const QString held = Write(QStringLiteral("t/app/bin/held.dat"), "h");
  Write(QStringLiteral("t/app/other.txt"), "o");
  Write(QStringLiteral("t/free/x.txt"), "x");
  QDir().mkpath(Home() + QStringLiteral("/t/work"));

  // One program keeps a file open, another works in a folder.
  QProcess holder, worker;
  holder.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("exec 3<\"$0\"; exec /bin/sleep 30"), held});
  worker.setWorkingDirectory(Home() + QStringLiteral("/t/work"));
  worker.start(QStringLiteral("/bin/sleep"), {QStringLiteral("30")});
  ASSERT_TRUE(holder.waitForStarted() && worker.waitForStarted());
  // Wait until the shell has the file open (a busy machine may take a while).
  ASSERT_TRUE(WaitUntil([&] { return !platform::PathsInUse(QFile::encodeName(held).toStdString()).empty(); }));

  EXPECT_FALSE(DeleteFolderTree(Home() + QStringLiteral("/t")));
  EXPECT_TRUE(QFileInfo::exists(held));
  EXPECT_TRUE(QFileInfo(Home() + QStringLiteral("/t/work")).isDir());
  EXPECT_FALSE(QFileInfo::exists(Home() + QStringLiteral("/t/app/other.txt")));
  EXPECT_FALSE(QFileInfo::exists(Home() + QStringLiteral("/t/free")));

  holder.kill();
  worker.kill();
  holder.waitForFinished();
  worker.waitForFinished();
  EXPECT_TRUE(DeleteFolderTree(Home() + QStringLiteral("/t")));
}

TEST_F(FuncTest, DeleteFolderTreeKeepsWhatTheSystemRefuses) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may delete from read-only folders";
  Write(QStringLiteral("t/locked/inner.txt"), "i");
  Write(QStringLiteral("t/b.txt"), "b");
  const QString locked = Home() + QStringLiteral("/t/locked");
  QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
  EXPECT_FALSE(DeleteFolderTree(Home() + QStringLiteral("/t")));
  EXPECT_TRUE(QFileInfo::exists(locked + QStringLiteral("/inner.txt")));
  EXPECT_FALSE(QFileInfo::exists(Home() + QStringLiteral("/t/b.txt")));
  QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(FuncTest, DocumentPlaceholderIsRemovedWithTheCharacterBeforeIt) {
  struct Row {
    const char* command;
    const char* expected;
  } rows[] = {
      {"\"/opt/web/browser\" \"%1\"", "\"/opt/web/browser\""},
      {"/opt/web/browser %1", "/opt/web/browser"},
      {"browser -new %1 -x", "browser -new -x"},
      {"firefox-esr %u", "firefox-esr"},
      {"chromium \"%U\" --flag", "chromium --flag"},
      {"viewer --name=%c %i %F", "viewer --name=%c"},
      {"web %i %k %u", "web"},
      {"plain", "plain"},
      {"%u", ""},
      {"echo 100%% %f", "echo 100%"},
  };
  for (const Row& r : rows)
    EXPECT_EQ(RemoveDocumentPlaceholder(QString::fromUtf8(r.command)), QString::fromUtf8(r.expected))
        << r.command;
}

TEST_F(FuncTest, OpenUrlUsesTheDesktopOpener) {
  FakeOnPath(QStringLiteral("xdg-open"));
  EXPECT_TRUE(OpenUrl(QStringLiteral("https://zot.example.org/")));
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].program, Home() + QStringLiteral("/bin/xdg-open"));
  EXPECT_EQ(starts[0].args, QStringList{QStringLiteral("https://zot.example.org/")});
}

TEST_F(FuncTest, OpenUrlFallsBackToTheHtmlHandlersCommand) {
  // No opener on the PATH; the registered HTML handler takes the address.
  Write(QStringLiteral(".config/mimeapps.list"),
        "[Default Applications]\ntext/html=gone.desktop;web.desktop;\n");
  Write(QStringLiteral(".local/share/applications/web.desktop"),
        "[Desktop Entry]\nName=Web\nExec=\"/opt/web browser/run\" \"%u\"\n[Desktop Action new]\nExec=other\n");
  EXPECT_TRUE(OpenUrl(QStringLiteral("https://zot.example.org/")));
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].program, QStringLiteral("/opt/web browser/run"));
  EXPECT_EQ(starts[0].args, QStringList{QStringLiteral("https://zot.example.org/")});

  EXPECT_EQ(ReadClassesRootDefault(QStringLiteral(".htm")), QStringLiteral("web.desktop"));
  EXPECT_EQ(ReadClassesRootDefault(QStringLiteral("web.desktop\\shell\\open\\command")),
            QStringLiteral("\"/opt/web browser/run\" \"%u\""));
  EXPECT_FALSE(ReadClassesRootDefault(QStringLiteral("gone.desktop\\shell\\open\\command")));
  EXPECT_FALSE(ReadClassesRootDefault(QStringLiteral("web.desktop")));
}

TEST_F(FuncTest, OpenUrlFallsBackToTheFirstHandlerOfTheMimeCache) {
  Write(QStringLiteral("share/applications/mimeinfo.cache"), "[MIME Cache]\ntext/html=cached.desktop;\n");
  Write(QStringLiteral("share/applications/cached.desktop"), "[Desktop Entry]\nExec=cached-browser %U\n");
  EXPECT_TRUE(OpenUrl(QStringLiteral("file:///help.html")));
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].program, QStringLiteral("cached-browser"));
  EXPECT_EQ(starts[0].args, QStringList{QStringLiteral("file:///help.html")});
}

TEST_F(FuncTest, OpenUrlFailsWhenNothingCanOpenIt) {
  EXPECT_FALSE(OpenUrl(QStringLiteral("https://zot.example.org/")));
  EXPECT_TRUE(starts.empty());
}

TEST_F(FuncTest, SendMailBuildsTheQuery) {
  FakeOnPath(QStringLiteral("xdg-open"));
  SendMail(QStringLiteral("mailto:zot@example.org?"));
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].args,
            QStringList{QStringLiteral("mailto:zot@example.org?cc= &subject=『ピポラ！』について&body= &")});
}

}  // namespace
