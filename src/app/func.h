#pragma once
#include <QString>
#include <QStringList>
#include <optional>

// Path and shell helpers shared by the windows. None keeps state and none
// reports errors to the user.

// Appends the path separator unless the path already ends with one.
QString AddTrailingBackslash(const QString& path);

QString GetWindowsFolder();
QString GetSystemFolder();
// Path of a shell special folder (CSIDL number), or empty.
QString GetSpecialFolder(int csidl);

// What DeleteFolderTree had to leave, with paths as the system resolves them.
struct TDeleteReport {
  QStringList inUse;   // held by a running process
  QStringList failed;  // refused for another reason: "path: reason"
};

// Removes a folder and everything below it; true when all of it is gone.
// Symbolic links are removed as links and never followed; folders get their
// owner's permission to be emptied first. Files a running process holds, and
// the folders above them, stay.
bool DeleteFolderTree(const QString& folder, TDeleteReport* report = nullptr);

// Turns "/"-separated member names into paths of this file system.
QString SlashToBackslash(const QString& text);

// Where a member lands below folder: folder, one separator and the member's
// name ("/" and "\\" both separate parts). Nothing when the name would leave
// the folder (a ".." part, an absolute or drive path), names nothing, or when
// what stands at that place now resolves outside the folder.
std::optional<QString> MemberPathIn(const QString& folder, const QString& member);

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

// The private temporary root below an application-data folder, ending with
// a separator; empty when there is no such folder.
QString MakeTempRoot(const QString& appData);
