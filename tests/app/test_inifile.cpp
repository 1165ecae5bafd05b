#include "app/IniFile.h"
#include "support.h"

#include <QFile>

namespace {

class IniFileTest : public ZotTest {};

TEST_F(IniFileTest, IntegersReadAsTheProfileFunctionsDo) {
  struct Row {
    const char* text;
    int expected;
  } rows[] = {
      {"42", 42},          {"-17", -17},       {"0x1F", 31},       {"0X1f", 31},
      {"0xFFFFFFFF", -1},  {"  7  ", 7},       {"\"12\"", 12},     {"abc", 99},
      {"12abc", 99},       {"", 99},           {"0x", 99},         {"0xZZ", 99},
      {"99999999999", 99}, {"1.5", 99},
  };
  for (const Row& r : rows) {
    const QString path = Write(QStringLiteral("a.ini"), QByteArray("[S]\nk=") + r.text + "\n");
    EXPECT_EQ(TIniFile(path).ReadInteger(QStringLiteral("S"), QStringLiteral("k"), 99), r.expected)
        << "value " << r.text;
  }
}

TEST_F(IniFileTest, BooleansAreAnyNonZeroNumber) {
  const QString path = Write(QStringLiteral("a.ini"), "[S]\nzero=0\none=1\ntwo=2\nneg=-1\nword=yes\n");
  const TIniFile ini(path);
  EXPECT_FALSE(ini.ReadBool(QStringLiteral("S"), QStringLiteral("zero"), true));
  EXPECT_TRUE(ini.ReadBool(QStringLiteral("S"), QStringLiteral("one"), false));
  EXPECT_TRUE(ini.ReadBool(QStringLiteral("S"), QStringLiteral("two"), false));
  EXPECT_TRUE(ini.ReadBool(QStringLiteral("S"), QStringLiteral("neg"), false));
  // Not a number: the default, whichever it is.
  EXPECT_TRUE(ini.ReadBool(QStringLiteral("S"), QStringLiteral("word"), true));
  EXPECT_FALSE(ini.ReadBool(QStringLiteral("S"), QStringLiteral("word"), false));
  EXPECT_TRUE(ini.ReadBool(QStringLiteral("S"), QStringLiteral("missing"), true));
}

TEST_F(IniFileTest, StringsAreTrimmedUnquotedAndCutAt2047Characters) {
  const QByteArray longValue(3000, 'x');
  const QString path = Write(QStringLiteral("a.ini"),
                             "; comment\n[Option]\n  Ext2 = .doc  \nCopyDir=\"/tmp/a b/\"\nlong=" + longValue +
                                 "\nJapanese=テキスト/フォルダー\n[option]\nlater=1\n");
  const TIniFile ini(path);
  EXPECT_EQ(ini.ReadString(QStringLiteral("option"), QStringLiteral("EXT2"), QString()), QStringLiteral(".doc"));
  EXPECT_EQ(ini.ReadString(QStringLiteral("Option"), QStringLiteral("CopyDir"), QString()),
            QStringLiteral("/tmp/a b/"));
  EXPECT_EQ(ini.ReadString(QStringLiteral("Option"), QStringLiteral("long"), QString()).size(), 2047);
  EXPECT_EQ(ini.ReadString(QStringLiteral("Option"), QStringLiteral("Japanese"), QString()),
            QStringLiteral("テキスト/フォルダー"));
  // A section that appears twice is still searched.
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("Option"), QStringLiteral("later"), 0), 1);
  EXPECT_EQ(ini.ReadString(QStringLiteral("Option"), QStringLiteral("none"), QStringLiteral("d")),
            QStringLiteral("d"));
  EXPECT_EQ(ini.ReadString(QStringLiteral("Other"), QStringLiteral("Ext2"), QStringLiteral("d")),
            QStringLiteral("d"));
}

TEST_F(IniFileTest, MissingFileGivesDefaults) {
  const TIniFile ini(Home() + QStringLiteral("/none/zot.ini"));
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("Window"), QStringLiteral("Left"), 5), 5);
  EXPECT_FALSE(ini.ValueExists(QStringLiteral("Window"), QStringLiteral("Left")));
}

TEST_F(IniFileTest, WritesKeepForeignLinesAndAppendNewKeysToTheirSection) {
  const QString path =
      Write(QStringLiteral("cfg/zot.ini"), "; kept\n[Window]\nLeft=1\nOwn=mine\n\n[Other]\nx=1\n");
  TIniFile ini(path);
  ini.WriteInteger(QStringLiteral("window"), QStringLiteral("LEFT"), 20);
  ini.WriteInteger(QStringLiteral("Window"), QStringLiteral("Top"), 30);
  ini.WriteBool(QStringLiteral("Tree"), QStringLiteral("Flag"), true);
  ini.WriteString(QStringLiteral("Tree"), QStringLiteral("Folder"), QStringLiteral("/a\nb"));
  ASSERT_TRUE(ini.UpdateFile());
  EXPECT_EQ(ReadAll(path),
            QStringLiteral("; kept\n[Window]\nLEFT=20\nOwn=mine\nTop=30\n\n[Other]\nx=1\n[Tree]\nFlag=1\n"
                           "Folder=/a b\n"));
  EXPECT_EQ(TIniFile(path).ReadInteger(QStringLiteral("Window"), QStringLiteral("Left"), 0), 20);
}

TEST_F(IniFileTest, LinesNotWrittenComeBackByteForByte) {
  // Shift-JIS in a comment and in a section of the user's, CR LF ends, an
  // empty section header, a value the program writes unchanged.
  const QByteArray before = "; \x83\x65\x83\x58\x83\x67\r\n[Mine]\r\nname=\x95\x5c\xff\r\n[]\nodd\n"
                            "[Window]\nLeft=1\nTop=5\n";
  const QString path = Write(QStringLiteral("cfg/zot.ini"), before);
  TIniFile ini(path);
  ini.WriteInteger(QStringLiteral("Window"), QStringLiteral("Left"), 1);
  ini.WriteInteger(QStringLiteral("Window"), QStringLiteral("Top"), 7);
  ASSERT_TRUE(ini.UpdateFile());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  QByteArray expected = before;
  expected.replace("Top=5", "Top=7");
  EXPECT_EQ(f.readAll(), expected);
}

TEST_F(IniFileTest, FailedSaveLeavesTheOldFileAndNoLeftovers) {
  const QString path = Write(QStringLiteral("cfg/zot.ini"), "[Window]\nLeft=1\n");
  {
    TIniFile ini(path);
    ini.WriteInteger(QStringLiteral("Window"), QStringLiteral("Left"), 2);
    ASSERT_TRUE(ini.UpdateFile());
  }
  EXPECT_EQ(QDir(Home() + QStringLiteral("/cfg")).entryList(QDir::Files), QStringList{QStringLiteral("zot.ini")});

  // A folder where the file should be: nothing can be written, nothing is lost.
  const QString blocked = Home() + QStringLiteral("/blocked/zot.ini");
  QDir().mkpath(blocked);
  TIniFile ini(blocked);
  ini.WriteInteger(QStringLiteral("Window"), QStringLiteral("Left"), 3);
  EXPECT_FALSE(ini.UpdateFile());
  EXPECT_TRUE(QFileInfo(blocked).isDir());
  EXPECT_EQ(ReadAll(path), QStringLiteral("[Window]\nLeft=2\n"));
}

}  // namespace
