// Our archiver modules, driven through the program's archive access layer
// on archives made by other tools (tests/data/make-fixtures.sh).
#include "Arcive/ArchiveFile.h"
#include "Arcive/LHA32.h"
#include "Arcive/TAR32.h"
#include "Arcive/ZIP32.h"
#include "platform/folders.h"
#include "platform/msgwindow.h"
#include "craft.h"
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

}  // namespace
