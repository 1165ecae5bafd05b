#include "platform/wineprefix.h"

#include "platform/sandbox.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <cstdio>

namespace platform {
namespace {

constexpr char kReady[] = "/.zot-template-ready";

// Runs a process to its end, asking wait between looks; false when it was
// given up or failed.
bool RunStep(QProcess& p, const KeepWaiting& wait, QString* error, const QString& what) {
  p.start();
  if (!p.waitForStarted(10000)) {
    *error = what + QStringLiteral(" を起動できません。");
    return false;
  }
  while (!p.waitForFinished(50)) {
    if (p.state() == QProcess::NotRunning) break;
    if (wait && !wait()) {
      p.kill();
      p.waitForFinished();
      error->clear();
      return false;
    }
  }
  if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
    *error = what + QStringLiteral(" が失敗しました: ") + QString::fromLocal8Bit(p.readAllStandardError()).trimmed().right(400);
    return false;
  }
  return true;
}

bool SameBytes(const QString& a, const QString& b) {
  QFile fa(a), fb(b);
  if (fa.size() != fb.size() || !fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly)) return false;
  while (!fa.atEnd())
    if (fa.read(1 << 20) != fb.read(1 << 20)) return false;
  return true;
}

// Where the installed wine keeps the Windows side of its libraries.
QStringList WineLibraryFolders() {
  QStringList out;
  for (const char* d : {"/usr/lib/x86_64-linux-gnu/wine/x86_64-windows", "/usr/lib/i386-linux-gnu/wine/i386-windows",
                        "/usr/lib/wine/x86_64-windows", "/usr/lib/wine/i386-windows"})
    if (QFileInfo(QString::fromLatin1(d)).isDir()) out << QString::fromLatin1(d);
  return out;
}

// Replaces each copy of an installed wine library with a link to it. A
// program writing through such a link meets a read-only system file; one
// that replaces the library replaces the link.
void LinkInstalledLibraries(const QString& prefix) {
  const QStringList libs = WineLibraryFolders();
  for (const char* sub : {"/drive_c/windows/system32", "/drive_c/windows/syswow64"}) {
    QDirIterator it(prefix + QLatin1String(sub), QDir::Files | QDir::NoSymLinks);
    while (it.hasNext()) {
      const QString file = it.next();
      for (const QString& lib : libs) {
        const QString installed = lib + QLatin1Char('/') + it.fileName();
        if (!QFileInfo::exists(installed) || !SameBytes(file, installed)) continue;
        const QString link = file + QStringLiteral(".zot-link");
        if (QFile::link(installed, link) && ::rename(QFile::encodeName(link).constData(), QFile::encodeName(file).constData()) != 0)
          QFile::remove(link);
        break;
      }
    }
  }
}

}  // namespace

QString WineTemplateFolder() {
  QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
  if (cache.isEmpty() || !QDir::isAbsolutePath(cache)) cache = QDir::homePath() + QStringLiteral("/.cache");
  return cache + QStringLiteral("/zot/wine-template");
}

bool WineTemplateReady() { return QFileInfo::exists(WineTemplateFolder() + QLatin1String(kReady)); }

bool MakeWineTemplate(const KeepWaiting& wait, QString* error) {
  const QString target = WineTemplateFolder();
  const QString partial = target + QStringLiteral(".partial");
  QDir(partial).removeRecursively();
  QDir(target).removeRecursively();
  if (!QDir().mkpath(QFileInfo(target).absolutePath())) {
    *error = QStringLiteral("フォルダー %1 を作成できません。").arg(QFileInfo(target).absolutePath());
    return false;
  }
  const QString wineboot = QStandardPaths::findExecutable(QStringLiteral("wineboot"));
  const QString wineserver = QStandardPaths::findExecutable(QStringLiteral("wineserver"));
  if (wineboot.isEmpty() || wineserver.isEmpty()) {
    *error = QStringLiteral("wineboot が見つかりません。wine をインストールしてください。");
    return false;
  }
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  AddWineEnvironment(env, partial);
  QProcess boot;
  boot.setProgram(wineboot);
  boot.setArguments({QStringLiteral("-i")});
  boot.setProcessEnvironment(env);
  boot.setStandardOutputFile(QProcess::nullDevice());
  bool ok = RunStep(boot, wait, error, QStringLiteral("wineboot"));
  if (ok) {
    // The prefix is complete once its server has written everything out.
    QProcess server;
    server.setProgram(wineserver);
    server.setArguments({QStringLiteral("-w")});
    server.setProcessEnvironment(env);
    ok = RunStep(server, wait, error, QStringLiteral("wineserver"));
  }
  KillWineProcesses(partial);
  if (ok) {
    LinkInstalledLibraries(partial);
    QFile ready(partial + QLatin1String(kReady));
    ok = ready.open(QIODevice::WriteOnly) && ready.flush() && QDir().rename(partial, target);
    if (!ok && error->isEmpty()) *error = QStringLiteral("%1 に書き込めません。").arg(target);
  }
  if (!ok) QDir(partial).removeRecursively();
  return ok;
}

bool CopyWineTemplate(const QString& prefix, const KeepWaiting& wait, QString* error) {
  if (QFileInfo::exists(prefix)) return true;
  const QString partial = prefix + QStringLiteral(".partial");
  QDir(partial).removeRecursively();
  QProcess cp;
  cp.setProgram(QStringLiteral("/bin/cp"));
  cp.setArguments({QStringLiteral("-a"), QStringLiteral("--reflink=auto"), WineTemplateFolder(), partial});
  const bool ok = RunStep(cp, wait, error, QStringLiteral("cp")) && QDir().rename(partial, prefix);
  if (!ok) QDir(partial).removeRecursively();
  return ok;
}

}  // namespace platform
