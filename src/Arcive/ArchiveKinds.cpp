#include "Arcive/ArchiveKinds.h"

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
