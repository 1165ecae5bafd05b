// Passwords through the real modules: asked for from the owner window,
// never kept.
#include "Arcive/ArchiveFile.h"
#include "Arcive/LHA32.h"
#include "Arcive/TAR32.h"
#include "Arcive/ZIP32.h"
#include "platform/folders.h"
#include "platform/msgwindow.h"
#include "craft.h"
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
