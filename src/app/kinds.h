#pragma once
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

// What a file or member is, by its extension and the program-wide tables
// (ExtensionTable, the module flags). One place for the rules the listing,
// the classification of a selection and the folder listing share.

enum TMemberKind { mkProgram, mkText, mkHtml, mkOther };  // also the member icons 0-3

// The item data role under which the list keeps a member's kind.
constexpr int kMemberKindRole = 0x0101;  // Qt::UserRole + 1

// The extension of a name's last part with its dot, lower-cased; empty when none.
QString ExtensionOf(const QString& name);

// A member's kind (or a listing mask's: "*.txt" is text, "*.*" other);
// programs first, then text, then HTML, as the classification takes them.
TMemberKind MemberKindOf(const QString& name);

// Whether a member is a program for this system rather than for Windows: an
// ELF program or a "#!" script with an execute bit in the archive, or a name
// ending in ".AppImage" or ".sh" (started with their interpreter when the bit
// is missing). memberFlags: the module's CA_MEMBER_* flags.
bool IsLinuxProgram(const QString& name, uint8_t memberFlags);

// A member's kind from its name and the module's flags: Windows and Linux
// programs are both programs.
TMemberKind MemberKindOf(const QString& name, uint8_t memberFlags);

// Whether the extension is in any slot of ExtensionTable (the listing's last
// pass leaves such members to the earlier ones).
bool IsKnownExtension(const QString& ext);

// Notes which archiver modules are present (present(module name)); the
// LHA, ZIP and CAB modules are the start-up check's HasLhaDll, HasZipDll
// and HasCabDll.
void NoteArchiveModules(const std::function<bool(const char* module)>& present);

// Whether the file name is of an archive kind whose module is present.
bool ArchiveModulePresent(const QString& fileName);

// Whether a folder listing shows the file (a path): every program (it may
// be self-extracting) and the archives whose module is present, a split
// archive by its first part only.
bool ShownInFolders(const QString& fileName);

// The endings the folder tree shows files with: programs and the kinds
// whose module is present.
QStringList ShownEndings();
