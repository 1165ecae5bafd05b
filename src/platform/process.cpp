#include "platform/process.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace platform {
namespace {

Launcher& CurrentLauncher() {
  static Launcher launcher;
  return launcher;
}

bool Launch(const QString& program, const QStringList& args, const QString& workDir) {
  if (const Launcher& l = CurrentLauncher()) return l(program, args, workDir);
  return QProcess::startDetached(program, args, workDir);
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
  if (IsWindowsProgram(path)) {
    const QString wine = QStandardPaths::findExecutable(QStringLiteral("wine"));
    if (wine.isEmpty()) return false;
    return Launch(wine, {path}, workDir);
  }
  return Launch(path, {}, workDir);
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
