#pragma once
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// How started programs are kept away from the user's files: Windows
// programs get a wine prefix of their own, and every program may run inside
// a bubblewrap sandbox.
namespace platform {

struct RunEnvironment {
  QString tempRoot;    // the private extraction root (run folders below it)
  QString winePrefix;  // WINEPREFIX for Windows programs; empty: wine's own default
  bool sandbox = false;
};
void SetRunEnvironment(const RunEnvironment& environment);
const RunEnvironment& CurrentRunEnvironment();

// Empty when bubblewrap is there and can start a sandbox on this machine;
// else the reason, in Japanese. Checked once.
QString SandboxProblem();

// The command that runs command in the sandbox: the system read-only, the
// home folder empty and read-only except for the writable folders, its own
// /tmp and /run, no network, the X and Wayland display sockets.
QStringList SandboxCommand(const QStringList& command, const QString& workDir, const QStringList& writable);

// What wine needs in the environment to use prefix quietly (no installer
// questions for Mono or Gecko, no debug output).
void AddWineEnvironment(QProcessEnvironment& env, const QString& prefix);

// Processes whose environment names this WINEPREFIX; with onlyPrograms,
// only the programs started (not wine's server and services, which stay a
// few seconds after the last program). KillWineProcesses ends them all with
// SIGKILL, as "wineserver -k" would, but also inside a sandbox.
bool WineProcessesRunning(const QString& prefix, bool onlyPrograms);
void KillWineProcesses(const QString& prefix);

}  // namespace platform
