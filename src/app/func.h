#pragma once
#include <QString>
#include <optional>

// Path and shell helpers shared by the windows. None keeps state and none
// reports errors to the user.

// Appends the path separator unless the path already ends with one.
QString AddTrailingBackslash(const QString& path);

QString GetWindowsFolder();
QString GetSystemFolder();
// Path of a shell special folder (CSIDL number), or empty.
QString GetSpecialFolder(int csidl);

// Removes a folder and everything below it; true when all of it is gone.
// Symbolic links are removed as links and never followed. Files a running
// process holds, and the folders above them, stay.
bool DeleteFolderTree(const QString& folder);

// Turns "/"-separated member names into paths of this file system.
QString SlashToBackslash(const QString& text);

// Where a member lands below a folder: its name with "/" separators and no
// leading separator, after the folder and one separator.
QString MemberPathIn(const QString& folder, const QString& member);

// Default value of a file-type registry key (see platform/classesroot.h).
std::optional<QString> ReadClassesRootDefault(const QString& subKey);

// Removes the document placeholder from a registered open command, together
// with the character before it ("prog "%1"" -> "prog").
QString RemoveDocumentPlaceholder(const QString& command);

// Opens a web address or document with the desktop, falling back to the
// registered HTML handler's command line.
bool OpenUrl(const QString& url);

// Opens the mail program on "mailto:" + address + "?" with the program's subject.
void SendMail(const QString& linkPrefix);

// The private temporary root for an application-data folder (empty when there
// is none) and the system temporary folder; always ends with a separator.
QString MakeTempRoot(const QString& appData, const QString& tempFolder);
