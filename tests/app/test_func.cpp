#include "app/func.h"
#include "app/textcodec.h"
#include "hostile_paths.h"
#include "platform/folders.h"
#include "platform/inuse.h"
#include "support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <QThread>

#include <optional>

#include <sys/stat.h>
#include <sys/wait.h>
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
  EXPECT_EQ(MakeTempRoot(QStringLiteral("/home/u/.local/share")), QStringLiteral("/home/u/.local/share/zot/"));
  EXPECT_EQ(MakeTempRoot(QStringLiteral("/data/Roaming/")), QStringLiteral("/data/Roaming/zot/"));
  // No application-data folder: no fixed name (see NewPrivateTempFolder).
  EXPECT_EQ(MakeTempRoot(QString()), QString());
}

TEST_F(FuncTest, TempRootIsAPrivateFolderOfOurOwn) {
  auto mode = [](const QString& p) {
    struct stat st {};
    ::lstat(QFile::encodeName(p).constData(), &st);
    return st.st_mode & 07777;
  };
  const QString root = Home() + QStringLiteral("/data/zot");
  EXPECT_EQ(platform::MakePrivateFolder(root), QString());
  EXPECT_EQ(mode(root), 0700u);
  // One left open to others is tightened.
  ::chmod(QFile::encodeName(root).constData(), 0777);
  EXPECT_EQ(platform::MakePrivateFolder(root + QLatin1Char('/')), QString());
  EXPECT_EQ(mode(root), 0700u);
  // A link in its place is refused, and what it points to is left alone.
  QDir().mkpath(Home() + QStringLiteral("/elsewhere"));
  ::chmod(QFile::encodeName(Home() + QStringLiteral("/elsewhere")).constData(), 0755);
  ASSERT_EQ(::symlink("../elsewhere", QFile::encodeName(Home() + QStringLiteral("/data/linked")).constData()), 0);
  EXPECT_EQ(platform::MakePrivateFolder(Home() + QStringLiteral("/data/linked")), QStringLiteral("シンボリックリンクです"));
  EXPECT_EQ(mode(Home() + QStringLiteral("/elsewhere")), 0755u);
  Write(QStringLiteral("data/file"), "f");
  EXPECT_FALSE(platform::MakePrivateFolder(Home() + QStringLiteral("/data/file")).isEmpty());

  // The fallback: a new private folder each time.
  const QString a = platform::NewPrivateTempFolder(), b = platform::NewPrivateTempFolder();
  ASSERT_FALSE(a.isEmpty());
  EXPECT_NE(a, b);
  EXPECT_TRUE(a.startsWith(platform::TempFolder() + QStringLiteral("/zot-")));
  EXPECT_EQ(mode(a), 0700u);
  EXPECT_TRUE(DeleteFolderTree(a) && DeleteFolderTree(b));
}

// Every member name the windows turn into a path, hostile ones included.
TEST_F(FuncTest, MemberPathsStayInsideTheirFolder) {
  const QString root = Home() + QStringLiteral("/root");
  QDir().mkpath(root);
  struct Row {
    const char* member;
    const char* expected;  // below root, or nullptr when refused
  } rows[] = {
      {"readme.txt", "readme.txt"},
      {"doc/sub/a.txt", "doc/sub/a.txt"},
      {"/leading/slash.txt", nullptr},
      {"doc\\win.txt", "doc/win.txt"},
      {"./doc/./a.txt", "doc/a.txt"},
      {"doc//a.txt", "doc/a.txt"},
      {"../x", nullptr},
      {"a/../../x", nullptr},
      {"a/../x", nullptr},
      {"..\\x", nullptr},
      {"a\\..\\..\\x", nullptr},
      {"..", nullptr},
      {"/abs", nullptr},
      {"/etc/passwd", nullptr},
      {"\\abs", nullptr},
      {"C:\\x", nullptr},
      {"c:/x", nullptr},
      {"", nullptr},
      {"/", nullptr},
      {".", nullptr},
      {"say \"hi\".txt", "say \"hi\".txt"},
      {"x\" \"*\" \".zip", "x\" \"*\" \".zip"},
      {"..foo/bar..", "..foo/bar.."},
      // Shift-JIS names whose second byte is 0x5C reach us decoded: no separator.
      {"表.txt", "表.txt"},
      {"ソフト/能.txt", "ソフト/能.txt"},
      {"bad%FF%FEname.txt", "bad%FF%FEname.txt"},
  };
  for (const Row& r : rows) {
    const std::optional<QString> got = MemberPathIn(root, QString::fromUtf8(r.member));
    if (!r.expected) {
      EXPECT_FALSE(got) << r.member << " -> " << got.value_or(QString()).toStdString();
    } else {
      ASSERT_TRUE(got) << r.member;
      EXPECT_EQ(*got, root + QLatin1Char('/') + QString::fromUtf8(r.expected)) << r.member;
    }
  }
  // What stands there now counts too: a link out of the folder is refused.
  QDir().mkpath(Home() + QStringLiteral("/outside"));
  Write(QStringLiteral("outside/secret.txt"), "s");
  ASSERT_EQ(::symlink(QFile::encodeName(Home() + QStringLiteral("/outside")).constData(),
                      QFile::encodeName(root + QStringLiteral("/out")).constData()), 0);
  ASSERT_EQ(::symlink("../outside/secret.txt", QFile::encodeName(root + QStringLiteral("/s.txt")).constData()), 0);
  ASSERT_EQ(::symlink("gone", QFile::encodeName(root + QStringLiteral("/dangling.txt")).constData()), 0);
  Write(QStringLiteral("root/in.txt"), "i");
  ASSERT_EQ(::symlink("in.txt", QFile::encodeName(root + QStringLiteral("/alias.txt")).constData()), 0);
  EXPECT_FALSE(MemberPathIn(root, QStringLiteral("out/secret.txt")));
  EXPECT_FALSE(MemberPathIn(root, QStringLiteral("s.txt")));
  EXPECT_FALSE(MemberPathIn(root, QStringLiteral("dangling.txt")));
  EXPECT_EQ(MemberPathIn(root, QStringLiteral("alias.txt")), root + QStringLiteral("/alias.txt"));
  EXPECT_EQ(MemberPathIn(root + QLatin1Char('/'), QStringLiteral("in.txt")), root + QStringLiteral("/in.txt"));
  // An empty, relative or root folder holds nothing.
  for (const char* folder : {"", "relative", "/", "//"})
    EXPECT_FALSE(MemberPathIn(QString::fromLatin1(folder), QStringLiteral("a.txt"))) << folder;
}

// The program's side of the hostile-path table: the file a member became,
// found only below the folder, links planted as an extraction would leave them.
TEST_F(FuncTest, HostilePathsAsTheProgramFindsThem) {
  const QString root = Home() + QStringLiteral("/hostile");
  Write(QStringLiteral("hostile/a/b.txt"), "b");
  Write(QStringLiteral("outside.txt"), "o");
  for (const hostile::Row& r : hostile::kRows) {
    const QString member = r.cp932 ? DecodeAs(r.stored, "CP932") : QString::fromUtf8(r.stored);
    SCOPED_TRACE(r.stored);
    if (r.link == 's') {
      const QString at = root + QLatin1Char('/') + member;
      QDir().mkpath(QFileInfo(at).path());
      ASSERT_EQ(::symlink(r.target, QFile::encodeName(at).constData()), 0);
    }
    const std::optional<QString> got = MemberPathIn(root, member);
    if (r.program == hostile::Program::Refused) {
      EXPECT_FALSE(got) << got.value_or(QString()).toStdString();
    } else {
      ASSERT_TRUE(got);
      EXPECT_EQ(*got, root + QLatin1Char('/') + QString::fromUtf8(r.placed));
    }
  }
}

TEST_F(FuncTest, TempRootFollowsTheDataHome) {
  EXPECT_EQ(MakeTempRoot(GetSpecialFolder(26)),
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

// Runs f as the unprivileged user "nobody" in a child process (root may
// delete from any folder, so the permission rules only show without it).
template <typename F>
int AsNobody(F&& f) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(99);
    ::_exit(f());
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
}

void Chown(const QString& path) {
  ASSERT_EQ(::lchown(QFile::encodeName(path).constData(), 65534, 65534), 0) << path.toStdString();
}

TEST_F(FuncTest, DeleteFolderTreeRepairsPermissionsAndSaysWhatTheSystemRefuses) {
  // Folders with 0555 and 0000, as archives and programs may leave them, go;
  // a folder of another user (which we may not change) stays and is said.
  const QString t = Home() + QStringLiteral("/t");
  Write(QStringLiteral("t/ro/inner.txt"), "i");
  Write(QStringLiteral("t/none/deeper/x.txt"), "x");
  Write(QStringLiteral("t/b.txt"), "b");
  Write(QStringLiteral("t/foreign/kept.txt"), "k");
  const bool root = ::geteuid() == 0;
  if (root) {
    for (const char* p : {"", "/ro", "/ro/inner.txt", "/none", "/none/deeper", "/none/deeper/x.txt", "/b.txt"})
      Chown(t + QLatin1String(p));
    ::chmod(QFile::encodeName(Home()).constData(), 0755);
  }
  ::chmod(QFile::encodeName(t + QStringLiteral("/foreign")).constData(), 0755);
  ::chmod(QFile::encodeName(t + QStringLiteral("/ro")).constData(), 0555);
  ::chmod(QFile::encodeName(t + QStringLiteral("/none/deeper")).constData(), 0000);
  ::chmod(QFile::encodeName(t + QStringLiteral("/none")).constData(), 0000);

  auto run = [&] {
    TDeleteReport report;
    const bool ok = DeleteFolderTree(t, &report);
    if (ok || !report.inUse.isEmpty()) return 1;
    // Only what lies in the foreign folder is refused; the folders above stay quietly.
    if (report.failed.size() != 1 || !report.failed[0].startsWith(t + QStringLiteral("/foreign/kept.txt: ")))
      return 2;
    return 0;
  };
  if (root) {
    EXPECT_EQ(AsNobody(run), 0);
  } else {
    // Without root there is no foreign folder to make; the repair still shows.
    ::chmod(QFile::encodeName(t + QStringLiteral("/foreign")).constData(), 0555);
    EXPECT_FALSE(DeleteFolderTree(t));
    QFile::setPermissions(t + QStringLiteral("/foreign"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }
  EXPECT_FALSE(QFileInfo::exists(t + QStringLiteral("/ro")));
  EXPECT_FALSE(QFileInfo::exists(t + QStringLiteral("/none")));
  EXPECT_FALSE(QFileInfo::exists(t + QStringLiteral("/b.txt")));
  EXPECT_TRUE(root ? QFileInfo::exists(t + QStringLiteral("/foreign/kept.txt")) : true);
}

TEST_F(FuncTest, InUseIsSeenThroughALinkedDataFolder) {
  // ~/.local/share may be a link to another disk: the scan and the deletion
  // must agree on the paths.
  QDir().mkpath(Home() + QStringLiteral("/disk/zot/run"));
  ASSERT_EQ(::symlink(QFile::encodeName(Home() + QStringLiteral("/disk")).constData(),
                      QFile::encodeName(Home() + QStringLiteral("/share-link")).constData()), 0);
  const QString via = Home() + QStringLiteral("/share-link/zot/");
  QProcess worker;
  worker.setWorkingDirectory(Home() + QStringLiteral("/disk/zot/run"));
  worker.start(QStringLiteral("/bin/sleep"), {QStringLiteral("30")});
  ASSERT_TRUE(worker.waitForStarted());
  ASSERT_TRUE(WaitUntil([&] { return !platform::PathsInUse(QFile::encodeName(via).toStdString()).empty(); }));
  TDeleteReport report;
  EXPECT_FALSE(DeleteFolderTree(via, &report));
  EXPECT_TRUE(QFileInfo(Home() + QStringLiteral("/disk/zot/run")).isDir());
  EXPECT_EQ(report.inUse, QStringList{QFileInfo(Home() + QStringLiteral("/disk/zot/run")).canonicalFilePath()});
  EXPECT_TRUE(report.failed.isEmpty());
  worker.kill();
  worker.waitForFinished();
  EXPECT_TRUE(DeleteFolderTree(via));
  EXPECT_TRUE(QFileInfo(Home() + QStringLiteral("/disk")).isDir());
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
