// Our archiver modules, driven through the program's archive access layer
// on archives made by other tools (tests/data/make-fixtures.sh).
#include "Arcive/ArchiveFile.h"
#include "Arcive/LHA32.h"
#include "Arcive/TAR32.h"
#include "Arcive/ZIP32.h"
#include "platform/folders.h"
#include "platform/msgwindow.h"
#include "craft.h"
#include "lzhread.h"
#include "policy.h"
#include "text.h"
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

TEST_F(ModuleTest, ListingsMatchBsdtar) {
  for (const char* name : {"level0.lzh", "level1.lzh", "level2.lzh", "lh6.lzh", "lh7.lzh", "info.zip", "basic.cab",
                           "basic.tar", "basic.tgz", "utf8.zip"}) {
    const QString path = Data(name);
    // Tar kinds are known by their endings now, like the others.
    const QStringList ours = List(path);
    EXPECT_EQ(ours, Bsdtar(path)) << name;
  }
}

TEST_F(ModuleTest, ShiftJisNamesAreDecodedAndSurviveExtraction) {
  const QStringList expected = {QStringLiteral("ソフト.txt"), QStringLiteral("能.txt"), QStringLiteral("表.txt")};
  for (const char* name : {"sjis.lzh", "sjis.zip", "sjis.cab", "utf8.zip"}) {
    QStringList listed = List(Data(name));
    listed.sort();
    EXPECT_EQ(listed, expected) << name;
    const QString out = Home() + QStringLiteral("/out-") + QLatin1String(name);
    EXPECT_EQ(Extract(Data(name), out), 0) << name;
    EXPECT_EQ(Files(out), expected) << name;
    EXPECT_EQ(ReadAll(out + QStringLiteral("/表.txt")), QStringLiteral("hyo")) << name;
  }
}

TEST_F(ModuleTest, MasksSelectMembersWithoutRegardToCase) {
  EXPECT_EQ(List(Data("level2.lzh"), "*.TXT"),
            (QStringList{QStringLiteral("readme.txt"), QStringLiteral("doc/a.txt"), QStringLiteral("nums.txt")}));
  EXPECT_EQ(List(Data("info.zip"), "*.exe"), QStringList{QStringLiteral("bin/setup.exe")});
  EXPECT_EQ(List(Data("info.zip"), "doc/?.txt"), QStringList{QStringLiteral("doc/a.txt")});
  EXPECT_TRUE(List(Data("info.zip"), "*.com").isEmpty());
}

TEST_F(ModuleTest, ExtractionRestoresContentsTimesAndExecutableBits) {
  const QDateTime stamp(QDate(2024, 5, 17), QTime(13, 45, 30), Qt::UTC);
  for (const char* name : {"level1.lzh", "level2.lzh", "info.zip", "basic.tgz", "lhasfx.exe", "zipsfx.exe"}) {
    const QString out = Home() + QStringLiteral("/x-") + QLatin1String(name);
    EXPECT_EQ(Extract(Data(name), out), 0) << name;
    EXPECT_EQ(ReadAll(out + QStringLiteral("/readme.txt")), QStringLiteral("hello\r\n")) << name;
    EXPECT_EQ(ReadAll(out + QStringLiteral("/doc/a.txt")), QStringLiteral("body\n")) << name;
    EXPECT_EQ(QFileInfo(out + QStringLiteral("/readme.txt")).lastModified().toUTC(), stamp) << name;
    const QFileInfo setup(out + QStringLiteral("/bin/setup.exe"));
    EXPECT_TRUE(setup.exists()) << name;
    // jlha keeps no Unix mode in LHA archives; the other tools do.
    if (!QString(QLatin1String(name)).contains(QStringLiteral("lzh")) && QLatin1String(name) != QLatin1String("lhasfx.exe")) {
      EXPECT_TRUE(setup.permissions() & QFile::ExeOwner) << name;
    }
  }
  // The compressible file decodes to the same bytes with every LHA method.
  QProcess seq;
  seq.start(QStringLiteral("/usr/bin/seq"), {QStringLiteral("1"), QStringLiteral("20000")});
  seq.waitForFinished();
  const QByteArray nums = seq.readAllStandardOutput();
  for (const char* name : {"level0.lzh", "lh6.lzh", "lh7.lzh", "basic.cab"}) {
    const QString out = Home() + QStringLiteral("/n-") + QLatin1String(name);
    EXPECT_EQ(Extract(Data(name), out), 0) << name;
    QFile f(out + QStringLiteral("/nums.txt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    EXPECT_EQ(f.readAll(), nums) << name;
  }
}

TEST_F(ModuleTest, NamedMembersOnlyWithOrWithoutStoredPaths) {
  const QString out = Home() + QStringLiteral("/named");
  EXPECT_EQ(Extract(Data("info.zip"), out, {QStringLiteral("doc/a.txt"), QStringLiteral("bin/setup.exe")}), 0);
  EXPECT_EQ(Files(out), (QStringList{QStringLiteral("bin/setup.exe"), QStringLiteral("doc/a.txt")}));
  for (const char* name : {"level2.lzh", "info.zip", "basic.cab", "basic.tar"}) {
    const QString flat = Home() + QStringLiteral("/flat-") + QLatin1String(name);
    EXPECT_EQ(Extract(Data(name), flat, {QStringLiteral("doc/a.txt")}, 0), 0) << name;
    EXPECT_EQ(Files(flat), QStringList{QStringLiteral("a.txt")}) << name;
  }
}

TEST_F(ModuleTest, ExtractingAgainReplacesWhatIsThere) {
  const QString out = Home() + QStringLiteral("/again");
  Write(QStringLiteral("again/readme.txt"), "old and longer content");
  QFile::setPermissions(out + QStringLiteral("/readme.txt"), QFile::ReadOwner);
  EXPECT_EQ(Extract(Data("level2.lzh"), out), 0);
  EXPECT_EQ(Extract(Data("level2.lzh"), out), 0);
  EXPECT_EQ(ReadAll(out + QStringLiteral("/readme.txt")), QStringLiteral("hello\r\n"));
}

TEST_F(ModuleTest, NothingIsWrittenOutsideTheFolder) {
  const QString out = Home() + QStringLiteral("/jail/in");
  QByteArray output;
  EXPECT_NE(Extract(Data("evil.zip"), out, AllMembers(), 1, &output), 0);
  EXPECT_EQ(Files(Home() + QStringLiteral("/jail")), (QStringList{QStringLiteral("in/after.txt"), QStringLiteral("in/good.txt")}));
  EXPECT_FALSE(QFile::exists(QStringLiteral("/tmp/abs-evil.txt")));
  EXPECT_TRUE(QString::fromUtf8(output).contains(QStringLiteral("../evil.txt: 展開先フォルダーの外を指す")));

  const QString tarOut = Home() + QStringLiteral("/tarjail");
  QFile::remove(QStringLiteral("/tmp/zot-evil.txt"));
  EXPECT_NE(Extract(Data("evil.tar"), tarOut, AllMembers(), 1, &output), 0);
  EXPECT_FALSE(QFile::exists(QStringLiteral("/tmp/zot-evil.txt")));
  EXPECT_EQ(ReadAll(tarOut + QStringLiteral("/fine.txt")), QStringLiteral("ok"));
}

TEST_F(ModuleTest, DamagedArchivesFailWithAMessage) {
  struct Row {
    const char* name;
    bool lists;
  } rows[] = {{"truncated.lzh", false}, {"truncated.zip", false}, {"notarchive.zip", false},
              {"corrupt.lzh", true},    {"corrupt.cab", true}};
  for (const Row& r : rows) {
    TArchiveFile file;
    file.SetFileName(Data(r.name));
    const int opened = file.OpenArchive(nullptr, 0);
    if (opened == 0) file.CloseArchive();
    if (!r.lists) {
      EXPECT_EQ(opened, 1) << r.name;
    }
    QByteArray output;
    EXPECT_NE(Extract(Data(r.name), Home() + QStringLiteral("/bad"), AllMembers(), 1, &output), 0) << r.name;
    EXPECT_FALSE(output.isEmpty()) << r.name;
  }
}

// RAR5 folder entries have no data to read; asking for it is an error there.
TEST_F(ModuleTest, ARar5ArchiveWithFoldersExtractsCleanly) {
  const QString to = Home() + QStringLiteral("/rar5");
  QByteArray output;
  EXPECT_EQ(Extract(Data("rar5_fileattr.rar"), to, AllMembers(), 1, &output), 0) << output.constData();
  EXPECT_FALSE(output.contains("壊れて")) << output.constData();
  for (const char* folder : {"dir_readonly", "dir_hidden", "dir_system", "dir_rohidden"})
    EXPECT_TRUE(QFileInfo(to + QLatin1Char('/') + QLatin1String(folder)).isDir()) << folder;
  EXPECT_EQ(Files(to), (QStringList{QStringLiteral("hidden.txt"), QStringLiteral("readonly.txt"),
                                    QStringLiteral("ro_hidden.txt"), QStringLiteral("system.txt")}));
}

// A header with a negative size: no member can be read, so it is no archive,
// whichever way the size is written (base-256 or a minus sign).
TEST_F(ModuleTest, ATarOfWhichNoMemberCanBeReadIsNotAnArchive) {
  for (const QByteArray& field : {QByteArray(12, '\xff'), QByteArray("-0000000001\0", 12), QByteArray("pax")})
  for (const bool gzipped : {false, true}) {
    craft::TarMember m{"a.txt", '0', "hello\n"};
    std::vector<craft::TarMember> members;
    if (field == "pax") members.push_back({"PaxHeader/a.txt", 'x', "11 size=-1\n"});
    else m.sizeField = field;
    members.push_back(m);
    QString tar = Write(QStringLiteral("neg.tar"), craft::Tar(members));
    if (gzipped) {
      QProcess::execute(QStringLiteral("/usr/bin/gzip"), {QStringLiteral("-f"), tar});
      tar += QStringLiteral(".gz");
    }
    TArchiveFile file;
    file.SetFileName(tar);
    file.SetArchiverType(atTar);
    const int opened = file.OpenArchive(nullptr, 0);
    if (opened == 0) file.CloseArchive();
    EXPECT_NE(opened, 0) << field.toHex().constData();
    QByteArray output;
    EXPECT_NE(Extract(tar, Home() + QStringLiteral("/neg"), AllMembers(), 1, &output), 0) << field.toHex().constData();
    EXPECT_FALSE(output.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(Home() + QStringLiteral("/neg/a.txt")));
  }
  // An empty tar is still an archive, just one without members.
  const QString empty = Write(QStringLiteral("empty.tar"), QByteArray(10240, '\0'));
  TArchiveFile file;
  file.SetFileName(empty);
  file.SetArchiverType(atTar);
  EXPECT_EQ(file.OpenArchive(nullptr, 0), 0);
  file.CloseArchive();
}

// Each name selects its own member only, inline and through a response file:
// "*" and "?" in a name are characters, "@" does not open a response file,
// and letters in another case are another member.
TEST_F(ModuleTest, ANameSelectsOnlyItsOwnMember) {
  const std::vector<QByteArray> names = {"*.txt", "doc/b.txt", "a?.txt", "ab.txt", "[x].txt", "x.txt", "@a.txt",
                                         "a.txt", "@", "*", "c<d.txt", "q\"u.txt", "README.txt", "readme.txt"};
  std::vector<craft::ZipMember> members;
  for (const QByteArray& n : names) members.push_back({n, "content of " + n});
  const QString zip = Write(QStringLiteral("names.zip"), craft::Zip(members));
  int round = 0;
  for (const QByteArray& n : names) {
    for (const bool viaFile : {false, true}) {
      const QString to = Home() + QStringLiteral("/out%1").arg(round++);
      TArchiveFile file;
      file.SetFileName(zip);
      file.Options = MainWindowOptions();
      if (viaFile) {
        file.Options.ResFileUsage = ResUse(ruOnUnpack);
        file.Options.ResFileName = Home() + QStringLiteral("/names.rsp");
      }
      file.SetOutputSize(4096);
      EXPECT_EQ(file.Extract(nullptr, nullptr, to, {QStringList{QString::fromUtf8(n)}}), 0)
          << n.constData() << " " << file.Output.constData();
      EXPECT_EQ(Files(to), QStringList{QString::fromUtf8(n)}) << n.constData() << (viaFile ? " (file)" : "");
    }
  }
  // Written without escapes, "*" and "?" stay wildcards (ASCII case aside);
  // escaped, they are characters.
  EXPECT_TRUE(arc::NameWanted({"doc/*"}, "doc/b.txt"));
  EXPECT_TRUE(arc::NameWanted({"*.TXT"}, "doc/b.txt"));
  EXPECT_TRUE(arc::NameWanted({"a?.txt"}, "ab.txt"));
  EXPECT_FALSE(arc::NameWanted({"<2A>.txt"}, "doc/b.txt"));
  EXPECT_TRUE(arc::NameWanted({"<2A>.txt"}, "*.txt"));
  EXPECT_FALSE(arc::NameWanted({"a<3F>.txt"}, "ab.txt"));
  EXPECT_FALSE(arc::NameWanted({"README.txt"}, "readme.txt"));
  EXPECT_TRUE(arc::NameWanted({"c<3C>d.txt"}, "c<d.txt"));
}

TEST_F(ModuleTest, MembersInAnUndecodableMethodAreListedButNotExtracted) {
  EXPECT_EQ(List(Data("lh1.lzh")), (QStringList{QStringLiteral("readme.txt"), QStringLiteral("doc/a.txt"),
                                                 QStringLiteral("bin/setup.exe")}));
  QByteArray output;
  const QString out = Home() + QStringLiteral("/old");
  EXPECT_EQ(Extract(Data("lh1.lzh"), out, AllMembers(), 1, &output), static_cast<int>(CA_ERROR_UNSUPPORTED));
  EXPECT_TRUE(QString::fromUtf8(output).contains(QStringLiteral("readme.txt: 圧縮方式に対応していない")));
  EXPECT_TRUE(Files(out).isEmpty());  // no empty stand-ins for what could not be decoded
}

TEST_F(ModuleTest, AWorkerThatCrashesOrHangsBecomesAStatus) {
  qputenv("ZOT_ARCWORKER_FAULT", "crash");
  QByteArray output;
  EXPECT_EQ(Extract(Data("info.zip"), Home() + QStringLiteral("/c"), AllMembers(), 1, &output), static_cast<int>(CA_ERROR_WORKER));
  EXPECT_TRUE(QString::fromUtf8(output).contains(QStringLiteral("異常終了")));
  EXPECT_EQ(List(Data("info.zip")), QStringList{QStringLiteral("(not opened)")});

  qputenv("ZOT_ARCWORKER_FAULT", "hang");
  qputenv("ZOT_ARCWORKER_TIMEOUT_MS", "300");
  EXPECT_EQ(Extract(Data("info.zip"), Home() + QStringLiteral("/h"), AllMembers(), 1, &output), static_cast<int>(CA_ERROR_WORKER));
  EXPECT_TRUE(QString::fromUtf8(output).contains(QStringLiteral("応答しなくなった")));
  qunsetenv("ZOT_ARCWORKER_FAULT");
  qunsetenv("ZOT_ARCWORKER_TIMEOUT_MS");
  EXPECT_EQ(List(Data("info.zip")).size(), 4);
}

TEST_F(ModuleTest, ProgressNamesMembersAndACancelRemovesThePartialFile) {
  TArchiveFile file;
  file.SetFileName(Data("level2.lzh"));
  file.Options.x = 1;
  file.Options.jse = 0;
  file.Options.jso = 1;
  QStringList members;
  uint64_t lastWritten = 0;
  file.OnProgress = [&](TArchiveFile*, int state, void* lpEis, bool& abort) {
    const auto* info = static_cast<const CaExtractingInfo*>(lpEis);
    if (state == CA_STATE_INPROCESS && !members.contains(QString::fromUtf8(info->member_path)))
      members << QString::fromUtf8(info->member_path);
    lastWritten = info->written;
    // Stop as nums.txt starts.
    abort = state == CA_STATE_INPROCESS && QByteArray(info->member_path) == "nums.txt";
  };
  const QString out = Home() + QStringLiteral("/progress");
  EXPECT_EQ(file.Extract(nullptr, nullptr, out, AllMembers()), static_cast<int>(CA_ERROR_CANCEL));
  EXPECT_EQ(members.last(), QStringLiteral("nums.txt"));
  EXPECT_TRUE(members.contains(QStringLiteral("doc/a.txt")));
  EXPECT_TRUE(QFile::exists(out + QStringLiteral("/readme.txt")));
  EXPECT_FALSE(QFile::exists(out + QStringLiteral("/nums.txt")));
  Q_UNUSED(lastWritten);
}

TEST_F(ModuleTest, SelfExtractingProgramsAreRecognisedByContent) {
  EXPECT_EQ(TArchiveFile::DetectArchiverType(Data("lhasfx.exe"), true), atLha);
  EXPECT_EQ(TArchiveFile::DetectArchiverType(Data("zipsfx.exe"), true), atZip);
  EXPECT_EQ(TArchiveFile::DetectArchiverType(Data("notarchive.zip"), false), atNone);
  EXPECT_EQ(List(Data("lhasfx.exe")).size(), 4);
}

TEST_F(ModuleTest, MemoryExtractionAndCreation) {
  TLha32 lha;
  TArchiverOptions o;
  o.jso = 1;
  unsigned char buf[64] = {};
  uint32_t written = 0;
  EXPECT_EQ(lha.ExtractMem(nullptr, Data("level2.lzh"), o, QStringLiteral("doc/a.txt"), buf, sizeof buf, &written), 0);
  EXPECT_EQ(QByteArray(reinterpret_cast<char*>(buf), static_cast<int>(written)), "body\n");

  // ZIP32J creates; the archive then lists through UNZIP32.
  Write(QStringLiteral("src/one.txt"), "1");
  Write(QStringLiteral("src/sub/two.txt"), "22");
  const QString zipPath = Home() + QStringLiteral("/made.zip");
  TZip32 zip;
  QByteArray out(1024, '\0');
  TArchiverOptions pack;
  pack.r = 1;
  EXPECT_EQ(zip.Pack(nullptr, zipPath, pack, Home() + QStringLiteral("/src"),
                     {QStringLiteral("one.txt"), QStringLiteral("sub")}, false, out),
            0)
      << out.constData();
  EXPECT_EQ(List(zipPath), (QStringList{QStringLiteral("one.txt"), QStringLiteral("sub/two.txt")}));

  TTar32 tar;
  const QString tarPath = Home() + QStringLiteral("/made.tgz");
  EXPECT_EQ(tar.Pack(nullptr, tarPath, TArchiverOptions(), Home() + QStringLiteral("/src"),
                     {QStringLiteral("one.txt")}, false, out),
            0);
  EXPECT_EQ(Bsdtar(tarPath), QStringList{QStringLiteral("one.txt")});

  // LHA answers that it cannot create, with a message.
  o.jse = 0;
  EXPECT_NE(lha.Pack(nullptr, Home() + QStringLiteral("/x.lzh"), o, Home(), {QStringLiteral("src")}, false, out), 0);
  EXPECT_TRUE(QString::fromUtf8(out.constData()).contains(QStringLiteral("対応していません")));
}

// Hostile archives: what does not check out fails, names the member and
// leaves nothing behind; what points outside is never created.
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

// Every LHA method and header level, against an independent decoder: what
// Debian's lhasa extracts from archives of historical tools, ours must too
// (names compared without regard to case: lhasa lower-cases MS-DOS names).
TEST_F(ModuleTest, LhaArchivesOfEveryMethodAndLevelMatchLhasa) {
  auto tree = [](const QString& folder) {
    std::map<QString, QByteArray> out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QString path = it.next();
      QFile f(path);
      f.open(QIODevice::ReadOnly);
      out[QDir(folder).relativeFilePath(path).toLower()] = f.readAll();
    }
    return out;
  };
  QStringList archives = QDir(kData + QStringLiteral("/lzh")).entryList({QStringLiteral("*.lzh"), QStringLiteral("*.lzs")});
  for (const char* mine : {"level0.lzh", "level1.lzh", "level2.lzh", "lh6.lzh", "lh7.lzh"})
    archives << QStringLiteral("../") + QLatin1String(mine);
  ASSERT_GE(archives.size(), 20);
  for (const QString& name : archives) {
    const QString archive = QDir::cleanPath(kData + QStringLiteral("/lzh/") + name);
    const QString ours = Home() + QStringLiteral("/ours/") + QFileInfo(name).fileName();
    const QString theirs = Home() + QStringLiteral("/theirs/") + QFileInfo(name).fileName();
    QDir().mkpath(theirs);
    QProcess lhasa;
    lhasa.setWorkingDirectory(theirs);
    lhasa.start(QStringLiteral("/usr/bin/lhasa"), {QStringLiteral("xq"), archive});
    ASSERT_TRUE(lhasa.waitForFinished()) << "lhasa (Debian package lhasa) is needed";
    TArchiveFile file;
    file.SetFileName(archive);
    file.SetArchiverType(atLha);
    file.Options = MainWindowOptions();
    file.SetOutputSize(4096);
    EXPECT_EQ(file.Extract(nullptr, nullptr, ours, AllMembers()), 0) << name.toStdString() << ": " << file.Output.constData();
    const auto got = tree(ours), expected = tree(theirs);
    ASSERT_FALSE(expected.empty()) << name.toStdString();
    EXPECT_EQ(got, expected) << name.toStdString();
    // The listing names what is extracted.
    QStringList listed;
    file.ForEachMember(nullptr, "*.*", [&](const CaMemberInfoEx& rec) {
      listed << QString::fromUtf8(rec.info.path).toLower();
      return true;
    });
    QStringList files;
    for (const auto& [path, bytes] : got) files << path;
    listed.sort();
    EXPECT_EQ(listed, files) << name.toStdString();
  }
}

// The same comparison without lhasa at hand: its extraction of every LHA
// archive is kept as a golden listing (made by data/make-lzh-golden.sh).
TEST_F(ModuleTest, LhaArchivesExtractAsTheirGoldenListingsSay) {
  const QString golden = kData + QStringLiteral("/lzh/golden");
  const QStringList listings = QDir(golden).entryList({QStringLiteral("*.txt")});
  ASSERT_GE(listings.size(), 24);
  for (const QString& listing : listings) {
    const QString name = listing.chopped(4);
    const QString archive = QFileInfo::exists(kData + QStringLiteral("/lzh/") + name)
                                ? kData + QStringLiteral("/lzh/") + name
                                : kData + QLatin1Char('/') + name;
    Contents expected;
    for (const QString& line : QString::fromUtf8(ReadBytes(golden + QLatin1Char('/') + listing)).split(QLatin1Char('\n'))) {
      const qsizetype tab = line.indexOf(QLatin1Char('\t'));
      if (tab > 0) expected[line.left(tab).toStdString()] = line.mid(tab + 1).toStdString();
    }
    // ".lzs" is no ending the program knows: the format is chosen, as for lhasa.
    TArchiveFile file;
    file.SetFileName(archive);
    file.SetArchiverType(atLha);
    file.Options = MainWindowOptions();
    file.SetOutputSize(4096);
    const QString out = Home() + QStringLiteral("/golden/") + name;
    EXPECT_EQ(file.Extract(nullptr, nullptr, out, AllMembers()), 0) << name.toStdString() << ": " << file.Output.constData();
    Contents got;
    for (const auto& [path, what] : Tree(out))
      if (what != "<folder>") got[QString::fromStdString(path).toLower().toStdString()] = what;
    ASSERT_FALSE(expected.empty()) << name.toStdString();
    EXPECT_EQ(got, expected) << name.toStdString();
  }
}

TEST_F(ModuleTest, OldMethodsWithNamesOfLevelThreeAndLongFileNames) {
  // A level-3 header with a long name (OS/2 LHA), and -lh1- at level 2.
  EXPECT_EQ(List(Data("lzh/lha_os2_208_h3_lfn.lzh")), QStringList{QStringLiteral("Long Filename.txt")});
  EXPECT_EQ(List(Data("lzh/morphos_lha_2717_h2_lh1.lzh")), QStringList{QStringLiteral("gpl-2")});
  // A damaged -lh1- member fails and does not stay.
  QFile in(Data("lzh/lha_amiga_122_lh1.lzh"));
  ASSERT_TRUE(in.open(QIODevice::ReadOnly));
  QByteArray bytes = in.readAll();
  bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x5A);
  const QString broken = Write(QStringLiteral("broken.lzh"), bytes);
  QByteArray output;
  const QString out = Home() + QStringLiteral("/broken");
  EXPECT_EQ(Extract(broken, out, AllMembers(), 1, &output), static_cast<int>(CA_ERROR_CORRUPT));
  EXPECT_TRUE(QString::fromUtf8(output).contains(QStringLiteral("gpl-2: 展開できません"))) << output.constData();
  EXPECT_TRUE(Files(out).isEmpty());
}

TEST_F(ModuleTest, ASelfExtractingLhaProgramWithItsArchiveAfterAMegabyteOfCode) {
  QFile in(Data("level2.lzh"));
  ASSERT_TRUE(in.open(QIODevice::ReadOnly));
  QByteArray program = "MZ" + QByteArray((1 << 20) + 12345, '\x90');
  program.replace(36, 9, "LHA's SFX");
  const QString sfx = Write(QStringLiteral("big-sfx.exe"), program + in.readAll());
  EXPECT_EQ(TArchiveFile::DetectArchiverType(sfx, true), atLha);
  EXPECT_EQ(List(sfx).size(), 4);
  const QString out = Home() + QStringLiteral("/sfx");
  EXPECT_EQ(Extract(sfx, out), 0);
  EXPECT_EQ(ReadAll(out + QStringLiteral("/doc/a.txt")), QStringLiteral("body\n"));
}

// Names as raw LHA headers store them, one row per header form.
TEST_F(ModuleTest, LhaHeaderNamesDecodeAsTheModuleDecodesThem) {
  auto level01 = [](const QByteArray& name) {
    QByteArray h(22, '\0');
    h[20] = 0;
    h[21] = static_cast<char>(name.size());
    return h + name + QByteArray(2, '\0');
  };
  auto ext = [](int field, char type, const QByteArray& data) {
    QByteArray e(1, type);
    e += data;
    const int size = static_cast<int>(e.size()) + field;
    return e + QByteArray(reinterpret_cast<const char*>(&size), field);  // the next one's size follows
  };
  auto extended = [&](int level, const std::vector<std::pair<char, QByteArray>>& exts) {
    const int field = level == 3 ? 4 : 2;
    QByteArray h(level == 3 ? 28 : 24, '\0');
    h[20] = static_cast<char>(level);
    QByteArray body;
    for (const auto& [type, data] : exts) body += ext(field, type, data);
    const int first = exts.empty() ? 0 : static_cast<int>(1 + exts[0].second.size() + field);
    QByteArray out = h + QByteArray(reinterpret_cast<const char*>(&first), field) + body;
    // Each extension's trailing size field names the next one's size.
    int at = static_cast<int>(h.size()) + field;
    for (size_t i = 0; i < exts.size(); ++i) {
      const int len = static_cast<int>(1 + exts[i].second.size() + field);
      const int next = i + 1 < exts.size() ? static_cast<int>(1 + exts[i + 1].second.size() + field) : 0;
      std::memcpy(out.data() + at + len - field, &next, static_cast<size_t>(field));
      at += len;
    }
    return out;
  };
  auto name = [](const QByteArray& raw) {
    return QString::fromStdString(arc::LzhHeaderName(reinterpret_cast<const uint8_t*>(raw.constData()), raw.size()));
  };
  // 表 is 95 5C in Shift-JIS: its second byte is no separator; the real "\\" is.
  EXPECT_EQ(name(level01("\x95\x5c\\b.txt")), QStringLiteral("表/b.txt"));
  EXPECT_EQ(name(level01("doc\xff" "a.txt")), QStringLiteral("doc/a.txt"));
  EXPECT_EQ(name(level01("caf\xc3\xa9.txt")), QStringLiteral("café.txt"));
  EXPECT_EQ(name(level01("bad\xff\x80")), QStringLiteral("bad/%80"));
  EXPECT_EQ(name(extended(2, {{0x01, "readme.txt"}, {0x02, "doc\xffsub\xff"}})), QStringLiteral("doc/sub/readme.txt"));
  EXPECT_EQ(name(extended(2, {{0x02, "\x83\x5c\x83\x74\x83\x67\xff"}, {0x01, "a.txt"}})), QStringLiteral("ソフト/a.txt"));
  // Level 3 with the UTF-16 names, which win over the 8-bit ones.
  const QString wide = QStringLiteral("日本語 😀.txt");
  const QByteArray utf16(reinterpret_cast<const char*>(wide.utf16()), wide.size() * 2);
  EXPECT_EQ(name(extended(3, {{0x01, "?????.txt"}, {0x44, utf16}})), wide);
  EXPECT_EQ(name(extended(3, {{0x01, "x.txt"}})), QStringLiteral("x.txt"));
  EXPECT_EQ(name(QByteArray(10, '\0')), QString());
}

// Encrypted ZIP archives as zip -P (traditional) and 7z (WinZip AES) make
// them; each extraction answers from a list of passwords ("" = cancel).
class PasswordTest : public ModuleTest {
 protected:
  void SetUp() override {
    ModuleTest::SetUp();
    Write(QStringLiteral("src/a.txt"), "alpha\n");
    Write(QStringLiteral("src/b.txt"), "beta\n");
    Make(QStringLiteral("/usr/bin/zip"), {QStringLiteral("-q"), QStringLiteral("-P"), kPassword, Home() + QStringLiteral("/trad.zip"),
                                          QStringLiteral("a.txt"), QStringLiteral("b.txt")});
    Make(QStringLiteral("/usr/bin/7z"), {QStringLiteral("a"), QStringLiteral("-tzip"), QStringLiteral("-mem=AES256"),
                                         QStringLiteral("-p") + kPassword, Home() + QStringLiteral("/aes.zip"),
                                         QStringLiteral("a.txt"), QStringLiteral("b.txt")});
  }
  void Make(const QString& tool, const QStringList& args) {
    QProcess p;
    p.setWorkingDirectory(Home() + QStringLiteral("/src"));
    p.start(tool, args);
    ASSERT_TRUE(p.waitForFinished()) << tool.toStdString();
    ASSERT_EQ(p.exitCode(), 0) << tool.toStdString() << " (tools/deps.sh installs zip and p7zip-full)";
  }

  struct Asked {
    uint32_t attempt;
    QString archive, member;
  };
  // Extracts everything with these answers; the worker's standard error
  // (the program's) is kept in errors.
  int ExtractWith(const QString& archive, const QString& folder, QStringList answers, bool owner = true) {
    TArchiveFile file;
    file.SetFileName(archive);
    file.Options = MainWindowOptions();
    file.SetOutputSize(4096);
    if (owner)
      file.OnPassword = [&](TArchiveFile*, CaPasswordRequest* r) {
        asked.push_back({r->attempt, QString::fromUtf8(r->archive_path), QString::fromUtf8(r->member_path)});
        const QByteArray a = answers.isEmpty() ? QByteArray() : answers.takeFirst().toUtf8();
        std::strcpy(r->password, a.constData());
        return !a.isEmpty();
      };
    const int saved = ::dup(2);
    const QByteArray log = QFile::encodeName(Home() + QStringLiteral("/stderr.log"));
    const int fd = ::open(log.constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    ::dup2(fd, 2);
    const int status = file.Extract(nullptr, nullptr, folder, AllMembers());
    ::dup2(saved, 2);
    ::close(saved);
    ::close(fd);
    output = QString::fromUtf8(file.Output.constData());
    errors = ReadAll(QString::fromUtf8(log));
    return status;
  }
  // 7z takes only ASCII passwords in the C locale.
  static inline const QString kPassword = QStringLiteral("s3cret \"pass\"!");
  std::vector<Asked> asked;
  QString output, errors;
};

TEST_F(PasswordTest, TheRightPasswordOpensTraditionalAndAesArchivesAndIsAskedOnce) {
  for (const char* name : {"trad.zip", "aes.zip"}) {
    SCOPED_TRACE(name);
    asked.clear();
    const QString archive = Home() + QLatin1Char('/') + QLatin1String(name);
    // Listed like any other archive.
    EXPECT_EQ(List(archive), (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt")}));
    const QString out = Home() + QStringLiteral("/out-") + QLatin1String(name);
    EXPECT_EQ(ExtractWith(archive, out, {kPassword}), 0) << output.toStdString();
    EXPECT_EQ(ReadAll(out + QStringLiteral("/a.txt")), QStringLiteral("alpha\n"));
    EXPECT_EQ(ReadAll(out + QStringLiteral("/b.txt")), QStringLiteral("beta\n"));
    // One answer serves the whole archive.
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].attempt, 1u);
    EXPECT_EQ(asked[0].archive, archive);
    EXPECT_EQ(asked[0].member, QStringLiteral("a.txt"));
    EXPECT_FALSE(errors.contains(kPassword));
    EXPECT_FALSE(output.contains(kPassword));
  }
}

TEST_F(PasswordTest, WrongPasswordsCancelAndNoOwnerFailWithoutLeavingFiles) {
  struct Case {
    const char* what;
    QStringList answers;
    bool owner;
    std::vector<uint32_t> attempts;
    QString said;
    bool extracted;
  };
  const std::vector<Case> cases = {
      {"wrong three times", {QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("z")}, true, {1, 2, 3},
       QStringLiteral("a.txt: パスワードが違います。"), false},
      {"wrong, then right", {QStringLiteral("x"), kPassword}, true, {1, 2}, QString(), true},
      {"cancelled", {QString()}, true, {1}, QStringLiteral("a.txt: パスワードが入力されなかったため展開しませんでした。"), false},
      {"no owner window", {}, false, {}, QStringLiteral("a.txt: パスワードで保護されているため展開できません。"), false},
  };
  for (const char* name : {"trad.zip", "aes.zip"}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(name) + ": " + c.what);
      asked.clear();
      const QString out = Home() + QStringLiteral("/out");
      QDir(out).removeRecursively();
      const int status = ExtractWith(Home() + QLatin1Char('/') + QLatin1String(name), out, c.answers, c.owner);
      std::vector<uint32_t> attempts;
      for (const Asked& a : asked) attempts.push_back(a.attempt);
      EXPECT_EQ(attempts, c.attempts);
      if (c.extracted) {
        EXPECT_EQ(status, 0);
        EXPECT_EQ(ReadAll(out + QStringLiteral("/b.txt")), QStringLiteral("beta\n"));
        continue;
      }
      EXPECT_EQ(status, static_cast<int>(CA_ERROR_PASSWORD));
      EXPECT_TRUE(output.contains(c.said)) << output.toStdString();
      // The second member is not asked for again and fails the same way.
      EXPECT_TRUE(output.contains(QString(c.said).replace(QStringLiteral("a.txt"), QStringLiteral("b.txt"))));
      EXPECT_EQ(Files(out), QStringList());
    }
  }
  EXPECT_FALSE(errors.contains(kPassword));
}

TEST_F(PasswordTest, ExtractionToMemoryAsksItsWindowAndFailsWithoutOne) {
  TZip32 zip;
  unsigned char buf[64] = {};
  uint32_t written = 0;
  QStringList answers = {QStringLiteral("wrong"), kPassword};
  int requests = 0;
  platform::MessageWindow window([&](uint32_t msg, uintptr_t state, intptr_t lparam) -> intptr_t {
    if (msg != ArcExtractMessage() || state != CA_STATE_PASSWORD) return 0;
    ++requests;
    std::strcpy(reinterpret_cast<CaPasswordRequest*>(lparam)->password, answers.takeFirst().toUtf8().constData());
    return CA_PASSWORD_GIVEN;
  });
  const QString archive = Home() + QStringLiteral("/aes.zip");
  EXPECT_EQ(zip.ExtractMem(window.Handle(), archive, MainWindowOptions(), QStringLiteral("b.txt"), buf, sizeof buf, &written), 0);
  EXPECT_EQ(QByteArray(reinterpret_cast<char*>(buf), written), QByteArray("beta\n"));
  EXPECT_EQ(requests, 2);
  // Without a window the member does not come, and that is no success.
  written = 0;
  EXPECT_EQ(zip.ExtractMem(nullptr, archive, MainWindowOptions(), QStringLiteral("b.txt"), buf, sizeof buf, &written), static_cast<int>(CA_ERROR_PASSWORD));
  EXPECT_EQ(written, 0u);
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
