#pragma once
#include <QString>

// Loading archiver modules at run time.
namespace platform {

// Loads "NAME.DLL" as name.so from the program's folder, then the installed
// module folder, then the dynamic loader's own path. Null when not found.
void* LoadLibrary(const QString& dllName);
void FreeLibrary(void* module);
// Null for a null module or a missing entry.
void* GetProcAddress(void* module, const char* name);
// File path of a loaded module; the program's own file for a null module.
QString GetModuleFileName(void* module);
// How many times LoadLibrary has actually opened a file (for tests).
int LibraryLoadCount();

// The system's search rule for a bare file name: the program's folder, the
// current folder, then PATH. Empty when not found.
QString SearchPath(const QString& fileName);

}  // namespace platform
