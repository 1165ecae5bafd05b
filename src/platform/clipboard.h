#pragma once
#include <QString>
#include <QStringList>

class QMimeData;

namespace platform {

// Puts plain text on the desktop clipboard.
void SetClipboardText(const QString& text);

// Puts files on the clipboard the way desktop file managers exchange them:
// text/uri-list, x-special/gnome-copied-files ("cut" or "copy", then the
// URIs), KDE's cut mark, and the paths as plain text.
void SetClipboardFiles(const QStringList& paths, bool cut);
// The local files on the clipboard, read from either form; *cut says whether
// they were cut (only gnome-copied-files and KDE's mark can say so).
QStringList ClipboardFiles(bool* cut = nullptr);
// Files as text/uri-list with their paths as plain text: what a drag of
// files carries (the caller owns it).
QMimeData* FileMimeData(const QStringList& paths);
// Empties the clipboard (after the files of a cut have been moved).
void ClearClipboard();

}  // namespace platform
