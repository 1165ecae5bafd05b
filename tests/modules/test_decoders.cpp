// Archives libarchive 3.6 cannot decode, through the modules' second
// decoders (libmspack for cabinets, unarr for RAR 1.5-4 and Deflate64 ZIP
// data), compared file by file with what cabextract, unar and 7-Zip make.
#include "Arcive/CAB32.h"
#include "Arcive/RAR32.h"
#include "Arcive/ZIP32.h"
#include "craft.h"
#include "module_support.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <map>

#include <unistd.h>

namespace {

class DecoderTest : public ModuleTest {
 protected:
  static QString Other(const char* name) { return kData + QStringLiteral("/others/") + QLatin1String(name); }

  Contents Cabextract(const QString& archive) {
    return Reference(QStringLiteral("/usr/bin/cabextract"), {QStringLiteral("-q"), QStringLiteral("-d"), QStringLiteral("OUT")}, archive);
  }
  Contents Unar(const QString& archive) {
    return Reference(QStringLiteral("/usr/bin/unar"), {QStringLiteral("-q"), QStringLiteral("-nr"), QStringLiteral("-D"),
                                              QStringLiteral("-f"), QStringLiteral("-o"), QStringLiteral("OUT")},
                     archive);
  }
  Contents SevenZip(const QString& archive) {
    return Reference(QStringLiteral("/usr/bin/7zz"), {QStringLiteral("x"), QStringLiteral("-y"), QStringLiteral("-oOUT")}, archive);
  }

};

// Quantum and LZX folders and split sets go to libmspack; the listing
// through the program shows what extraction writes.
TEST_F(DecoderTest, CabinetsLibarchiveCannotDecodeExtractAsCabextractDoes) {
  QStringList cabinets;
  for (const char* name : {"cve-2010-2801-qtm-flush.cab", "fuzz.cab", "cab_lzx_literal_control.cab", "split-1.cab",
                           "split-4.cab"})
    cabinets << Other(name);
  QByteArray data;
  for (int i = 0; i < 20001; ++i) data += static_cast<char>((i * 7 + i / 251) % 256);
  for (int window = 15; window <= 21; ++window)
    cabinets << Write(QStringLiteral("lzx/w%1.cab").arg(window),
                      craft::CabLzx("dir\\w" + QByteArray::number(window) + ".bin", data, window));
  for (const QString& cab : cabinets) {
    int status = -1;
    const auto ours = Ours(cab, &status);
    EXPECT_EQ(status, 0) << cab.toStdString();
    EXPECT_FALSE(ours.empty()) << cab.toStdString();
    EXPECT_EQ(ours, Cabextract(cab)) << cab.toStdString();
    QStringList files;
    for (const auto& [path, what] : ours)
      if (what != "<folder>") files << QString::fromStdString(path);
    QStringList listed = List(cab);
    listed.sort();
    EXPECT_EQ(listed, files) << cab.toStdString();
  }
  // A split set lists as one archive from any of its parts.
  EXPECT_EQ(List(Other("split-3.cab")), List(Other("split-1.cab")));
  EXPECT_EQ(List(Other("split-1.cab")).size(), 6);

  // The viewer's way: one member to memory, from the middle of a folder.
  TCab32 cab;
  int status = -1;
  EXPECT_EQ(InMemory(cab, Other("fuzz.cab"), QStringLiteral("INSTALL"), &status).size(), 1257);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Digest(InMemory(cab, Other("fuzz.cab"), QStringLiteral("INSTALL"), &status)), Cabextract(Other("fuzz.cab"))["INSTALL"]);
}

// Names in an LZX cabinet decode as in the others: Shift-JIS before the
// "\\" separators (0x5C is also a Shift-JIS second byte), and the path rules
// hold.
TEST_F(DecoderTest, NamesAndPathRulesHoldThroughLibmspack) {
  const QString sjis = Write(QStringLiteral("sjis.cab"), craft::CabLzx("\x83\x5c\x83\x74\x83\x67\\readme.txt", "yomu\n", 16));
  int status = -1;
  auto tree = Ours(sjis, &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(tree["ソフト/readme.txt"], Digest("yomu\n"));
  EXPECT_EQ(List(sjis), QStringList{QStringLiteral("ソフト/readme.txt")});

  const QString evil = Write(QStringLiteral("evil/evil.cab"), craft::CabLzx("..\\..\\escaped.txt", "out\n", 21));
  QByteArray output;
  tree = Ours(evil, &status, &output);
  EXPECT_NE(status, 0);
  EXPECT_TRUE(tree.empty());
  EXPECT_FALSE(QFile::exists(Home() + QStringLiteral("/escaped.txt")));
  EXPECT_TRUE(QString::fromUtf8(output).contains(QStringLiteral("展開先フォルダーの外を指す"))) << output.constData();
}

TEST_F(DecoderTest, ASplitSetWithAPartMissingNamesItAndWritesNothing) {
  QDir().mkpath(Home() + QStringLiteral("/set"));
  for (const char* part : {"split-1.cab", "split-2.cab"})
    ASSERT_TRUE(QFile::copy(Other(part), Home() + QStringLiteral("/set/") + QLatin1String(part)));
  int status = -1;
  QByteArray output;
  const auto tree = Ours(Home() + QStringLiteral("/set/split-1.cab"), &status, &output);
  EXPECT_NE(status, 0);
  EXPECT_TRUE(tree.empty());
  // As the cabinet names it.
  EXPECT_TRUE(output.contains("部分が見つかりません: Split-3.CAB")) << output.constData();
}

// Damaged Quantum data (one member claims 4 GB) fails without leaving a file.
TEST_F(DecoderTest, DamagedCabinetsFailAndLeaveNothingBehind) {
  for (const char* name : {"cve-2014-9556-qtm-infinite-loop.cab", "cve-2018-18584-qtm-max-size-block.cab"}) {
    int status = -1;
    QByteArray output;
    const auto tree = Ours(Other(name), &status, &output);
    EXPECT_NE(status, 0) << name;
    EXPECT_TRUE(output.contains("壊れています")) << name << output.constData();
    for (const auto& [path, what] : tree) EXPECT_EQ(what, "<folder>") << name << " left " << path;
  }
}

TEST_F(DecoderTest, Deflate64AndRarFourExtractAsSevenZipAndUnarDo) {
  int status = -1;
  EXPECT_EQ(Ours(Data("deflate64.zip"), &status), SevenZip(Data("deflate64.zip")));
  EXPECT_EQ(status, 0);
  TZip32 zip;
  EXPECT_EQ(InMemory(zip, Data("deflate64.zip"), QStringLiteral("doc/words.txt"), &status).size(), 473179);
  EXPECT_EQ(status, 0);
  for (const char* name : {"rar_compress_best.rar", "rar_binary_data.rar", "rar_subblock.rar"}) {
    EXPECT_EQ(Ours(Other(name), &status), Unar(Other(name))) << name;
    EXPECT_EQ(status, 0) << name;
  }
  QByteArray output;
  const auto tree = Ours(Other("rar_overflow.rar"), &status, &output);
  EXPECT_NE(status, 0);
  EXPECT_TRUE(tree.empty()) << output.constData();
}

// libarchive stopping in the middle of a member (as it does on some RAR 3
// data) costs nothing: unarr starts that member over and, the reader being
// lost, decodes the rest; memory extraction starts over as well.
TEST_F(DecoderTest, WhenLibarchiveTripsTheSecondDecoderFinishesTheMemberAndTheRest) {
  qputenv("ZOT_ARCWORKER_FAULT", "first-decoder");
  int status = -1;
  for (const char* name : {"rar_compress_best.rar", "rar_binary_data.rar"}) {
    QByteArray output;
    EXPECT_EQ(Ours(Other(name), &status, &output), Unar(Other(name))) << name;
    EXPECT_EQ(status, 0) << name << output.constData();
  }
  for (const char* name : {"deflate64.zip", "info.zip", "docs.zip"}) {
    EXPECT_EQ(Ours(Data(name), &status), SevenZip(Data(name))) << name;
    EXPECT_EQ(status, 0) << name;
  }
  TRar32 rar;
  const QByteArray random = InMemory(rar, Other("rar_binary_data.rar"), QStringLiteral("random_data.bin"), &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(random.size(), 1048576);
  EXPECT_EQ(Digest(random), Unar(Other("rar_binary_data.rar"))["random_data.bin"]);
  qunsetenv("ZOT_ARCWORKER_FAULT");
}

// A RAR set (RAR 4 and a solid RAR5) extracts across its parts from the
// first; a missing part is named and the member it cut is not left behind.
TEST_F(DecoderTest, ARarSetExtractsAcrossItsPartsAndAMissingPartIsNamed) {
  int status = -1;
  Contents rar4 = Ours(Other("rar_multivolume_single_file.part1.rar"), &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(rar4["LibarchiveAddingTest.html"], Unar(Other("rar_compress_best.rar"))["LibarchiveAddingTest.html"]);
  // The CRC-32 values libarchive's own test checks.
  const Contents rar5 = Ours(Other("rar5_multiarchive_solid.part01.rar"), &status);
  EXPECT_EQ(status, 0);
  const std::pair<const char*, const char*> crcs[] = {{"cebula.txt", "7e5ec49e"}, {"test.bin", "7cca70cd"},
                                                      {"test5.bin", "b9d155f2"}, {"elf-Linux-ARMv7-ls", "886f91eb"}};
  for (const auto& [name, crc] : crcs) {
    ASSERT_TRUE(rar5.count(name)) << name;
    EXPECT_TRUE(QString::fromStdString(rar5.at(name)).endsWith(QLatin1String(crc))) << name << " " << rar5.at(name);
  }
  EXPECT_EQ(rar5.size(), 9u);
  QDir().mkpath(Home() + QStringLiteral("/set"));
  for (const char* part : {"rar_multivolume_single_file.part1.rar", "rar_multivolume_single_file.part2.rar"})
    ASSERT_TRUE(QFile::copy(Other(part), Home() + QStringLiteral("/set/") + QLatin1String(part)));
  QByteArray output;
  EXPECT_TRUE(Ours(Home() + QStringLiteral("/set/rar_multivolume_single_file.part1.rar"), &status, &output).empty());
  EXPECT_NE(status, 0);
  EXPECT_TRUE(output.contains("分割書庫の部分が見つかりません: rar_multivolume_single_file.part3.rar")) << output.constData();
}

// libarchive 3.6 cannot decrypt RAR5 and takes its encrypted data for
// damage: the members are known from the headers and said to be encrypted.
TEST_F(DecoderTest, EncryptedRarFiveMembersAreSaidToBeEncrypted) {
  TArchiveFile file;
  file.SetFileName(Other("rar5_solid_encrypted.rar"));
  ASSERT_EQ(file.OpenArchive(nullptr, 0), 0);
  CaMemberInfoEx rec{};
  // All four, though libarchive stops at the first one's data.
  QStringList names;
  for (int st = file.FindFirst("*.*", &rec); st == 0; st = file.FindNext(&rec)) {
    names << QString::fromUtf8(rec.info.path);
    EXPECT_TRUE(rec.info.module_b[0] & CA_MEMBER_ENCRYPTED) << rec.info.path;
  }
  file.CloseArchive();
  EXPECT_EQ(names, (QStringList{QStringLiteral("a.txt"), QStringLiteral("b.txt"), QStringLiteral("c.txt"), QStringLiteral("d.txt")}));
  QByteArray output;
  int status = -1;
  EXPECT_TRUE(Ours(Other("rar5_solid_encrypted.rar"), &status, &output).empty());
  EXPECT_EQ(status, static_cast<int>(CA_ERROR_PASSWORD));
  EXPECT_TRUE(QString::fromUtf8(output).contains(QStringLiteral("a.txt: パスワードで保護されていますが、この書庫の暗号には対応していない")))
      << output.constData();
}

}  // namespace
