#include "app/kinds.h"

#include "app/main.h"

#include <algorithm>
#include <initializer_list>

namespace {

bool InSlots(const QString& ext, std::initializer_list<int> indexes) {
  return !ext.isEmpty() && std::any_of(indexes.begin(), indexes.end(), [&ext](int i) { return ExtensionTable[i] == ext; });
}

}  // namespace

QString ExtensionOf(const QString& name) {
  const QString last = name.section(QLatin1Char('/'), -1);
  const qsizetype dot = last.lastIndexOf(QLatin1Char('.'));
  return dot >= 0 ? last.mid(dot).toLower() : QString();
}

TMemberKind MemberKindOf(const QString& name) {
  const QString ext = ExtensionOf(name);
  if (ext == QLatin1String(".com") || ext == QLatin1String(".exe")) return mkProgram;
  if (InSlots(ext, {0, 1, 2, 3, 4})) return mkText;
  if (InSlots(ext, {7, 8})) return mkHtml;
  return mkOther;
}

bool IsKnownExtension(const QString& ext) { return InSlots(ext, {0, 1, 2, 3, 4, 5, 6, 7, 8}); }

bool ArchiveModulePresent(const QString& ext) {
  return (ext == QLatin1String(".lzh") && HasLhaDll) || (ext == QLatin1String(".zip") && HasZipDll) ||
         (ext == QLatin1String(".cab") && HasCabDll);
}

bool ShownInFolders(const QString& ext) { return ext == QLatin1String(".exe") || ArchiveModulePresent(ext); }
