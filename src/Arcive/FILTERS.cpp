#include "Arcive/FILTERS.h"

#include "Arcive/ARCHIVES.h"

#include <QFile>
#include <QFileInfo>

QString JoinPath(const QString& folder, const QString& name) {
  if (folder.isEmpty()) return name;
  if (EndsWithPathDelimiter(Ansi(folder))) return folder + name;
  return folder + QLatin1Char('/') + name;
}

QString ChangeFileExt(const QString& path, const QString& ext) {
  const qsizetype slash = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
  const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
  return (dot > slash ? path.left(dot) : path) + ext;
}

QString SfxOutputPath(const QString& arcFileName, const QString& folder) {
  const QString out = ChangeFileExt(arcFileName, QStringLiteral(".EXE"));
  if (folder.isEmpty() || IsNulMarker(Ansi(folder))) return out;
  return JoinPath(folder, QFileInfo(out).fileName());
}

namespace {

void Fail(const QFile& f, const char* what) {
  throw Exception(QStringLiteral("ファイル %1 を%2できません。%3")
                      .arg(f.fileName(), QString::fromUtf8(what), f.errorString()));
}

void CopyAll(QFile& from, QFile& to) {
  QByteArray chunk;
  while (!(chunk = from.read(1 << 20)).isEmpty())
    if (to.write(chunk) != chunk.size()) Fail(to, "書き込み");
  if (from.error() != QFileDevice::NoError) Fail(from, "読み込み");
}

}  // namespace

void WriteStubAndArchive(const QString& stub, const QString& arcFileName, const QString& output) {
  QFile archive(arcFileName), out(output), head(stub);
  if (!archive.open(QIODevice::ReadOnly)) Fail(archive, "開け");
  // Writing over the archive while reading it would destroy it.
  const QString source = QFileInfo(arcFileName).canonicalFilePath();
  if (source == QFileInfo(output).canonicalFilePath() || source == QFileInfo(stub).canonicalFilePath())
    throw Exception(QStringLiteral("自己解凍書庫の出力先 %1 が元の書庫と同じです。").arg(output));
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) Fail(out, "作成");
  if (!head.open(QIODevice::ReadOnly)) Fail(head, "開け");
  CopyAll(head, out);
  CopyAll(archive, out);
  if (!out.flush()) Fail(out, "書き込み");
}
