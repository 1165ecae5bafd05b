// The real archiver modules, driven through the program's archive access
// layer as the main window drives them.
#pragma once
#include "Arcive/ArchiveFile.h"
#include "platform/folders.h"
#include "craft.h"
#include "archive_support.h"
#include "support.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>

#include <map>
#include <string>

#include <unistd.h>

namespace {

const QString kData = QStringLiteral(ZOT_TEST_DATA);

// A folder's contents as compared with other tools' extraction: path to
// "<folder>", "-> target" or "N bytes, CRC x".
using Contents = std::map<std::string, std::string>;

class ModuleTest : public ZotTest {
 protected:
  static std::string Digest(const QByteArray& bytes) {
    return std::to_string(bytes.size()) + " bytes, CRC " + QString::number(craft::Crc32(bytes), 16).toStdString();
  }
  // Every file (its size and CRC-32), link (its target) and folder below root.
  static Contents Tree(const QString& root) {
    Contents tree;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QFileInfo fi(it.next());
      const std::string rel = QDir(root).relativeFilePath(fi.filePath()).toStdString();
      if (fi.isSymLink()) tree[rel] = "-> " + LinkTarget(fi.filePath());
      else if (fi.isDir()) tree[rel] = "<folder>";
      else tree[rel] = Digest(ReadBytes(fi.filePath()));
    }
    return tree;
  }
  static std::string LinkTarget(const QString& link) {
    char target[4096];
    const ssize_t n = ::readlink(QFile::encodeName(link).constData(), target, sizeof target);
    return n < 0 ? std::string("<unreadable>") : std::string(target, static_cast<size_t>(n));
  }
  static QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
  }

  // What a reference tool extracts into a new folder.
  Contents Reference(const QString& tool, QStringList args, const QString& archive) {
    const QString out = Home() + QStringLiteral("/ref-%1").arg(++refs_);
    QDir().mkpath(out);
    args.replaceInStrings(QStringLiteral("OUT"), out);
    args << archive;
    QProcess p;
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(tool, args);
    EXPECT_TRUE(p.waitForFinished(60000)) << tool.toStdString();
    return Tree(out);
  }
  // Our extraction into a new folder: the status, and the tree.
  Contents Ours(const QString& archive, int* status, QByteArray* output = nullptr) {
    const QString out = Home() + QStringLiteral("/ours-%1").arg(++refs_);
    *status = Extract(archive, out, AllMembers(), 1, output);
    return Tree(out);
  }

  // A member extracted to memory, as the viewer reads it.
  static QByteArray InMemory(TArchiver& archiver, const QString& archive, const QString& member, int* status) {
    QByteArray buf(4 << 20, '\0');
    uint32_t written = 0;
    TArchiverOptions o;
    o.jso = 1;
    *status = archiver.ExtractMem(nullptr, archive, o, member, reinterpret_cast<unsigned char*>(buf.data()),
                                  static_cast<uint32_t>(buf.size()), &written);
    buf.truncate(static_cast<int>(written));
    return buf;
  }

  int refs_ = 0;

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
    const bool opened = file.ForEachMember(nullptr, mask, [&](const CaMemberInfoEx& rec) {
      names << QString::fromUtf8(rec.info.path);
      return true;
    });
    return opened ? names : QStringList{QStringLiteral("(not opened)")};
  }

  // Extracts as the main window does; returns the status.
  int Extract(const QString& archive, const QString& folder, const TFileList& files = AllMembers(), int x = 1,
              QByteArray* output = nullptr) {
    TArchiveFile file;
    file.SetFileName(archive);
    if (file.ArchiverType() == atAutoDetect)
      file.SetArchiverType(archive.endsWith(QLatin1String(".rar")) ? atRar : atTar);
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

}  // namespace
