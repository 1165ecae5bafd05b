#pragma once
// The kinds of archive the program opens: one table that names each kind's
// file name endings, format, module and MIME type. The folder tree, the
// folder listing, the format choice and the desktop files all follow it.
#include "Arcive/ArchiveFile.h"

#include <QString>
#include <QStringList>

#include <vector>

struct TArchiveKind {
  TArchiverType type;
  const char* module;     // the module that reads it, as the binding names it
  QStringList suffixes;   // lower case, with the dot; ".tar.gz" is one ending
  const char* mimeType;
};

const std::vector<TArchiveKind>& ArchiveKinds();

// The kind a file name's ending says (double endings such as ".tar.xz"
// count as one), or null.
const TArchiveKind* ArchiveKindOf(const QString& fileName);

// Whether the file is a later part of a split archive (NAME.part2.rar and
// on, a cabinet that continues another): the first part stands for the set.
bool IsLaterVolume(const QString& path);
