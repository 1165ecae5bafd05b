// Today's archive kinds (7z, tar compressed with gzip, bzip2, xz or zstd),
// made here by 7-Zip, bsdtar and GNU tar, through the program's archive
// access layer, compared file by file with "bsdtar -x".
#include "Arcive/ArchiveFile.h"
#include "Arcive/SEVENZIP32.h"
#include "craft.h"
#include "module_support.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace {

class KindsTest : public ModuleTest {
 protected:
  // A small tree with a script (execute bits), text, a folder and a Japanese name.
  QString MakeSource() {
    const QString src = Home() + QStringLiteral("/src");
    Write(QStringLiteral("src/app/run.sh"), "#!/bin/sh\necho run\n");
    QFile::setPermissions(src + QStringLiteral("/app/run.sh"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                                    QFile::ReadGroup | QFile::ExeGroup |
                                                                    QFile::ReadOther | QFile::ExeOther);
    Write(QStringLiteral("src/app/readme.txt"), QByteArray(5000, 'r'));
    Write(QStringLiteral("src/app/doc/日本語.txt"), "nihongo\n");
    QByteArray nums;
    for (int i = 0; i < 30000; ++i) nums += QByteArray::number(i) + '\n';
    Write(QStringLiteral("src/app/nums.txt"), nums);
    return src;
  }
  Contents Bsdtar(const QString& archive) {
    return Reference(QStringLiteral("/usr/bin/bsdtar"), {QStringLiteral("-x"), QStringLiteral("-C"), QStringLiteral("OUT"),
                                                         QStringLiteral("-f")},
                     archive);
  }
};

TEST_F(KindsTest, EveryKindExtractsAsBsdtarDoesWithItsExecuteBits) {
  const QString src = MakeSource();
  const QString a = Home() + QStringLiteral("/arc/");
  QDir().mkpath(a);
  ASSERT_TRUE(RunTool(src, QStringLiteral("/usr/bin/7zz"), {QStringLiteral("a"), QStringLiteral("-bd"), a + QStringLiteral("tool.7z"), QStringLiteral("app")}));
  ASSERT_TRUE(RunTool(src, QStringLiteral("/usr/bin/bsdtar"), {QStringLiteral("-cf"), a + QStringLiteral("tool.tar"), QStringLiteral("app")}));
  ASSERT_TRUE(RunTool(src, QStringLiteral("/usr/bin/bsdtar"), {QStringLiteral("-czf"), a + QStringLiteral("tool.tar.gz"), QStringLiteral("app")}));
  ASSERT_TRUE(RunTool(src, QStringLiteral("/usr/bin/bsdtar"), {QStringLiteral("-cjf"), a + QStringLiteral("tool.tbz2"), QStringLiteral("app")}));
  ASSERT_TRUE(RunTool(src, QStringLiteral("/usr/bin/tar"), {QStringLiteral("-cJf"), a + QStringLiteral("tool.tar.xz"), QStringLiteral("app")}));
  ASSERT_TRUE(RunTool(src, QStringLiteral("/usr/bin/tar"), {QStringLiteral("--zstd"), QStringLiteral("-cf"), a + QStringLiteral("tool.tar.zst"), QStringLiteral("app")}));
  ASSERT_TRUE(RunTool(src, QStringLiteral("/usr/bin/tar"), {QStringLiteral("-cJf"), a + QStringLiteral("tool.txz"), QStringLiteral("app")}));
  for (const char* name : {"tool.7z", "tool.tar", "tool.tar.gz", "tool.tbz2", "tool.tar.xz", "tool.tar.zst", "tool.txz"}) {
    const QString archive = a + QLatin1String(name);
    int status = -1;
    const Contents ours = Ours(archive, &status);
    EXPECT_EQ(status, 0) << name;
    EXPECT_EQ(ours, Bsdtar(archive)) << name;
    EXPECT_EQ(ours.count("app/doc/日本語.txt"), 1u) << name;
    // The listing shows what extraction writes.
    QStringList files;
    for (const auto& [path, what] : ours)
      if (what != "<folder>") files << QString::fromStdString(path);
    QStringList listed = List(archive);
    listed.sort();
    EXPECT_EQ(listed, files) << name;
  }
  // Execute bits survive extraction (into TempRoot as anywhere).
  const QString out = Home() + QStringLiteral("/bits");
  EXPECT_EQ(Extract(a + QStringLiteral("tool.tar.xz"), out), 0);
  EXPECT_TRUE(QFileInfo(out + QStringLiteral("/app/run.sh")).permissions() & QFile::ExeOwner);
  EXPECT_FALSE(QFileInfo(out + QStringLiteral("/app/readme.txt")).permissions() & QFile::ExeOwner);
  const QString out7 = Home() + QStringLiteral("/bits7");
  EXPECT_EQ(Extract(a + QStringLiteral("tool.7z"), out7), 0);
  EXPECT_TRUE(QFileInfo(out7 + QStringLiteral("/app/run.sh")).permissions() & QFile::ExeOwner);

  // The viewer's way into a 7z archive, and the format found by content.
  int status = -1;
  TSevenZip32 sevenZip;
  EXPECT_EQ(InMemory(sevenZip, a + QStringLiteral("tool.7z"), QStringLiteral("app/doc/日本語.txt"), &status), "nihongo\n");
  EXPECT_EQ(status, 0);
  QFile::copy(a + QStringLiteral("tool.7z"), a + QStringLiteral("renamed.bin"));
  EXPECT_EQ(TArchiveFile::DetectArchiverType(a + QStringLiteral("renamed.bin"), false), atSevenZip);
}

// libarchive reads 7z archives but cannot decrypt them: the member is named
// with a clear reason, and an archive whose headers are encrypted says so.
TEST_F(KindsTest, AnEncryptedSevenZipArchiveSaysWhyItCannotBeExtracted) {
  Write(QStringLiteral("src/secret.txt"), "secret\n");
  const QString src = Home() + QStringLiteral("/src");
  ASSERT_TRUE(RunTool(src, QStringLiteral("/usr/bin/7zz"), {QStringLiteral("a"), QStringLiteral("-bd"), QStringLiteral("-pSECRET"), Home() + QStringLiteral("/enc.7z"), QStringLiteral("secret.txt")}));
  ASSERT_TRUE(RunTool(src, QStringLiteral("/usr/bin/7zz"), {QStringLiteral("a"), QStringLiteral("-bd"), QStringLiteral("-pSECRET"), QStringLiteral("-mhe=on"), Home() + QStringLiteral("/henc.7z"), QStringLiteral("secret.txt")}));
  QByteArray output;
  int status = -1;
  EXPECT_TRUE(Ours(Home() + QStringLiteral("/enc.7z"), &status, &output).empty());
  EXPECT_NE(status, 0);
  EXPECT_TRUE(QString::fromUtf8(output).contains(QStringLiteral("secret.txt: パスワードで保護されていますが、この書庫の暗号には対応していない")))
      << output.constData();
  EXPECT_TRUE(Ours(Home() + QStringLiteral("/henc.7z"), &status, &output).empty());
  EXPECT_NE(status, 0);
  EXPECT_TRUE(QString::fromUtf8(output).contains(QStringLiteral("見出しがパスワードで保護されている"))) << output.constData();
}

// Hostile names in a compressed tar get the rules every kind gets.
TEST_F(KindsTest, HostileMembersOfACompressedTarStayInside) {
  Write(QStringLiteral("raw/evil.tar"), craft::Tar({{"good.txt", '0', "good"},
                                                    {"../evil.txt", '0', "evil"},
                                                    {"/tmp/zot-abs-evil.txt", '0', "evil"},
                                                    {"link", '2', {}, "/etc"},
                                                    {"link/passwd2", '0', "through"},
                                                    {"fifo", '6'}}));
  ASSERT_TRUE(RunTool(Home() + QStringLiteral("/raw"), QStringLiteral("/usr/bin/xz"), {QStringLiteral("-k"), QStringLiteral("evil.tar")}));
  QFile::remove(QStringLiteral("/tmp/zot-abs-evil.txt"));
  QByteArray output;
  int status = -1;
  const Contents tree = Ours(Home() + QStringLiteral("/raw/evil.tar.xz"), &status, &output);
  EXPECT_NE(status, 0);
  // The refused link leaves "link" an ordinary folder inside.
  EXPECT_EQ(tree, (Contents{{"good.txt", Digest("good")}, {"link", "<folder>"}, {"link/passwd2", Digest("through")}}))
      << output.constData();
  EXPECT_FALSE(QFile::exists(QStringLiteral("/etc/passwd2")));
  EXPECT_FALSE(QFile::exists(Home() + QStringLiteral("/evil.txt")));
  EXPECT_FALSE(QFile::exists(QStringLiteral("/tmp/zot-abs-evil.txt")));
  EXPECT_TRUE(QString::fromUtf8(output).contains(QStringLiteral("展開先フォルダーの外を指す"))) << output.constData();
}

}  // namespace
