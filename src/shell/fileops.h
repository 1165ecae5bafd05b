#pragma once
// What the shell's commands do to files: copy and move without ever
// overwriting, the desktop Trash, shortcuts. Every function answers with
// success, or false and a Japanese sentence in *why.
#include <QString>

namespace shell {

// The name an item called name gets in folder without taking another's:
// name itself when free, else "a (2).txt", "a (3).txt", ... (folders and
// names without an extension: "a (2)").
QString FreeName(const QString& folder, const QString& name);

// Copies a file, link or whole folder into folder under a free name; the
// copy appears only when complete. *made: the new path.
bool CopyInto(const QString& source, const QString& folder, QString* made, QString* why);
// Moves it there under a free name. Across file systems it is copied,
// the copy checked against the source, and only then the source removed,
// so a failure leaves the source whole. Into its own folder: nothing to do.
bool MoveInto(const QString& source, const QString& folder, QString* made, QString* why);
// Whether folder is source or lies below it (a folder cannot go there).
bool IsSameOrBelow(const QString& folder, const QString& source);

enum class TrashResult { kTrashed, kNoTrash, kFailed };
// Moves the item to the freedesktop.org Trash of its file system (the
// home Trash, or the volume's .Trash/UID or .Trash-UID), with the
// .trashinfo a file manager restores it from. kNoTrash: the item's file
// system has none that can be used.
TrashResult MoveToTrash(const QString& path, QString* why);
// The home Trash folder ($XDG_DATA_HOME/Trash).
QString HomeTrash();
// Removes the item for good (a folder with everything in it, links as links).
bool DeleteForGood(const QString& path, QString* why);

// A symbolic link "NAME へのショートカット" beside the item.
bool MakeShortcut(const QString& path, QString* made, QString* why);

}  // namespace shell
