// Hostile archives through the real modules: what does not check out
// fails, names the member and leaves nothing behind; what points outside
// is never created. And the path rules the modules apply, as a table.
#include "Arcive/ArchiveFile.h"
#include "Arcive/LHA32.h"
#include "Arcive/TAR32.h"
#include "Arcive/ZIP32.h"
#include "platform/folders.h"
#include "platform/msgwindow.h"
#include "craft.h"
#include "policy.h"
#include "module_support.h"
#include "support.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cstring>
#include <map>
#include <set>

#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

namespace {

TEST_F(ModuleTest, MembersThatDoNotCheckOutFailAndAreRemoved) {
  const QString zip = Write(QStringLiteral("bad.zip"), craft::Zip({{"good.txt", "fine"}, {"bad.txt", "damaged", true}}));
  const QString lzh = Write(QStringLiteral("bad.lzh"), craft::Lzh("bad.txt", "hello", 0, true));
  // The header claims 4 GiB for 5 stored bytes.
  const QString liar = Write(QStringLiteral("liar.lzh"), craft::Lzh("liar.txt", "hello", 0xFFFFFFF0u));
  QFile cabIn(Data("basic.cab"));
  ASSERT_TRUE(cabIn.open(QIODevice::ReadOnly));
  QByteArray cabBytes = cabIn.readAll();
  cabBytes[cabBytes.size() - 20] = static_cast<char>(cabBytes[cabBytes.size() - 20] ^ 0xFF);  // in nums.txt's data
  const QString cab = Write(QStringLiteral("bad.cab"), cabBytes);
  struct Row {
    QString archive;
    const char* member;
    const char* says;
  } rows[] = {{zip, "bad.txt", "bad.txt: 展開できません。書庫が壊れています (ZIP bad CRC"},
              {lzh, "bad.txt", "bad.txt: 展開できません。書庫が壊れています (LHa data CRC error"},
              {liar, "liar.txt", "liar.txt: 展開できません。書庫に記録された大きさ (4294967280 バイト) と中身 (5 バイト) が合いません"},
              {cab, "nums.txt", "nums.txt: 展開できません。書庫が壊れています (Checksum error"}};
  for (const Row& r : rows) {
    const QString out = Home() + QStringLiteral("/out-") + QFileInfo(r.archive).fileName();
    QByteArray output;
    EXPECT_EQ(Extract(r.archive, out, AllMembers(), 1, &output), static_cast<int>(CA_ERROR_CORRUPT)) << r.member;
    EXPECT_TRUE(QString::fromUtf8(output).contains(QString::fromUtf8(r.says))) << output.constData();
    EXPECT_FALSE(QFileInfo::exists(out + QLatin1Char('/') + QLatin1String(r.member))) << r.member;
  }
  EXPECT_EQ(ReadAll(Home() + QStringLiteral("/out-bad.zip/good.txt")), QStringLiteral("fine"));
  EXPECT_EQ(ReadAll(Home() + QStringLiteral("/out-bad.cab/doc/a.txt")), QStringLiteral("body\n"));
}

TEST_F(ModuleTest, AnArchiveThatWouldFillTheDiskIsRefused) {
  const QString zip = Write(QStringLiteral("big.zip"), craft::Zip({{"a.bin", QByteArray(300000, 'a')},
                                                                   {"b.bin", QByteArray(300000, 'b')}}));
  const QString out = Home() + QStringLiteral("/bomb");
  QByteArray output;
  // 500 kB free for 600 kB of members: nothing is written.
  qputenv("ZOT_FREE_SPACE", "500000");
  EXPECT_EQ(Extract(zip, out, AllMembers(), 1, &output), static_cast<int>(CA_ERROR_FILE));
  EXPECT_TRUE(QString::fromUtf8(output).contains(QStringLiteral("展開先の空き容量が足りません")));
  EXPECT_TRUE(Files(out).isEmpty());
  // One member fits; and with room to spare everything does.
  EXPECT_EQ(Extract(zip, out, {QStringLiteral("a.bin")}, 1, &output), 0);
  qputenv("ZOT_FREE_SPACE", "100000000");
  EXPECT_EQ(Extract(zip, out, AllMembers(), 1, &output), 0);
  qunsetenv("ZOT_FREE_SPACE");
  EXPECT_EQ(Files(out), (QStringList{QStringLiteral("a.bin"), QStringLiteral("b.bin")}));
  // An LHA archive not listed before is checked by its worker, from the headers.
  const QString lzh = Write(QStringLiteral("big.lzh"), craft::Lzh("c.bin", QByteArray(600000, 'c')));
  const QString lzhOut = Home() + QStringLiteral("/lzhbomb");
  qputenv("ZOT_FREE_SPACE", "500000");
  EXPECT_EQ(Extract(lzh, lzhOut, AllMembers(), 1, &output), static_cast<int>(CA_ERROR_FILE));
  EXPECT_TRUE(QString::fromUtf8(output).contains(QStringLiteral("展開先の空き容量が足りません")));
  EXPECT_TRUE(Files(lzhOut).isEmpty());
  qunsetenv("ZOT_FREE_SPACE");
  EXPECT_EQ(Extract(lzh, lzhOut), 0);
}

TEST_F(ModuleTest, SpecialFilesAndLinksOutOfTheFolderAreNeverCreated) {
  const QString tar = Write(QStringLiteral("special.tar"),
                            craft::Tar({{"fifo.exe", '6'},
                                        {"dev", '3'},
                                        {"blk", '4'},
                                        {"pw", '2', {}, "/etc/passwd"},
                                        {"home", '2', {}, "../../.."},
                                        {"sub/climb", '2', {}, "../../x"},
                                        {"sub/twisted", '2', {}, "inner/../../../x"},
                                        {"sub/up", '2', {}, "../ok.txt"},
                                        {"ok.txt", '0', "fine"},
                                        {"suid", '0', "x", {}, 04755},
                                        {"locked", '5', {}, {}, 0000},
                                        {"locked/f", '0', "y"}}));
  const QString out = Home() + QStringLiteral("/special");
  QByteArray output;
  EXPECT_EQ(Extract(tar, out, AllMembers(), 1, &output), static_cast<int>(CA_ERROR_WARNING));
  const QString said = QString::fromUtf8(output);
  for (const char* name : {"fifo.exe", "dev", "blk"})
    EXPECT_TRUE(said.contains(QLatin1String(name) + QStringLiteral(": 特殊ファイル"))) << name;
  for (const char* name : {"pw", "home", "sub/climb", "sub/twisted"}) {
    EXPECT_TRUE(said.contains(QLatin1String(name) + QStringLiteral(": 展開先フォルダーの外を指すリンク"))) << name;
    EXPECT_FALSE(QFileInfo(out + QLatin1Char('/') + QLatin1String(name)).isSymLink()) << name;
  }
  QDir dir(out);
  EXPECT_FALSE(QFileInfo::exists(out + QStringLiteral("/fifo.exe")) || QFileInfo(out + QStringLiteral("/fifo.exe")).isSymLink());
  EXPECT_FALSE(QFileInfo::exists(out + QStringLiteral("/dev")));
  EXPECT_EQ(QFileInfo(out + QStringLiteral("/sub/up")).symLinkTarget(), out + QStringLiteral("/ok.txt"));
  EXPECT_EQ(ReadAll(out + QStringLiteral("/sub/up")), QStringLiteral("fine"));
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(out + QStringLiteral("/suid")).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 07000, 0u);
  // A folder stored without permissions still lets its owner in.
  ASSERT_EQ(::stat(QFile::encodeName(out + QStringLiteral("/locked")).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0700, 0700u);
  EXPECT_EQ(ReadAll(out + QStringLiteral("/locked/f")), QStringLiteral("y"));
}

TEST_F(ModuleTest, UndecodableNamesComeOutWithTheirBadBytesShown) {
  // Neither UTF-8 nor Shift-JIS (bytes 80 and FF, hex, are no Shift-JIS bytes).
  const QString zip = Write(QStringLiteral("names.zip"), craft::Zip({{"bad\xFF\x80name.txt", "b"}, {"ok.txt", "o"}}));
  EXPECT_EQ(List(zip), (QStringList{QStringLiteral("bad%FF%80name.txt"), QStringLiteral("ok.txt")}));
  const QString out = Home() + QStringLiteral("/names");
  EXPECT_EQ(Extract(zip, out), 0);
  EXPECT_EQ(ReadAll(out + QStringLiteral("/bad%FF%80name.txt")), QStringLiteral("b"));
  // And one by one, by the name the listing gave.
  const QString one = Home() + QStringLiteral("/one");
  EXPECT_EQ(Extract(zip, one, {QStringLiteral("bad%FF%80name.txt")}), 0);
  EXPECT_EQ(Files(one), QStringList{QStringLiteral("bad%FF%80name.txt")});
  // Backslashes of Windows tools separate folders.
  const QString win = Write(QStringLiteral("win.zip"), craft::Zip({{"dir\\file.txt", "w"}}));
  EXPECT_EQ(List(win), QStringList{QStringLiteral("dir/file.txt")});
}

TEST_F(ModuleTest, QuotesAndLineEndsInNamesCannotRedirectAnExtraction) {
  // A decoy "x" beside the archive `x" "*" ".zip`: an unescaped command line
  // would read the decoy and write into the working folder.
  Write(QStringLiteral("arc/x"), craft::Zip({{".bashrc", "evil"}}));
  const QString name = QStringLiteral("arc/x\" \"*\" \".zip");
  const QString real = Write(name, craft::Zip({{"say \"hi\".txt", "quoted"}, {"line\nend.txt", "lf"}, {"a<b>.txt", "lt"}}));
  QDir::setCurrent(Home());
  const QString out = Home() + QStringLiteral("/q \"out\"");
  QByteArray output;
  EXPECT_EQ(Extract(real, out, AllMembers(), 1, &output), 0) << output.constData();
  EXPECT_FALSE(QFileInfo::exists(Home() + QStringLiteral("/.bashrc")));
  EXPECT_EQ(ReadAll(out + QStringLiteral("/say \"hi\".txt")), QStringLiteral("quoted"));
  EXPECT_EQ(ReadAll(out + QStringLiteral("/line\nend.txt")), QStringLiteral("lf"));
  // Named members travel the same way, also through a response file.
  const QString one = Home() + QStringLiteral("/one");
  EXPECT_EQ(Extract(real, one, {QStringLiteral("say \"hi\".txt"), QStringLiteral("a<b>.txt")}), 0);
  EXPECT_EQ(Files(one), (QStringList{QStringLiteral("a<b>.txt"), QStringLiteral("say \"hi\".txt")}));
  TArchiveFile file;
  file.SetFileName(real);
  file.Options = MainWindowOptions();
  file.Options.ResFileName = Home() + QStringLiteral("/names.rsp");
  file.Options.ResFileUsage = ResUse(ruOnUnpack);
  const QString viaFile = Home() + QStringLiteral("/rsp");
  EXPECT_EQ(file.Extract(nullptr, nullptr, viaFile, {QStringList{QStringLiteral("line\nend.txt")}}), 0);
  EXPECT_EQ(Files(viaFile), QStringList{QStringLiteral("line\nend.txt")});
}

TEST_F(ModuleTest, AnExtractionWithoutAnAbsoluteFolderIsRefused) {
  QDir::setCurrent(Home());
  TArchiverDll lha(QStringLiteral("LHA"), QStringLiteral("UNLHA32.DLL"), QStringLiteral("Unlha"));
  lha.LoadDLL();
  QByteArray out(1024, '\0');
  for (const char* line : {"x \"%1\"", "x \"%1\" \"relative/\""}) {
    const int status = lha.Command(nullptr, QString::fromLatin1(line).arg(Data("level2.lzh")).toUtf8(), out.data(), out.size());
    EXPECT_EQ(status, static_cast<int>(CA_ERROR_COMMAND)) << line;
    EXPECT_TRUE(QString::fromUtf8(out.constData()).contains(QStringLiteral("絶対パスではありません"))) << line;
  }
  EXPECT_FALSE(QFileInfo::exists(Home() + QStringLiteral("/readme.txt")));
  EXPECT_FALSE(QFileInfo::exists(Home() + QStringLiteral("/relative")));
}

}  // namespace

namespace {

// What a stored path may become below the destination, as the modules'
// extraction applies it: the contract of SafeRelativePath as a table.
TEST(SafePathTest, WhatAStoredPathMayBecome) {
  struct Row {
    const char* path;
    bool junk;
    const char* safe;
    bool refused;
  } rows[] = {
      {"a/b.txt", false, "a/b.txt", false},   {"a\\b.txt", false, "a/b.txt", false}, {"./a//b", false, "a/b", false},
      {"dir/", false, "dir", false},          {"a/b.txt", true, "b.txt", false},     {"../x", false, "", true},
      {"a/../x", false, "", true},            {"a/..", true, "", true},              {"/etc/passwd", false, "", true},
      {"/etc/passwd", true, "passwd", false}, {"C:\\x", false, "", true},            {"C:\\x", true, "x", false},
      {"", false, "", false},                 {".", false, "", false},               {"./", true, "", false},
  };
  for (const Row& r : rows) {
    bool refused = !r.refused;
    EXPECT_EQ(arc::SafeRelativePath(r.path, r.junk, &refused), r.safe) << r.path << (r.junk ? " (junk)" : "");
    EXPECT_EQ(refused, r.refused) << r.path << (r.junk ? " (junk)" : "");
  }
}

}  // namespace
