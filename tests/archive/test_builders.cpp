#include "Arcive/ARJ32.h"
#include "Arcive/BGA32.h"
#include "Arcive/CAB32.h"
#include "Arcive/FILTERS.h"
#include "Arcive/LHA32.h"
#include "Arcive/RAR32.h"
#include "Arcive/TAR32.h"
#include "Arcive/ZIP32.h"
#include "platform/mbcs.h"
#include "archive_support.h"
#include "support.h"

#include <QFile>

namespace {

class BuilderTest : public ZotTest {
 protected:
  void SetUp() override {
    ZotTest::SetUp();
    InstallFormatModules();
    InstallModule("fake_zip32j", "zip32j.so");
  }
  void TearDown() override {
    platform::SetActiveCodePage(platform::CodePage::Utf8);
    ZotTest::TearDown();
  }
};

TEST_F(BuilderTest, PieceForms) {
  struct Row {
    std::function<void(TCmdOpt&)> add;
    QByteArray text;
  } rows[] = {
      {[](TCmdOpt& c) { c.AddNum("a", -1); }, ""},
      {[](TCmdOpt& c) { c.AddNum("a", 0); }, " -a0"},
      {[](TCmdOpt& c) { c.AddNum("-use-directory=", 1); }, " --use-directory=1"},
      {[](TCmdOpt& c) { c.AddStr("jo", NulMarker()); }, ""},
      {[](TCmdOpt& c) { c.AddStr("jo", ""); }, " \"-jo\""},
      {[](TCmdOpt& c) { c.AddStr("jo", "a b"); }, " \"-joa b\""},
      {[](TCmdOpt& c) { c.AddStr(" raw", "v"); }, " \"rawv\""},
      {[](TCmdOpt& c) { c.AddStr("", "v"); }, " \"v\""},
      {[](TCmdOpt& c) { c.SpaceBeforeValue = true; c.AddStr("f", "a b"); }, " -f \"a b\""},
      {[](TCmdOpt& c) { c.AddFlag("j", false); }, ""},
      {[](TCmdOpt& c) { c.AddFlag("j", true); }, " -j"},
      {[](TCmdOpt& c) { c.Add(""); }, " "},
      {[](TCmdOpt& c) { c.AddDir("", "/out"); }, " \"/out/\""},
      {[](TCmdOpt& c) { c.AddDir("", "/out/"); }, " \"/out/\""},
      {[](TCmdOpt& c) { c.AddDir("", "D:\\out\\"); }, " \"D:\\out\\\""},
      {[](TCmdOpt& c) { c.AddDir("", ""); }, ""},
      {[](TCmdOpt& c) { c.AddDir("", NulMarker()); }, ""},
      {[](TCmdOpt& c) { c.AddDir("h", "/w"); }, " \"-h/w/\""},
      {[](TCmdOpt& c) { c.AddFiles("jx", {QStringList{"p", "", "q"}}); }, " \"-jxp\" \"-jxq\""},
      // Characters that would end the quotes or the line travel escaped;
      // everything else (Shift-JIS bytes, "%", "[") stays as it is.
      {[](TCmdOpt& c) { c.AddFile("", "/a/x\" \"*\" \".zip"); }, " \"/a/x<22> <22>*<22> <22>.zip\""},
      {[](TCmdOpt& c) { c.AddFile("", "a<b>\r\n\tc"); }, " \"a<3C>b><0D><0A><09>c\""},
      {[](TCmdOpt& c) { c.AddDir("", "/q\"/"); }, " \"/q<22>/\""},
      {[](TCmdOpt& c) { c.AddFile("", "100% [x] \x95\x5c.txt"); }, " \"100% [x] \x95\x5c.txt\""},
  };
  int i = 0;
  for (const Row& r : rows) {
    TCmdOpt cmd;
    r.add(cmd);
    EXPECT_EQ(cmd.Text, r.text) << "row " << i++;
  }
}

TEST_F(BuilderTest, TrailingSeparatorIsFoundWholeCharacterByCharacter) {
  // 表 in Shift-JIS is 0x95 0x5C: its second byte is not a backslash.
  const QByteArray hyo("/d/\x95\x5c");
  const QByteArray so("/d/\x83\x5c\\");  // ソ followed by a real backslash
  platform::SetActiveCodePage(platform::CodePage::ShiftJis);
  TCmdOpt sjis;
  sjis.AddDir("", hyo);
  sjis.AddDir("", so);
  EXPECT_EQ(sjis.Text, " \"" + hyo + "/\" \"" + so + "\"");
  EXPECT_EQ(ZipNameFilter("\x95\x5c[1].txt"), QByteArray("\x95\x5c[[]1].txt"));
  EXPECT_EQ(ZipNameFilter("a\\\x83\x5c"), QByteArray("a/\x83\x5c"));

  // Read as UTF-8 the same bytes do end in a backslash.
  platform::SetActiveCodePage(platform::CodePage::Utf8);
  TCmdOpt utf8;
  utf8.AddDir("", hyo);
  EXPECT_EQ(utf8.Text, " \"" + hyo + "\"");
  TCmdOpt japanese;
  japanese.AddDir("", QStringLiteral("/d/表").toUtf8());
  EXPECT_EQ(japanese.Text, " \"" + QStringLiteral("/d/表/").toUtf8() + "\"");
}

TEST_F(BuilderTest, FileListsTakeEveryKindOfItem) {
  static const char* const array[] = {"x", "", "y", nullptr};
  const TFileList files = {QByteArray("a"),
                           QStringLiteral("ｂ.txt"),
                           "c",
                           static_cast<const char*>(nullptr),
                           TCStrArray{array},
                           TCStrArray{},
                           QStringList{QStringLiteral("d"), QString(), QStringLiteral("e")},
                           QVariant(QStringList{QStringLiteral("f"), QStringLiteral("g")}),
                           QVariant(QVariantList{QVariant(7), QVariant(QStringLiteral("h"))}),
                           QVariant(42),
                           QVariant(),
                           std::monostate{}};
  std::vector<QByteArray> expected = {"a", QStringLiteral("ｂ.txt").toUtf8(), "c", "x", "y", "d", "e", "f", "g",
                                      "7", "h", "42"};
  EXPECT_EQ(CollectNames(files), expected);
  EXPECT_TRUE(CollectNames(AllMembers()).empty());
}

// A name from a listing reaches the module as a literal; plain names are
// written as they are.
TEST_F(BuilderTest, NamesThatLookLikeWildcardsAreWrittenAsLiterals) {
  const struct {
    const char* name;
    const char* written;
  } rows[] = {{"plain.txt", "plain.txt"},     {"*.txt", "<2A>.txt"},   {"a?.txt", "a<3F>.txt"},
              {"[x].txt", "<5B>x].txt"},      {"@a.txt", "<40>a.txt"}, {"@", "<40>"},
              {"a@b.txt", "a@b.txt"},         {"a<b.txt", "a<3C>b.txt"}, {"q\"u.txt", "q<22>u.txt"},
              {"表*.txt", "表<2A>.txt"}};
  for (const auto& r : rows) {
    EXPECT_EQ(LiteralName(r.name), QByteArray(r.written)) << r.name;
    TCmdOpt cmd;
    cmd.AddFiles(QByteArray(), {QByteArray(r.name)}, true);
    EXPECT_EQ(cmd.Text, " \"" + QByteArray(r.written) + "\"") << r.name;
    // Option lists (masks) stay patterns.
    TCmdOpt masks;
    masks.AddFiles(QByteArray(), {QByteArray(r.name)});
    EXPECT_FALSE(masks.Text.contains("<2A>") || masks.Text.contains("<3F>")) << r.name;
  }
}

TEST_F(BuilderTest, ResponseFilesHoldQuotedFilteredNamesWithCrLf) {
  TCmdOpt cmd;
  cmd.NameFilter = ZipNameFilter;
  const QString path = Home() + QStringLiteral("/resp.txt");
  Write(QStringLiteral("resp.txt"), "old content that must go");
  EXPECT_EQ(cmd.AddResponseFile({QStringLiteral("-a\\b[1].txt"), QStringLiteral("c.txt")}, path), 2);
  // Names from a listing are literals: "[" (also the filter's) as "<5B>".
  EXPECT_EQ(ReadAll(path), QStringLiteral("\"<5B>-]a/b<5B><5B>]1].txt\"\r\n\"c.txt\"\r\n"));
  EXPECT_EQ(cmd.Text, " \"@" + Ansi(path) + "\"");

  TCmdOpt failing;
  EXPECT_THROW(failing.AddResponseFile({QStringLiteral("a")}, Home() + QStringLiteral("/no/such/dir/r.txt")),
               Exception);
  EXPECT_TRUE(failing.Text.isEmpty());
}

TEST_F(BuilderTest, LhaCommandLines) {
  TLha32 lha;
  TArchiverOptions all;
  for (int8_t* v : {&all.a, &all.c, &all.e, &all.f, &all.h, &all.i, &all.l, &all.m, &all.n, &all.o, &all.p, &all.r,
                    &all.s, &all.t, &all.u, &all.x, &all.y, &all.z, &all.jc, &all.jd, &all.je, &all.jf, &all.jh,
                    &all.ji, &all.jm, &all.jn, &all.jp, &all.jr, &all.jsb, &all.jsc, &all.jsd, &all.jse, &all.jsf,
                    &all.jsl, &all.jso, &all.jss, &all.jst, &all.jsv, &all.jsz, &all.jw, &all.jyc, &all.jyd,
                    &all.jyk, &all.jyn, &all.jyo, &all.ga, &all.gd, &all.ge, &all.gf, &all.gj, &all.gm, &all.gn,
                    &all.go, &all.gp, &all.gs, &all.gu, &all.gw})
    *v = 0;
  all.w = "/w";
  all.jo = "";
  all.job = "b";
  all.jx = {QStringLiteral("p"), QString(), QStringLiteral("q")};
  all.jz = "z";
  all.gr = "";
  TArchiverOptions user = MainWindowOptions();
  user.UserOptions = "-opt";
  user.UserFileList = "tail";
  TArchiverOptions n0 = MainWindowOptions();
  n0.n = 0;

  struct Row {
    QByteArray word;
    const TArchiverOptions& options;
    QString folder;
    TFileList files;
    QByteArray expected;
  } rows[] = {
      {"x", MainWindowOptions(), "/out", AllMembers(), "x -+ -x1 -jf0 -jse0 -jso1  \"/arc/demo.lzh\" \"/out/\" "},
      {"x", MainWindowOptions(), "/out/", {QStringLiteral("readme.txt"), QStringLiteral("bin/setup.exe")},
       "x -+ -x1 -jf0 -jse0 -jso1  \"/arc/demo.lzh\" \"/out/\" \"readme.txt\" \"bin/setup.exe\" "},
      {"x", user, "", AllMembers(), "x -+ -x1 -jf0 -jse0 -jso1 -opt \"/arc/demo.lzh\" tail"},
      {"x", n0, QString(QChar(0)), AllMembers(), "x -+ -n0 -x1 -jf0 -jse0 -jso1  \"/arc/demo.lzh\" "},
      {"x", all, "", {},
       "x -+ -a0 -c0 -e0 -f0 -h0 -i0 -l0 -m0 -n0 -o0 -p0 -r0 -s0 -t0 -u0 \"-w/w/\" -x0 -y0 -z0 -jc0 -jd0 -je0 "
       "-jf0 -jh0 -ji0 -jm0 -jn0 \"-jo\" \"-jobb\" -jp0 -jr0 -jsb0 -jsc0 -jsd0 -jse0 -jsf0 -jsl0 -jso0 -jss0 "
       "-jst0 -jsv0 -jsz0 -jw0 \"-jxp\" \"-jxq\" -jyc0 -jyd0 -jyk0 -jyn0 -jyo0 \"-jzz\" -ga0 -gd0 -ge0 -gf0 -gj0 "
       "-gm0 -gn0 -go0 -gp0 \"-gr\" -gs0 -gu0 -gw0  \"/arc/demo.lzh\" "},
      // Memory extraction has no command word.
      {"", MainWindowOptions(), "", {QStringLiteral("readme.txt")},
       " -+ -x1 -jf0 -jse0 -jso1  \"/arc/demo.lzh\" \"readme.txt\" "},
  };
  for (const Row& r : rows)
    EXPECT_EQ(lha.BuildCommandLine(r.word, QStringLiteral("/arc/demo.lzh"), r.options, r.folder, r.files, false),
              r.expected);

  // A registered progress window forces n1.
  lha.SetOwnerWindow(reinterpret_cast<void*>(1), nullptr);
  EXPECT_EQ(lha.BuildCommandLine("x", QStringLiteral("/a.lzh"), n0, QString(), AllMembers(), false),
            "x -+ -n1 -x1 -jf0 -jse0 -jso1  \"/a.lzh\" ");
  lha.KillOwnerWindow(reinterpret_cast<void*>(1));
}

TEST_F(BuilderTest, LhaRefusesCommandsWithoutJseOrJso) {
  TLha32 lha;
  TArchiverOptions noJse = MainWindowOptions();
  noJse.jse = -1;
  TArchiverOptions noJso = MainWindowOptions();
  noJso.jso = -1;
  QByteArray out;
  EXPECT_EQ(MessageOf<EAssertionFailed>([&] { lha.Extract(nullptr, "/a.lzh", noJse, "/o", {}, false, out); }),
            QStringLiteral("jse オプションが設定されていません。"));
  EXPECT_EQ(MessageOf<EAssertionFailed>([&] { lha.Extract(nullptr, "/a.lzh", noJso, "/o", {}, false, out); }),
            QStringLiteral("jso オプションが設定されていません。"));
  // Only extraction needs jse; every command needs jso.
  EXPECT_EQ(lha.BuildCommandLine("u", "/a.lzh", noJse, "/o", {}, false).left(9), "u -+ -x1 ");
  EXPECT_EQ(MessageOf<EAssertionFailed>([&] { lha.BuildCommandLine("", "/a.lzh", noJso, "", {}, false); }),
            QStringLiteral("jso オプションが設定されていません。"));
  EXPECT_TRUE(lha.CommandLine.isEmpty());
  EXPECT_TRUE(ModuleLog().filter(QStringLiteral("Command")).isEmpty());  // nothing reached the module
}

TEST_F(BuilderTest, ResponseFileReplacesTheNamesWhenItsUseIsSet) {
  TLha32 lha;
  TArchiverOptions o = MainWindowOptions();
  o.ResFileName = Home() + QStringLiteral("/list.txt");
  QByteArray out;
  lha.Extract(nullptr, QStringLiteral("/a.lzh"), o, QString(), {QStringLiteral("a.txt"), QStringLiteral("b c.txt")},
              false, out);
  EXPECT_EQ(lha.CommandLine, "x -+ -x1 -jf0 -jse0 -jso1  \"/a.lzh\" \"@" + Ansi(o.ResFileName) + "\" ");
  EXPECT_EQ(ReadAll(o.ResFileName), QStringLiteral("\"a.txt\"\r\n\"b c.txt\"\r\n"));

  // Without ruOnUnpack, or without a file name, the names go inline.
  o.ResFileUsage = ResUse(ruOnPack);
  lha.Extract(nullptr, QStringLiteral("/a.lzh"), o, QString(), {QStringLiteral("a.txt")}, true, out);
  EXPECT_TRUE(lha.CommandLine.endsWith(" \"a.txt\" "));
  o.ResFileUsage = ResUse(ruOnUnpack);
  o.ResFileName.clear();
  lha.Extract(nullptr, QStringLiteral("/a.lzh"), o, QString(), {QStringLiteral("a.txt")}, true, out);
  EXPECT_TRUE(lha.CommandLine.endsWith(" \"a.txt\" "));
}

TEST_F(BuilderTest, ZipCommandLines) {
  TZip32 zip;
  auto with = [](std::function<void(TArchiverOptions&)> set) {
    TArchiverOptions o;
    set(o);
    return o;
  };
  const TFileList names = {QStringLiteral("-a\\b[1].txt")};
  const QString arc = QStringLiteral("/arc/[x]/a.zip");
  struct Row {
    QByteArray line;
    QByteArray expected;
  } rows[] = {
      {zip.BuildExtractCommandLine("-x", arc, MainWindowOptions(), "/out", AllMembers(), false),
       "-x  \"/arc/[x]/a.zip\" \"/out/\" "},
      {zip.BuildExtractCommandLine("-x", arc, with([](auto& o) { o.c = 1; o.n = 1; o.x = 0; }), "/out", names, false),
       "-x -o --i -j  \"/arc/[x]/a.zip\" \"/out/\" \"<5B>-]a/b<5B><5B>]1].txt\" "},
      {zip.BuildExtractCommandLine("", arc, with([](auto& o) { o.c = 2; }), "", names, false),
       "  \"/arc/[x]/a.zip\" \"<5B>-]a/b<5B><5B>]1].txt\" "},
      {zip.BuildAlternativeCommandLine("-ru", arc, with([](auto& o) { o.c = 1; o.x = 0; o.n = 1; }), "", names, false),
       "-ru -o -j  \"/arc/[x]/a.zip\" \"-a\\b<5B>1].txt\" "},
      {zip.BuildCreateCommandLine("", arc, TArchiverOptions(), "/base", names, false),
       " -D  \"/arc/[x]/a.zip\" \"/base/\" \"<5B>-]a/b<5B><5B>]1].txt\" "},
      {zip.BuildCreateCommandLine("-d", arc, with([](auto& o) {
         o.a = 1; o.l = 1; o.n = 1; o.r = 1; o.u = 1; o.x = 0; o.jc = 1; o.ji = 1; o.jm = 9; o.gd = 1;
       }), "", {}, false),
       "-d -S -D -v -q -r -o -u -j -FF -k -9 -J  \"/arc/[x]/a.zip\" "},
      {zip.BuildCreateCommandLine("-f", arc, with([](auto& o) { o.a = 2; o.jm = 0; }), "", {}, false),
       "-f -S -0  \"/arc/[x]/a.zip\" "},
  };
  int i = 0;
  for (const Row& r : rows) EXPECT_EQ(r.line, r.expected) << "row " << i++;
}

TEST_F(BuilderTest, OtherFormatsCommandLines) {
  TCab32 cab;
  TTar32 tar;
  TTgz32 tgz;
  TBZ232 bz2;
  TRar32 rar;
  TBGA32 bga;
  auto with = [](std::function<void(TArchiverOptions&)> set) {
    TArchiverOptions o;
    set(o);
    return o;
  };
  const TFileList names = {QStringLiteral("a b.txt")};
  struct Row {
    QByteArray line;
    QByteArray expected;
  } rows[] = {
      {cab.BuildCommandLine("-x", "/a.cab", MainWindowOptions(), "/out", AllMembers(), false),
       "-x  \"/a.cab\" \"/out/\" "},
      {cab.BuildCommandLine("-x", "/a.cab", with([](auto& o) { o.c = 1; o.n = 1; o.r = 1; o.w = "/w"; o.x = 0;
         o.ji = 1; }), "", names, false),
       "-x -o -i -r \"-h/w/\" -j -q  \"/a.cab\" \"a b.txt\" "},
      {cab.BuildCommandLine("-x", "/a.cab", with([](auto& o) { o.c = 2; }), "", {}, false), "-x  \"/a.cab\" "},
      {tar.BuildCommandLine("x", "/a.tar", MainWindowOptions(), "/out", AllMembers(), false),
       "x --use-directory=1  -f \"/a.tar\" -o \"/out/\" "},
      {tar.BuildCommandLine("x", "/a.tar", with([](auto& o) { o.a = 1; o.n = 1; o.o = 1; o.p = 0; }), "", names,
                            false),
       "x -AH --display-dialog=0 -g --check-all-path=0  -f \"/a.tar\" \"a b.txt\" "},
      {tar.BuildCommandLine("c", "", with([](auto& o) { o.a = 0; }), "/base", names, false),
       "c -I  -o \"/base/\" \"a b.txt\" "},
      {tgz.BuildCommandLine("x", "/a.tgz", with([](auto& o) { o.jm = 9; }), "", {}, false),
       "x -z9  -f \"/a.tgz\" "},
      {tgz.BuildCommandLine("x", "/a.tgz", TArchiverOptions(), "", {}, false), "x -z  -f \"/a.tgz\" "},
      {bz2.BuildCommandLine("x", "/a.tbz", with([](auto& o) { o.jm = 0; }), "", {}, false),
       "x -B  -f \"/a.tbz\" "},
      {rar.BuildCommandLine("-x", "/a.rar", MainWindowOptions(), "/out", AllMembers(), false),
       "-x -u  \"/a.rar\" \"/out/\" "},
      {rar.BuildCommandLine("-x", "/a.rar", with([](auto& o) { o.c = 1; o.m = 1; o.p = 1; }), "", {}, false),
       "-x -y -s  \"/a.rar\" "},
      {bga.BuildCommandLine("x", "/a.gza", MainWindowOptions(), "/out", AllMembers(), false),
       "x -n  \"/a.gza\" \"/out/\" "},
      {bga.BuildCommandLine("x", "/a.gza", TArchiverOptions(), "", {}, false), "x -n -j  \"/a.gza\" "},
      {bga.BuildCommandLine("a", "/a.gza", with([](auto& o) { o.a = 1; o.c = 1; o.n = 1; o.r = 1; o.x = 0;
         o.jm = 5; }), "", {}, false),
       "a -a -o -i -r -j -l5  \"/a.gza\" "},
  };
  int i = 0;
  for (const Row& r : rows) EXPECT_EQ(r.line, r.expected) << "row " << i++;

  // RAR drops stored paths with "-e".
  QByteArray out;
  TArchiverOptions flat = MainWindowOptions();
  flat.x = 0;
  rar.Extract(nullptr, "/a.rar", flat, "/out", AllMembers(), false, out);
  EXPECT_TRUE(rar.CommandLine.startsWith("-e -u "));
  rar.Extract(nullptr, "/a.rar", TArchiverOptions(), "/out", AllMembers(), false, out);
  EXPECT_TRUE(rar.CommandLine.startsWith("-x -u "));
}

TEST_F(BuilderTest, UnsupportedOperationsSayWhatIsMissing) {
  TCab32 cab;
  TTar32 tar;
  TRar32 rar;
  TArj32 arj;
  TBGA32 bga;
  QByteArray out;
  const TArchiverOptions o;
  const QString remove = QStringLiteral("この形式の書庫ではファイルの削除をサポートしておりません。");
  for (TArchiver* a : std::initializer_list<TArchiver*>{&cab, &tar, &rar, &arj})
    EXPECT_EQ(MessageOf<EArchiver>([&] { a->RemoveItems(nullptr, "/a", o, "", {}, false, out); }), remove);
  EXPECT_EQ(MessageOf<EArchiver>([&] { rar.Pack(nullptr, "/a", o, "", {}, false, out); }),
            QStringLiteral("この形式では書庫ファイルの作成をサポートしておりません。"));
  EXPECT_EQ(MessageOf<EArchiver>([&] { arj.Pack(nullptr, "/a", o, "", {}, false, out); }),
            QStringLiteral("この形式では書庫ファイルの作成をサポートしておりません。"));
  EXPECT_EQ(MessageOf<EArchiver>([&] { cab.Update(nullptr, "/a", o, "", {}, false, out); }),
            QStringLiteral("この形式の書庫では書庫の更新をサポートしておりません。"));
  EXPECT_EQ(MessageOf<EArchiver>([&] { rar.MakeSfx(nullptr, "/a", o, "", out); }),
            QStringLiteral("この形式では自己解凍書庫の作成をサポートしておりません。"));
  EXPECT_EQ(MessageOf<EArchiver>([&] { bga.ExtractMem(nullptr, "/a", o, "m", nullptr, 0, nullptr); }),
            QStringLiteral("この形式ではメモリへの展開をサポートしておりません。"));
  EXPECT_EQ(MessageOf<EArchiver>([] { TArchiver::LoadDLL(); }),
            QStringLiteral("Abstract method 'TArchiver.LoadDLL' was called"));
}

TEST_F(BuilderTest, CheckArchiveModes) {
  TLha32 lha;
  TBGA32 bga;
  TZip32 zip;
  const QString arc = Write(QStringLiteral("a.x"), "FAKE lha bga zip\n");
  EXPECT_TRUE(lha.CheckArchive(arc, 2, 3));
  EXPECT_TRUE(bga.CheckArchive(arc, 2, 3));
  EXPECT_TRUE(zip.CheckArchive(arc, 2, 3));
  const QStringList log = ModuleLog().filter(QStringLiteral("CheckArchive"));
  EXPECT_EQ(log, (QStringList{QStringLiteral("lha CheckArchive 5 ") + arc, QStringLiteral("bga CheckArchive 4 ") + arc,
                              QStringLiteral("zip CheckArchive 2 ") + arc}));
}

TEST_F(BuilderTest, SelfExtractingZipJoinsTheStubAndTheArchive) {
  TZip32 zip;
  const QString arc = Write(QStringLiteral("src/b.zip"), "PK-archive");
  QDir().mkpath(Home() + QStringLiteral("/dest"));
  TArchiverOptions o;
  QByteArray out;
  EXPECT_EQ(MessageOf<EArchiver>([&] { zip.MakeSfx(nullptr, arc, o, Home() + QStringLiteral("/dest"), out); }),
            QStringLiteral("zip 書庫からのDOS自己解凍書庫の作成には sfx16.dat が必要です。"));
  Write(QStringLiteral("bin/sfx16.dat"), "DOS-STUB|");
  EXPECT_EQ(zip.MakeSfx(nullptr, arc, o, Home() + QStringLiteral("/dest"), out), 0);
  EXPECT_EQ(ReadAll(Home() + QStringLiteral("/dest/b.EXE")), QStringLiteral("DOS-STUB|PK-archive"));
  EXPECT_EQ(zip.CommandLine, "-A " + Ansi(Home()) + "/dest/b.EXE");
  EXPECT_TRUE(ModuleLog().contains(QStringLiteral("zip32j Command -A %1/dest/b.EXE|").arg(Home())));

  o.gw = 1;
  EXPECT_EQ(MessageOf<EArchiver>([&] { zip.MakeSfx(nullptr, arc, o, QString(), out); }),
            QStringLiteral("zip 書庫からのWin32自己解凍書庫の作成には sfx32gui.dat が必要です。"));
  Write(QStringLiteral("bin/sfx32gui.dat"), "WIN-STUB|");
  EXPECT_EQ(zip.MakeSfx(nullptr, arc, o, QString(), out), 0);
  EXPECT_EQ(ReadAll(Home() + QStringLiteral("/src/b.EXE")), QStringLiteral("WIN-STUB|PK-archive"));
}

TEST_F(BuilderTest, SelfExtractingTarNeedsNoModuleCall) {
  TTar32 tar;
  TBZ232 bz2;
  const QString arc = Write(QStringLiteral("a.tar"), "TAR");
  TArchiverOptions o;
  QByteArray out;
  EXPECT_EQ(MessageOf<EArchiver>([&] { bz2.MakeSfx(nullptr, arc, o, Home() + QStringLiteral("/d"), out); }),
            QStringLiteral("BZ2 形式書庫は自己解凍形式にできません。"));
  EXPECT_EQ(MessageOf<EArchiver>([&] { tar.MakeSfx(nullptr, arc, o, QString(), out); }),
            QStringLiteral("tar/tgz 書庫からの自己解凍書庫の作成には kmtarsef.exe が必要です。"));
  Write(QStringLiteral("bin/kmtarsef.exe"), "SEF|");
  tar.CommandLine = "before";
  EXPECT_EQ(tar.MakeSfx(nullptr, arc, o, Home() + QStringLiteral("/"), out), 0);
  EXPECT_EQ(ReadAll(Home() + QStringLiteral("/a.EXE")), QStringLiteral("SEF|TAR"));
  EXPECT_EQ(tar.CommandLine, "before");
  EXPECT_TRUE(ModuleLog().filter(QStringLiteral("tar Command")).isEmpty());
  // An archive that would be its own output is refused, not destroyed.
  const QString self = Write(QStringLiteral("x/self.EXE"), "DATA");
  EXPECT_THROW(tar.MakeSfx(nullptr, self, o, QString(), out), Exception);
  EXPECT_EQ(ReadAll(self), QStringLiteral("DATA"));
}

TEST_F(BuilderTest, PathJoining) {
  EXPECT_EQ(JoinPath(QString(), QStringLiteral("b.EXE")), QStringLiteral("b.EXE"));
  EXPECT_EQ(JoinPath(QStringLiteral("/d/"), QStringLiteral("b.EXE")), QStringLiteral("/d/b.EXE"));
  EXPECT_EQ(JoinPath(QStringLiteral("/d"), QStringLiteral("b.EXE")), QStringLiteral("/d/b.EXE"));
  EXPECT_EQ(ChangeFileExt(QStringLiteral("/a.b/c.tar.gz"), QStringLiteral(".EXE")), QStringLiteral("/a.b/c.tar.EXE"));
  EXPECT_EQ(ChangeFileExt(QStringLiteral("/a.b/c"), QStringLiteral(".EXE")), QStringLiteral("/a.b/c.EXE"));
}

TEST_F(BuilderTest, OptionsClearAndAssign) {
  TArchiverOptions o;
  EXPECT_EQ(o.x, -1);
  EXPECT_TRUE(IsNulMarker(o.jo));
  EXPECT_TRUE(o.UserOptions.isEmpty());
  EXPECT_EQ(o.PackFilter, pfComponent);
  EXPECT_TRUE(o.Uses(ruOnPack) && o.Uses(ruOnUnpack) && o.Uses(ruOnRemoveItem) && !o.Uses(ruOnUpdate));
  o.x = 1;
  o.jx = {QStringLiteral("a")};
  o.jo = "v";
  TArchiverOptions copy;
  o.AssignTo(copy);
  EXPECT_EQ(copy.x, 1);
  EXPECT_EQ(copy.jx, QStringList{QStringLiteral("a")});
  o.jx << QStringLiteral("b");
  EXPECT_EQ(copy.jx.size(), 1);  // the list is copied, not shared
  o.Clear();
  EXPECT_EQ(o.x, -1);
  EXPECT_TRUE(o.jx.isEmpty());
  TPersistent other;
  EXPECT_THROW(o.AssignTo(other), EConvertError);
}

}  // namespace
