// Our archiver modules, driven through the program's archive access layer
// on archives made by other tools (tests/data/make-fixtures.sh).
#include "Arcive/ArchiveFile.h"
#include "Arcive/LHA32.h"
#include "Arcive/TAR32.h"
#include "Arcive/ZIP32.h"
#include "platform/folders.h"
#include "support.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <set>

namespace {

const QString kData = QStringLiteral(ZOT_TEST_DATA);

class ModuleTest : public ZotTest {
 protected:
  void SetUp() override {
    ZotTest::SetUp();
    // The real modules sit beside the test programs.
    platform::SetLibraryFolders(platform::ProgramFolder(), platform::ProgramFolder());
  }
  static QString Data(const char* name) { return kData + QLatin1Char('/') + QLatin1String(name); }

  QStringList List(const QString& archive, const QByteArray& mask = "*.*") {
    TArchiveFile file;
    file.SetFileName(archive);
    QStringList names;
    if (file.OpenArchive(nullptr, 0) != 0) return {QStringLiteral("(not opened)")};
    CaMemberInfoEx rec{};
    for (int st = file.FindFirst(mask, &rec); st == 0; st = file.FindNext(&rec))
      names << QString::fromUtf8(rec.info.path);
    file.CloseArchive();
    return names;
  }

  // Extracts as the main window does; returns the status.
  int Extract(const QString& archive, const QString& folder, const TFileList& files = AllMembers(), int x = 1,
              QByteArray* output = nullptr) {
    TArchiveFile file;
    file.SetFileName(archive);
    if (file.ArchiverType() == atAutoDetect) file.SetArchiverType(atTar);
    file.Options = MainWindowOptions();
    file.Options.x = static_cast<int8_t>(x);
    file.SetOutputSize(4096);
    const int status = file.Extract(nullptr, nullptr, folder, files);
    if (output) *output = QByteArray(file.Output.constData());
    return status;
  }

  static QStringList Files(const QString& folder) {
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) out << QDir(folder).relativeFilePath(it.next());
    out.sort();
    return out;
  }

  // What bsdtar lists, folders left out (they are implied by the files).
  static QStringList Bsdtar(const QString& archive) {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/bsdtar"), {QStringLiteral("-tf"), archive});
    p.waitForFinished();
    QStringList out;
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n')))
      if (!line.isEmpty() && !line.endsWith(QLatin1Char('/'))) out << line;
    return out;
  }
};

TEST_F(ModuleTest, ListingsMatchBsdtar) {
  for (const char* name : {"level0.lzh", "level1.lzh", "level2.lzh", "lh6.lzh", "lh7.lzh", "info.zip", "basic.cab",
                           "basic.tar", "basic.tgz", "utf8.zip"}) {
    const QString path = Data(name);
    const QStringList ours = QString(QLatin1String(name)).contains(QStringLiteral(".tar")) ||
                                     QString(QLatin1String(name)).endsWith(QStringLiteral(".tgz"))
                                 ? [&] {
                                     TArchiveFile f;
                                     f.SetArchiverType(atTar);
                                     f.SetFileName(path);
                                     f.OpenArchive(nullptr, 0);
                                     QStringList n;
                                     CaMemberInfoEx rec{};
                                     for (int st = f.FindFirst("*.*", &rec); st == 0; st = f.FindNext(&rec))
                                       n << QString::fromUtf8(rec.info.path);
                                     f.CloseArchive();
                                     return n;
                                   }()
                                 : List(path);
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

TEST_F(ModuleTest, MembersInAnUndecodableMethodAreListedButNotExtracted) {
  EXPECT_EQ(List(Data("lh1.lzh")), (QStringList{QStringLiteral("readme.txt"), QStringLiteral("doc/a.txt"),
                                                 QStringLiteral("bin/setup.exe")}));
  QByteArray output;
  const QString out = Home() + QStringLiteral("/old");
  EXPECT_EQ(Extract(Data("lh1.lzh"), out, AllMembers(), 1, &output), 0x8013);
  EXPECT_TRUE(QString::fromUtf8(output).contains(QStringLiteral("readme.txt: 圧縮方式に対応していない")));
  EXPECT_TRUE(Files(out).isEmpty());  // no empty stand-ins for what could not be decoded
}

TEST_F(ModuleTest, AWorkerThatCrashesOrHangsBecomesAStatus) {
  qputenv("ZOT_ARCWORKER_FAULT", "crash");
  QByteArray output;
  EXPECT_EQ(Extract(Data("info.zip"), Home() + QStringLiteral("/c"), AllMembers(), 1, &output), 0x8023);
  EXPECT_TRUE(QString::fromUtf8(output).contains(QStringLiteral("異常終了")));
  EXPECT_EQ(List(Data("info.zip")), QStringList{QStringLiteral("(not opened)")});

  qputenv("ZOT_ARCWORKER_FAULT", "hang");
  qputenv("ZOT_ARCWORKER_TIMEOUT_MS", "300");
  EXPECT_EQ(Extract(Data("info.zip"), Home() + QStringLiteral("/h"), AllMembers(), 1, &output), 0x8023);
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
  EXPECT_EQ(file.Extract(nullptr, nullptr, out, AllMembers()), 0x8020);
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
