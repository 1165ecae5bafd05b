#pragma once
#include <QString>
#include <optional>

// The file-type registry as the desktop keeps it (shared MIME database,
// mimeapps.list and desktop entries), asked the way the program asks the
// Windows registry's HKEY_CLASSES_ROOT:
//   ".htm"                           -> the default handler's desktop-entry id
//   "<id>\shell\open\command"        -> that entry's Exec line
// Anything else is not found.
namespace platform {

std::optional<QString> ClassesRootDefault(const QString& subKey);

}  // namespace platform
