#include "app/kinds.h"

#include "Arcive/ArchiveKinds.h"
#include "common_archiver.h"
#include "app/state.h"

#include <algorithm>
#include <initializer_list>

namespace {

std::vector<bool>& Present() {
  static std::vector<bool> present(ArchiveKinds().size(), false);
  return present;
}

bool KindPresent(const TArchiveKind& kind) {
  if (kind.type == atLha) return HasLhaDll;
  if (kind.type == atZip) return HasZipDll;
  if (kind.type == atCab) return HasCabDll;
  return Present()[static_cast<size_t>(&kind - ArchiveKinds().data())];
}

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

bool IsLinuxProgram(const QString& name, uint8_t memberFlags) {
  const QString ext = ExtensionOf(name);
  if (ext == QLatin1String(".com") || ext == QLatin1String(".exe")) return false;
  if (ext == QLatin1String(".appimage") || ext == QLatin1String(".sh")) return true;
  return (memberFlags & CA_MEMBER_EXECUTABLE) && (memberFlags & (CA_MEMBER_ELF | CA_MEMBER_SCRIPT));
}

TMemberKind MemberKindOf(const QString& name, uint8_t memberFlags) {
  return IsLinuxProgram(name, memberFlags) ? mkProgram : MemberKindOf(name);
}

bool IsKnownExtension(const QString& ext) { return InSlots(ext, {0, 1, 2, 3, 4, 5, 6, 7, 8}); }

void NoteArchiveModules(const std::function<bool(const char*)>& present) {
  for (size_t i = 0; i < ArchiveKinds().size(); ++i) Present()[i] = present(ArchiveKinds()[i].module);
}

bool ArchiveModulePresent(const QString& fileName) {
  const TArchiveKind* kind = ArchiveKindOf(fileName);
  return kind && KindPresent(*kind);
}

bool ShownInFolders(const QString& fileName) {
  return ExtensionOf(fileName) == QLatin1String(".exe") || (ArchiveModulePresent(fileName) && !IsLaterVolume(fileName));
}

QStringList ShownEndings() {
  QStringList endings{QStringLiteral(".exe")};
  for (const TArchiveKind& kind : ArchiveKinds())
    if (KindPresent(kind)) endings << kind.suffixes;
  return endings;
}
