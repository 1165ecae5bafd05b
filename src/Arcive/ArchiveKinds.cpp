#include "Arcive/ArchiveKinds.h"

#include <QFile>
#include <QRegularExpression>

const std::vector<TArchiveKind>& ArchiveKinds() {
  static const std::vector<TArchiveKind> kinds = {
      {atLha, "unlha32.dll", {QStringLiteral(".lzh"), QStringLiteral(".lha")}, "application/x-lha"},
      {atZip, "unzip32.dll", {QStringLiteral(".zip")}, "application/zip"},
      {atCab, "cab32.dll", {QStringLiteral(".cab")}, "application/vnd.ms-cab-compressed"},
      {atRar, "unrar32.dll", {QStringLiteral(".rar")}, "application/vnd.rar"},
      {atSevenZip, "7-zip32.dll", {QStringLiteral(".7z")}, "application/x-7z-compressed"},
      {atTar, "tar32.dll", {QStringLiteral(".tar")}, "application/x-tar"},
      {atTgz, "tar32.dll", {QStringLiteral(".tar.gz"), QStringLiteral(".tgz")}, "application/x-compressed-tar"},
      {atBZ2, "tar32.dll", {QStringLiteral(".tar.bz2"), QStringLiteral(".tbz"), QStringLiteral(".tbz2")},
       "application/x-bzip-compressed-tar"},
      {atTar, "tar32.dll", {QStringLiteral(".tar.xz"), QStringLiteral(".txz")}, "application/x-xz-compressed-tar"},
      {atTar, "tar32.dll", {QStringLiteral(".tar.zst"), QStringLiteral(".tzst")}, "application/x-zstd-compressed-tar"},
  };
  return kinds;
}

const TArchiveKind* ArchiveKindOf(const QString& fileName) {
  const QString name = fileName.section(QLatin1Char('/'), -1);
  for (const TArchiveKind& kind : ArchiveKinds())
    for (const QString& suffix : kind.suffixes)
      if (name.size() > suffix.size() && name.endsWith(suffix, Qt::CaseInsensitive)) return &kind;
  return nullptr;
}

bool IsLaterVolume(const QString& path) {
  static const QRegularExpression part(QStringLiteral("\\.part0*([0-9]+)\\.rar$"), QRegularExpression::CaseInsensitiveOption);
  if (const QRegularExpressionMatch m = part.match(path); m.hasMatch()) return m.captured(1).toLongLong() > 1;
  if (!path.endsWith(QLatin1String(".cab"), Qt::CaseInsensitive)) return false;
  // A cabinet that names a previous one (flag 1 in its header).
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return false;
  const QByteArray head = f.read(36);
  return head.size() == 36 && head.startsWith("MSCF") && (static_cast<unsigned char>(head[30]) & 0x01);
}
