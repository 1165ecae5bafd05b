#pragma once
#include <QString>

// Folders the program asks the system for, and where its files live.
namespace platform {

// Shell special-folder numbers the program uses.
enum Csidl : int {
  CSIDL_DESKTOP = 0,
  CSIDL_PERSONAL = 5,
  CSIDL_APPDATA = 26,
  CSIDL_LOCAL_APPDATA = 28,
  CSIDL_PROFILE = 40,
};

// Path of a special folder, or empty when the system has none.
QString SpecialFolder(int csidl);

// Folder of the running executable, without a trailing separator.
QString ProgramFolder();
// Full path of the running executable.
QString ProgramPath();

// Stand-ins for the Windows and System folders: where archiver modules may live.
QString WindowsFolder();  // the program's own folder
QString SystemFolder();   // the installed module folder
// Points the two folders above elsewhere (tests); empty strings restore them.
void SetLibraryFolders(const QString& windows, const QString& system);

// The settings file: $XDG_CONFIG_HOME/zot/zot.ini.
QString SettingsFilePath();

// "UNLHA32.DLL" -> "unlha32.so".
QString LibraryFileName(const QString& dllName);

// The system's temporary folder, without a trailing separator.
QString TempFolder();

// Makes path (and any missing parents) a folder only this user can enter:
// created with mode 0700, or, when it is there already, a real folder (not a
// link) owned by this user, tightened to 0700. Empty when it is fit for use,
// else a Japanese sentence saying why not.
QString MakePrivateFolder(const QString& path);

// A new folder of its own below the system temporary folder, private to this
// user (never a fixed name another user could take first); empty on failure.
QString NewPrivateTempFolder();

}  // namespace platform
