#include "platform/sandbox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QStandardPaths>

#include <signal.h>
#include <unistd.h>

#include <thread>

namespace platform {
namespace {

RunEnvironment& Current() {
  static RunEnvironment environment;
  return environment;
}

QString Bwrap() { return QStandardPaths::findExecutable(QStringLiteral("bwrap")); }

// Each process of ours that has prefix as its WINEPREFIX, with its name.
template <typename F>
void ForEachWineProcess(const QString& prefix, F visit) {
  if (prefix.isEmpty()) return;
  const QByteArray wanted = "WINEPREFIX=" + QFile::encodeName(QDir::cleanPath(prefix));
  const uid_t me = ::getuid();
  for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    bool number = false;
    const int n = pid.toInt(&number);
    if (!number || n == ::getpid()) continue;
    const QString base = QStringLiteral("/proc/") + pid;
    if (QFileInfo(base).ownerId() != me) continue;
    QFile environ(base + QStringLiteral("/environ"));
    if (!environ.open(QIODevice::ReadOnly)) continue;
    const QList<QByteArray> vars = environ.readAll().split('\0');
    if (!vars.contains(wanted)) continue;
    QFile comm(base + QStringLiteral("/comm"));
    const QByteArray name = comm.open(QIODevice::ReadOnly) ? comm.readAll().trimmed() : QByteArray();
    visit(n, name, QFileInfo(base + QStringLiteral("/cwd")).symLinkTarget());
  }
}

}  // namespace

void SetRunEnvironment(const RunEnvironment& environment) { Current() = environment; }
const RunEnvironment& CurrentRunEnvironment() { return Current(); }

QString SandboxProblem() {
  // Asked once for each bwrap found (the search path may change).
  static QHash<QString, QString> known;
  const QString bwrap = Bwrap();
  if (bwrap.isEmpty()) return QStringLiteral("bubblewrap (bwrap) が見つかりません。");
  if (const auto it = known.constFind(bwrap); it != known.constEnd()) return *it;
  const QString problem = [&bwrap] {
    QProcess probe;
    probe.start(bwrap, {QStringLiteral("--ro-bind"), QStringLiteral("/"), QStringLiteral("/"), QStringLiteral("--dev"),
                        QStringLiteral("/dev"), QStringLiteral("--proc"), QStringLiteral("/proc"),
                        QStringLiteral("--unshare-all"), QStringLiteral("--"), QStringLiteral("/bin/true")});
    if (!probe.waitForFinished(10000)) {
      probe.kill();
      probe.waitForFinished();
      return QStringLiteral("bubblewrap が応答しません。");
    }
    if (probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0) {
      const QString said = QString::fromLocal8Bit(probe.readAllStandardError()).trimmed();
      return QStringLiteral("このコンピューターではサンドボックスを作れません (ユーザー名前空間が使えない可能性があります)。") +
             (said.isEmpty() ? QString() : QStringLiteral("\n") + said);
    }
    return QString();
  }();
  known.insert(bwrap, problem);
  return problem;
}

QStringList SandboxCommand(const QStringList& command, const QString& workDir, const QStringList& writable) {
  auto s = [](const char* t) { return QString::fromLatin1(t); };
  QStringList args = {s("--ro-bind"), s("/"), s("/"), s("--dev"), s("/dev"), s("--proc"), s("/proc"),
                      s("--tmpfs"), s("/tmp"), s("--tmpfs"), s("/run"), s("--tmpfs"), s("/var/tmp")};
  const QString home = QDir::homePath();
  if (!home.isEmpty() && home != QLatin1String("/")) args << s("--tmpfs") << home;
  for (const QString& w : writable)
    if (!w.isEmpty() && QFileInfo(w).isDir()) args << s("--bind") << w << w;
  // Nothing new in the home folder itself; the folders bound below it stay writable.
  if (!home.isEmpty() && home != QLatin1String("/")) args << s("--remount-ro") << home;
  // The display: the X sockets (the abstract ones are behind the network
  // namespace, the files are not), its cookie and a Wayland socket.
  if (QFileInfo(s("/tmp/.X11-unix")).isDir()) args << s("--ro-bind") << s("/tmp/.X11-unix") << s("/tmp/.X11-unix");
  const QString cookie = qEnvironmentVariable("XAUTHORITY");
  if (!cookie.isEmpty() && QFileInfo::exists(cookie)) args << s("--ro-bind") << cookie << cookie;
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  const QString wayland = qEnvironmentVariable("WAYLAND_DISPLAY");
  if (!runtime.isEmpty() && !wayland.isEmpty()) {
    const QString socket = wayland.startsWith(QLatin1Char('/')) ? wayland : runtime + QLatin1Char('/') + wayland;
    if (QFileInfo::exists(socket)) args << s("--ro-bind") << socket << socket;
  }
  args << s("--unshare-all") << s("--new-session") << s("--chdir") << workDir << s("--");
  return QStringList{Bwrap()} + args + command;
}

void AddWineEnvironment(QProcessEnvironment& env, const QString& prefix) {
  if (!prefix.isEmpty()) env.insert(QStringLiteral("WINEPREFIX"), QDir::cleanPath(prefix));
  env.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
  env.insert(QStringLiteral("WINEDLLOVERRIDES"), QStringLiteral("mscoree,mshtml="));
}

bool WineProcessesRunning(const QString& prefix, bool onlyPrograms) {
  bool any = false;
  const QString inside = QDir::cleanPath(prefix) + QLatin1Char('/');
  ForEachWineProcess(prefix, [&](int, const QByteArray& name, const QString& cwd) {
    // Wine's own services work in the prefix; the sandbox's bwrap only
    // waits for what runs inside it.
    const bool wines = name.startsWith("wineserver") || name == "bwrap" || (cwd + QLatin1Char('/')).startsWith(inside);
    if (!onlyPrograms || !wines) any = true;
  });
  return any;
}

void KillWineProcesses(const QString& prefix) {
  for (int round = 0; round < 20 && WineProcessesRunning(prefix, false); ++round) {
    ForEachWineProcess(prefix, [](int pid, const QByteArray&, const QString&) { ::kill(pid, SIGKILL); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

}  // namespace platform
