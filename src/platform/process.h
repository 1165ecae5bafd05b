#pragma once
#include <QString>
#include <QStringList>
#include <functional>

// Starting other programs. Nothing here waits for what it starts.
namespace platform {

// Every detached start goes through one launcher, so tests can watch the
// starts instead of running real programs.
using Launcher = std::function<bool(const QString& program, const QStringList& args,
                                    const QString& workDir)>;
void SetLauncher(Launcher launcher);  // an empty launcher restores the real one

// Starts a program file in the given working folder without waiting.
// A Windows program (it begins with "MZ") goes through wine when that is on
// the PATH and fails otherwise.
bool StartProgram(const QString& path, const QString& workDir);

// True when the file begins with the bytes "MZ".
bool IsWindowsProgram(const QString& path);

// Hands a file, folder or address to the desktop's opener (xdg-open).
bool OpenDocument(const QString& target);

// Starts a program with arguments, without waiting.
bool StartCommand(const QString& program, const QStringList& args, const QString& workDir = QString());

// Runs a whole command line (split as a shell would split words, but never
// passed through a shell).
bool RunCommandLine(const QString& commandLine);

}  // namespace platform
