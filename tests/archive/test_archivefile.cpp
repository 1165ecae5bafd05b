#include "Arcive/ArchiveFile.h"
#include "Arcive/ArchiveKinds.h"
#include "Arcive/ZIP32.h"
#include "support.h"

#include <QRegularExpression>

namespace {

class ArchiveFileTest : public ZotTest {
 protected:
  void SetUp() override {
    ZotTest::SetUp();
    InstallFormatModules();
  }
};

TEST_F(ArchiveFileTest, ExtensionsChooseTheFormatWithoutProbing) {
  struct Row {
    const char* name;
    TArchiverType type;
  } rows[] = {{"A.LZH", atLha},         {"b.Zip", atZip},        {"c.cab", atCab},       {"d.tar", atTar},
              {"e.tar.gz", atTgz},      {"f.TGZ", atTgz},        {"g.tar.bz2", atBZ2},   {"h.tbz2", atBZ2},
              {"i.tar.xz", atTar},      {"j.txz", atTar},        {"k.tar.zst", atTar},   {"l.tzst", atTar},
              {"m.7z", atSevenZip},     {"n.RAR", atRar},        {"o.lha", atLha},       {"p.gz", atAutoDetect},
              {".tar.gz", atAutoDetect}, {"noext", atAutoDetect}};
  for (const Row& r : rows) {
    TArchiveFile file;
    file.SetFileName(Home() + QLatin1Char('/') + QLatin1String(r.name));
    EXPECT_EQ(file.ArchiverType(), r.type) << r.name;
    EXPECT_EQ(file.FileName(), Home() + QLatin1Char('/') + QLatin1String(r.name));
  }
  EXPECT_TRUE(ModuleLog().filter(QStringLiteral("CheckArchive")).isEmpty());
  EXPECT_TRUE(ModuleLog().filter(QStringLiteral("OpenArchive")).isEmpty());
}

TEST_F(ArchiveFileTest, ProgramsAreProbedByContentAndLhaWins) {
  struct Row {
    QByteArray accepts;
    TArchiverType type;
  } rows[] = {{"lha cab zip", atLha}, {"cab zip", atCab}, {"zip", atZip}, {"lha", atLha}, {"rar", atNone}};
  for (const Row& r : rows) {
    const QString exe = Write(QStringLiteral("setup.EXE"), "FAKE " + r.accepts + "\n");
    ClearModuleLog();
    EXPECT_EQ(TArchiveFile::DetectArchiverType(exe, true), r.type) << r.accepts.constData();
    // All three probes run, in the order ZIP, CAB, LHA.
    const QStringList probes = ModuleLog().filter(QRegularExpression(QStringLiteral("CheckArchive|OpenArchive")));
    ASSERT_GE(probes.size(), 2) << probes.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(probes.first().startsWith(QStringLiteral("zip CheckArchive 24 ")));
    EXPECT_TRUE(probes.last().startsWith(QStringLiteral("lha ")));
    EXPECT_TRUE(ModuleLog().contains(QStringLiteral("cab OpenArchive 0x%1 ").arg(CA_OPEN_PROBE, 0, 16) + exe));
  }
}

TEST_F(ArchiveFileTest, AnUnrecognisedProgramCannotBeOpened) {
  const QString exe = Write(QStringLiteral("plain.exe"), "MZ not an archive");
  TArchiveFile file;
  file.SetFileName(exe);
  EXPECT_EQ(file.ArchiverType(), atAutoDetect);
  EXPECT_EQ(file.Archiver(), nullptr);
  EXPECT_EQ(MessageOf<EArchiver>([&] { file.OpenArchive(nullptr, 0); }),
            QStringLiteral("書庫の形式を判別できません。"));
  EXPECT_EQ(MessageOf<EArchiver>([&] { file.Extract(nullptr, nullptr, Home(), AllMembers()); }),
            QStringLiteral("書庫の形式を判別できません。"));
}

TEST_F(ArchiveFileTest, AutoDetectionWaitsForOpenArchive) {
  const QString tar = Write(QStringLiteral("x.dat"), "FAKE cab\nm.txt|1|1|0|0\n");
  TArchiveFile file;
  file.SetFileName(tar);
  EXPECT_EQ(file.ArchiverType(), atAutoDetect);
  EXPECT_EQ(file.OpenArchive(nullptr, 0), 0);
  EXPECT_EQ(file.ArchiverType(), atCab);
  CaMemberInfoEx rec{};
  EXPECT_EQ(file.FindFirst("*.txt", &rec), 0);
  EXPECT_STREQ(rec.info.path, "m.txt");
  EXPECT_NE(file.FindNext(&rec), 0);
  file.CloseArchive();
  EXPECT_EQ(file.ArchiveHandle, nullptr);
}

TEST_F(ArchiveFileTest, ArchiverTypeChanges) {
  TArchiveFile file;
  file.SetArchiverType(atZip);
  TArchiver* zip = file.Archiver();
  ASSERT_NE(zip, nullptr);
  file.SetArchiverType(atNone);  // changes nothing
  EXPECT_EQ(file.ArchiverType(), atZip);
  EXPECT_EQ(file.Archiver(), zip);
  file.SetArchiverType(atAutoDetect);  // keeps the archiver
  EXPECT_EQ(file.ArchiverType(), atAutoDetect);
  EXPECT_EQ(file.Archiver(), zip);
  for (TArchiverType t : {atYz1, atGCA, atBel})
    EXPECT_EQ(MessageOf<EArchiver>([&] { file.SetArchiverType(t); }),
              QStringLiteral("書庫の形式を特定できませんでした。"));
  EXPECT_EQ(file.Archiver(), zip);
  file.SetArchiverType(atZip);  // the same type again: a fresh archiver
  EXPECT_EQ(file.ArchiverType(), atZip);
}

TEST_F(ArchiveFileTest, AnArchiveTheModuleCannotOpenGivesOne) {
  TArchiveFile file;
  file.SetFileName(Write(QStringLiteral("broken.lzh"), "not fake"));
  EXPECT_EQ(file.OpenArchive(nullptr, 0), 1);
  EXPECT_EQ(file.ArchiveHandle, nullptr);
}

TEST_F(ArchiveFileTest, MainWindowExtractionOfEveryFormat) {
  // The options the main window sets; the folder has no trailing separator.
  const QString out = Home() + QStringLiteral("/tmp/tool");
  const QString dir = Home() + QStringLiteral("/arc");
  struct Row {
    TArchiverType type;
    const char* file;
    const char* module;
    QByteArray expected;  // %A = archive, %D = folder
  } rows[] = {
      {atLha, "tool.lzh", "lha", "x -+ -x1 -jf0 -jse0 -jso1  \"%A\" \"%D/\" "},
      {atZip, "tool.zip", "zip", "-x  \"%A\" \"%D/\" "},
      {atCab, "tool.cab", "cab", "-x  \"%A\" \"%D/\" "},
      {atArj, "tool.arj", "arj", "x -+ -x1 -jf0 -jse0 -jso1  \"%A\" \"%D/\" "},
      {atTar, "tool.tar", "tar", "x --use-directory=1  -f \"%A\" -o \"%D/\" "},
      {atTgz, "tool.tgz", "tar", "x --use-directory=1 -z  -f \"%A\" -o \"%D/\" "},
      {atBZ2, "tool.tbz", "tar", "x --use-directory=1 -B  -f \"%A\" -o \"%D/\" "},
      {atRar, "tool.rar", "rar", "-x -u  \"%A\" \"%D/\" "},
      {atBga, "tool.gza", "bga", "x -n  \"%A\" \"%D/\" "},
      {atSevenZip, "tool.7z", "7z", "-x  \"%A\" \"%D/\" "},
      {atTar, "tool.tar.xz", "tar", "x --use-directory=1  -f \"%A\" -o \"%D/\" "},
  };
  for (const Row& r : rows) {
    const QString arc = dir + QLatin1Char('/') + QLatin1String(r.file);
    TArchiveFile file;
    file.SetArchiverType(r.type);
    file.SetFileName(arc);
    if (file.ArchiverType() == atAutoDetect) file.SetArchiverType(r.type);
    file.Options.x = 1;
    file.Options.jf = 0;
    file.Options.jse = 0;
    file.Options.jso = 1;
    ClearModuleLog();
    EXPECT_EQ(file.Extract(nullptr, nullptr, out, AllMembers()), 0);
    QByteArray expected = r.expected;
    expected.replace("%A", Ansi(arc)).replace("%D", Ansi(out));
    EXPECT_EQ(file.LastCommandLine, expected) << r.file;
    EXPECT_TRUE(ModuleLog().contains(QLatin1String(r.module) + QStringLiteral(" Command ") +
                                     QString::fromUtf8(expected) + QLatin1Char('|')))
        << r.file;
  }
}

TEST_F(ArchiveFileTest, OutputBufferFollowsOutputSize) {
  TArchiveFile file;
  file.SetFileName(Home() + QStringLiteral("/a.lzh"));
  file.Options.jse = 0;
  file.Options.jso = 1;
  EXPECT_EQ(file.OutputSize(), 0);
  file.Extract(nullptr, nullptr, Home(), AllMembers());
  EXPECT_TRUE(file.Output.isEmpty());
  EXPECT_TRUE(ModuleLog().filter(QStringLiteral("null buffer")).isEmpty());

  file.SetOutputSize(64);
  EXPECT_EQ(file.OutputSize(), 64);
  EXPECT_EQ(file.Output.at(0), '\0');
  file.Extract(nullptr, nullptr, Home(), AllMembers());
  EXPECT_EQ(QByteArray(file.Output.constData()), "lha done");
}

TEST_F(ArchiveFileTest, ExtractRestoresTheCommandLineAndEndsProgressWhenTheArchiverRaises) {
  TArchiveFile file;
  file.SetFileName(Home() + QStringLiteral("/a.lzh"));
  file.Options.jse = 0;
  file.Options.jso = 1;
  file.OnProgress = [](TArchiveFile*, int, void*, bool&) {};
  ASSERT_EQ(file.Extract(nullptr, nullptr, Home(), {QStringLiteral("a.txt")}), 0);
  const QByteArray good = file.LastCommandLine;
  EXPECT_TRUE(good.endsWith(" \"a.txt\" "));

  TArchiverOptions broken;  // no jse: the builder raises before the module is called
  ClearModuleLog();
  file.LastCommandLine = "stale";
  EXPECT_THROW(file.Extract(nullptr, &broken, Home(), AllMembers()), EAssertionFailed);
  EXPECT_EQ(file.LastCommandLine, good);
  EXPECT_TRUE(ModuleLog().contains(QStringLiteral("lha KillOwnerWindowEx")));
  EXPECT_TRUE(ModuleLog().filter(QStringLiteral("lha Command")).isEmpty());
}

TEST_F(ArchiveFileTest, ZipProbeNeedsBothCheckAndOpen) {
  EXPECT_TRUE(IsZipArchive(Write(QStringLiteral("ok.zip"), "FAKE zip\n")));
  EXPECT_FALSE(IsZipArchive(Write(QStringLiteral("no.zip"), "FAKE lha\n")));
  EXPECT_FALSE(IsZipArchive(Home() + QStringLiteral("/missing.zip")));
}

}  // namespace

// Every kind the window opens is offered to the desktop for opening.
TEST_F(ArchiveFileTest, TheDesktopFilesListEveryKindsMimeType) {
  const QString data = QStringLiteral(ZOT_TEST_DATA "/../../data/");
  const QString desktop = ReadAll(data + QStringLiteral("zot.desktop"));
  const QString metainfo = ReadAll(data + QStringLiteral("zot.metainfo.xml"));
  ASSERT_FALSE(desktop.isEmpty());
  for (const TArchiveKind& kind : ArchiveKinds()) {
    const QString mime = QLatin1String(kind.mimeType);
    EXPECT_TRUE(desktop.contains(QLatin1Char(';') + mime + QLatin1Char(';')) || desktop.contains(QLatin1Char('=') + mime + QLatin1Char(';')))
        << kind.mimeType;
    EXPECT_TRUE(metainfo.contains(QStringLiteral("<mediatype>") + mime + QStringLiteral("</mediatype>"))) << kind.mimeType;
  }
}
