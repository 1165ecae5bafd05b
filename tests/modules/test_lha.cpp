// LHA archives of every method, header level and historical tool, against
// an independent decoder and its golden listings.
#include "Arcive/ArchiveFile.h"
#include "Arcive/LHA32.h"
#include "Arcive/TAR32.h"
#include "Arcive/ZIP32.h"
#include "platform/folders.h"
#include "platform/msgwindow.h"
#include "craft.h"
#include "lzhread.h"
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

}  // namespace
