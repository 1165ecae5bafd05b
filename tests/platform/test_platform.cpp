#include "platform/folders.h"
#include "platform/instance.h"
#include "platform/process.h"
#include "support.h"

#include <QCoreApplication>
#include <QFile>
#include <QTest>

#include <atomic>
#include <thread>

namespace {

class PlatformTest : public ZotTest {};

TEST_F(PlatformTest, LibraryNamesBecomeSharedObjects) {
  EXPECT_EQ(platform::LibraryFileName(QStringLiteral("UNLHA32.DLL")), QStringLiteral("unlha32.so"));
  EXPECT_EQ(platform::LibraryFileName(QStringLiteral("unzip32.dll")), QStringLiteral("unzip32.so"));
  EXPECT_EQ(platform::LibraryFileName(QStringLiteral("ZIP32J.DLL")), QStringLiteral("zip32j.so"));
}

TEST_F(PlatformTest, SettingsFileFollowsXdgConfigHome) {
  EXPECT_EQ(platform::SettingsFilePath(), ConfigFile());
  qputenv("XDG_CONFIG_HOME", "/etc/elsewhere");
  EXPECT_EQ(platform::SettingsFilePath(), QStringLiteral("/etc/elsewhere/zot/zot.ini"));
}

TEST_F(PlatformTest, ProgramsStartInTheirFolderAndWindowsProgramsThroughWine) {
  const QString native = Write(QStringLiteral("run/tool"), "\x7f" "ELF...");
  const QString windows = Write(QStringLiteral("run/setup.exe"), "MZ\x90\x00");

  EXPECT_TRUE(platform::StartProgram(native, Home() + QStringLiteral("/run")));
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].program, native);
  EXPECT_TRUE(starts[0].args.isEmpty());
  EXPECT_EQ(starts[0].workDir, Home() + QStringLiteral("/run"));

  // Without wine a Windows program cannot start.
  EXPECT_FALSE(platform::StartProgram(windows, Home() + QStringLiteral("/run")));
  EXPECT_EQ(starts.size(), 1u);

  const QString wine = FakeOnPath(QStringLiteral("wine"));
  EXPECT_TRUE(platform::StartProgram(windows, Home() + QStringLiteral("/run")));
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_EQ(starts[1].program, wine);
  EXPECT_EQ(starts[1].args, QStringList{windows});
  EXPECT_EQ(starts[1].workDir, Home() + QStringLiteral("/run"));

  EXPECT_FALSE(platform::StartProgram(Home() + QStringLiteral("/run/missing"), Home()));
}

TEST_F(PlatformTest, RealDetachedStartRunsInItsWorkingFolder) {
  platform::SetLauncher({});
  const QString script = Write(QStringLiteral("run/mark.sh"), "#!/bin/sh\npwd > marker\n");
  QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner);
  ASSERT_TRUE(platform::StartProgram(script, Home() + QStringLiteral("/run")));
  const QString marker = Home() + QStringLiteral("/run/marker");
  ASSERT_TRUE(WaitUntil([&] { return QFile::exists(marker) && !ReadAll(marker).isEmpty(); }));
  EXPECT_EQ(ReadAll(marker).trimmed(), Home() + QStringLiteral("/run"));
}

TEST_F(PlatformTest, RunCommandLineSplitsWordsWithoutAShell) {
  EXPECT_TRUE(platform::RunCommandLine(QStringLiteral("\"/opt/a b/c\" --x 'y z' $HOME;rm")));
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].program, QStringLiteral("/opt/a b/c"));
  EXPECT_EQ(starts[0].args, (QStringList{QStringLiteral("--x"), QStringLiteral("'y"), QStringLiteral("z'"),
                                         QStringLiteral("$HOME;rm")}));
  EXPECT_FALSE(platform::RunCommandLine(QStringLiteral("   ")));
}

TEST_F(PlatformTest, ASecondCopyActivatesTheFirst) {
  const QString title = QStringLiteral("ピポラ！ test %1").arg(QCoreApplication::applicationPid());
  platform::SingleInstance first(title);
  int activations = 0;
  QStringList paths;
  ASSERT_TRUE(first.Listen([&](const QString& path) {
    ++activations;
    paths << path;
  }));

  // The second copy is another process in real life; a thread stands in for it.
  std::atomic<int> answered{-1};
  std::thread second([&] { answered = platform::SingleInstance(title).ActivateRunning() ? 1 : 0; });
  EXPECT_TRUE(WaitUntil([&] { return activations == 1; }));
  second.join();
  EXPECT_EQ(answered, 1);
  EXPECT_EQ(paths, QStringList{QString()});

  // A path rides along, whatever it holds.
  const QString odd = QStringLiteral("/tmp/a b\n\"c\"/書庫 %41.lzh");
  std::thread third([&] { answered = platform::SingleInstance(title).ActivateRunning(odd) ? 1 : 0; });
  EXPECT_TRUE(WaitUntil([&] { return activations == 2; }));
  third.join();
  EXPECT_EQ(paths.value(1), odd);

  // Another title is another program.
  EXPECT_FALSE(platform::SingleInstance(title + QStringLiteral("x")).ActivateRunning());
}

}  // namespace
