// The real archiver modules, driven through the program's archive access
// layer as the main window drives them.
#pragma once
#include "Arcive/ArchiveFile.h"
#include "platform/folders.h"
#include "support.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>

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
