#include "platform/process.h"

#include "platform/sandbox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace platform {
namespace {

Launcher& CurrentLauncher() {
  static Launcher launcher;
  return launcher;
}

bool Launch(const QString& program, const QStringList& args, const QString& workDir,
            const QProcessEnvironment& env = QProcessEnvironment()) {
  if (const Launcher& l = CurrentLauncher()) return l(program, args, workDir);
  QProcess p;
  p.setProgram(program);
  p.setArguments(args);
  p.setWorkingDirectory(workDir);
  if (!env.isEmpty()) p.setProcessEnvironment(env);
  return p.startDetached();
}

// The folder a program may write in: its run folder (the first folder below
// the temporary root), or, for a program elsewhere, its working folder.
QString WritableFolderOf(const QString& path, const QString& workDir, const QString& tempRoot) {
  const QString root = QDir::cleanPath(tempRoot);
  const QString clean = QDir::cleanPath(path);
  if (!root.isEmpty() && clean.startsWith(root + QLatin1Char('/'))) {
    const QString rest = clean.mid(root.size() + 1);
    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    return slash < 0 ? workDir : root + QLatin1Char('/') + rest.left(slash);
  }
  return workDir;
}

}  // namespace

void SetLauncher(Launcher launcher) { CurrentLauncher() = std::move(launcher); }

bool IsWindowsProgram(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return false;
  return f.read(2) == "MZ";
}

bool StartProgram(const QString& path, const QString& workDir) {
  if (!QFile::exists(path)) return false;
  const RunEnvironment& run = CurrentRunEnvironment();
  QStringList command{path};
  QStringList writable{WritableFolderOf(path, workDir, run.tempRoot)};
  QProcessEnvironment env;
  const QFileInfo file(path);
  if (!file.isExecutable() && !IsWindowsProgram(path)) {
    // A script that lost its execute bit runs with its interpreter; an
    // AppImage gets the bit back, but only in our own temporary folder.
    if (file.suffix().compare(QLatin1String("sh"), Qt::CaseInsensitive) == 0) {
      command.prepend(QStringLiteral("/bin/sh"));
    } else if (file.suffix().compare(QLatin1String("AppImage"), Qt::CaseInsensitive) == 0 && !run.tempRoot.isEmpty() &&
               file.absoluteFilePath().startsWith(QDir(run.tempRoot).absolutePath() + QLatin1Char('/'))) {
      QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
    }
  }
  if (IsWindowsProgram(path)) {
    const QString wine = QStandardPaths::findExecutable(QStringLiteral("wine"));
    if (wine.isEmpty()) return false;
    command.prepend(wine);
    env = QProcessEnvironment::systemEnvironment();
    AddWineEnvironment(env, run.winePrefix);
    writable << run.winePrefix;
  }
  if (run.sandbox && SandboxProblem().isEmpty()) {
    if (env.isEmpty()) env = QProcessEnvironment::systemEnvironment();
    command = SandboxCommand(command, workDir, writable);
  }
  const QString program = command.takeFirst();
  return Launch(program, command, workDir, env);
}

bool OpenDocument(const QString& target) {
  if (target.isEmpty()) return false;
  const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (opener.isEmpty()) return false;
  return Launch(opener, {target}, QString());
}

bool StartCommand(const QString& program, const QStringList& args, const QString& workDir) {
  if (program.isEmpty()) return false;
  return Launch(program, args, workDir);
}

bool RunCommandLine(const QString& commandLine) {
  QStringList words = QProcess::splitCommand(commandLine);
  if (words.isEmpty()) return false;
  const QString program = words.takeFirst();
  return Launch(program, words, QString());
}

}  // namespace platform
