#include "platform/folders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <climits>
#include <cstdlib>

namespace platform {
namespace {

QString Env(const char* name) { return QString::fromLocal8Bit(qgetenv(name)); }

QString Home() {
  const QString home = Env("HOME");
  return QDir::isAbsolutePath(home) ? QDir::cleanPath(home) : QString();
}

// An XDG base directory: the variable when it holds an absolute path, else
// the home-relative default, else nothing.
QString XdgDir(const char* var, const char* homeRelative) {
  const QString v = Env(var);
  if (QDir::isAbsolutePath(v)) return QDir::cleanPath(v);
  const QString home = Home();
  return home.isEmpty() ? QString() : home + QLatin1Char('/') + QLatin1String(homeRelative);
}

}  // namespace

QString SpecialFolder(int csidl) {
  switch (csidl) {
    case CSIDL_APPDATA:
    case CSIDL_LOCAL_APPDATA:
      return XdgDir("XDG_DATA_HOME", ".local/share");
    case CSIDL_PROFILE:
      return Home();
    case CSIDL_DESKTOP:
      return Home().isEmpty() ? QString()
                              : QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    case CSIDL_PERSONAL:
      return Home().isEmpty()
                 ? QString()
                 : QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    default:
      return QString();
  }
}

QString ProgramPath() {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return QString();
  return QString::fromLocal8Bit(buf, n);
}

QString ProgramFolder() { return QFileInfo(ProgramPath()).absolutePath(); }

namespace {
QString g_windowsFolder;
QString g_systemFolder;
}  // namespace

void SetLibraryFolders(const QString& windows, const QString& system) {
  g_windowsFolder = windows;
  g_systemFolder = system;
}

QString WindowsFolder() { return g_windowsFolder.isEmpty() ? ProgramFolder() : g_windowsFolder; }

QString SystemFolder() {
  if (!g_systemFolder.isEmpty()) return g_systemFolder;
  // ../lib/zot beside the program's bin folder, wherever the install was put.
  const QString beside = QDir::cleanPath(ProgramFolder() + QStringLiteral("/../lib/zot"));
  return QFileInfo(beside).isDir() ? beside : QStringLiteral(ZOT_MODULE_DIR);
}

QString SettingsFilePath() {
  QString dir = XdgDir("XDG_CONFIG_HOME", ".config");
  if (dir.isEmpty()) dir = TempFolder();
  return dir + QStringLiteral("/zot/zot.ini");
}

QString LibraryFileName(const QString& dllName) {
  QString name = dllName.toLower();
  if (name.endsWith(QLatin1String(".dll"))) name.chop(4);
  return name + QStringLiteral(".so");
}

QString TempFolder() { return QDir::cleanPath(QDir::tempPath()); }

QString MakePrivateFolder(const QString& path) {
  QString clean = QDir::cleanPath(path);
  const QFileInfo info(clean);
  QDir().mkpath(info.absolutePath());
  const QByteArray name = QFile::encodeName(clean);
  if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
    return QStringLiteral("作成できません (%1)").arg(QString::fromLocal8Bit(std::strerror(errno)));
  struct stat st {};
  if (::lstat(name.constData(), &st) != 0)
    return QStringLiteral("作成できません (%1)").arg(QString::fromLocal8Bit(std::strerror(errno)));
  if (S_ISLNK(st.st_mode)) return QStringLiteral("シンボリックリンクです");
  if (!S_ISDIR(st.st_mode)) return QStringLiteral("フォルダーではありません");
  if (st.st_uid != ::geteuid()) return QStringLiteral("ほかのユーザーのフォルダーです");
  if ((st.st_mode & 07777) != 0700 && ::chmod(name.constData(), 0700) != 0)
    return QStringLiteral("ほかのユーザーから読み書きできる状態を直せません");
  return QString();
}

QString NewPrivateTempFolder() {
  QByteArray templ = QFile::encodeName(TempFolder() + QStringLiteral("/zot-XXXXXX"));
  if (!::mkdtemp(templ.data())) return QString();
  return QFile::decodeName(templ);
}

}  // namespace platform
