#include "platform/classesroot.h"

#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QStringList>
#include <QTextStream>

namespace platform {
namespace {

const QLatin1String kOpenCommand("\\shell\\open\\command");

QString Env(const char* name) { return QString::fromLocal8Bit(qgetenv(name)); }

QStringList SplitDirs(const QString& value, const QString& fallback) {
  QStringList out;
  for (const QString& d : (value.isEmpty() ? fallback : value).split(QLatin1Char(':')))
    if (QDir::isAbsolutePath(d)) out << QDir::cleanPath(d);
  return out;
}

QString Home() { return Env("HOME"); }

QString ConfigHome() {
  const QString v = Env("XDG_CONFIG_HOME");
  return QDir::isAbsolutePath(v) ? v : Home() + QStringLiteral("/.config");
}

QString DataHome() {
  const QString v = Env("XDG_DATA_HOME");
  return QDir::isAbsolutePath(v) ? v : Home() + QStringLiteral("/.local/share");
}

QStringList ConfigDirs() { return SplitDirs(Env("XDG_CONFIG_DIRS"), QStringLiteral("/etc/xdg")); }

QStringList DataDirs() {
  return SplitDirs(Env("XDG_DATA_DIRS"), QStringLiteral("/usr/local/share:/usr/share"));
}

// The application folders, most important first.
QStringList ApplicationDirs() {
  QStringList dirs{DataHome() + QStringLiteral("/applications")};
  for (const QString& d : DataDirs()) dirs << d + QStringLiteral("/applications");
  return dirs;
}

// Reads "key=value" lines of one [group] of a desktop-style file.
QString GroupValue(const QString& file, const QString& group, const QString& key) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) return QString();
  QTextStream in(&f);
  bool inGroup = false;
  while (!in.atEnd()) {
    const QString line = in.readLine().trimmed();
    if (line.startsWith(QLatin1Char('['))) {
      inGroup = (line == QLatin1Char('[') + group + QLatin1Char(']'));
      continue;
    }
    if (!inGroup) continue;
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq > 0 && line.left(eq).trimmed() == key) return line.mid(eq + 1).trimmed();
  }
  return QString();
}

QString DesktopEntryFile(const QString& id) {
  if (id.isEmpty() || id.contains(QLatin1Char('/'))) return QString();
  for (const QString& dir : ApplicationDirs()) {
    const QString path = dir + QLatin1Char('/') + id;
    if (QFile::exists(path)) return path;
  }
  return QString();
}

// First installed desktop entry of a ";"-separated list.
QString FirstInstalled(const QString& list) {
  for (const QString& id : list.split(QLatin1Char(';'), Qt::SkipEmptyParts))
    if (!DesktopEntryFile(id.trimmed()).isEmpty()) return id.trimmed();
  return QString();
}

QString DefaultHandler(const QString& mimeType) {
  QStringList lists{ConfigHome() + QStringLiteral("/mimeapps.list")};
  for (const QString& d : ConfigDirs()) lists << d + QStringLiteral("/mimeapps.list");
  lists << DataHome() + QStringLiteral("/applications/mimeapps.list");
  for (const QString& d : DataDirs()) lists << d + QStringLiteral("/applications/mimeapps.list");
  for (const QString& list : lists) {
    const QString id = FirstInstalled(GroupValue(list, QStringLiteral("Default Applications"), mimeType));
    if (!id.isEmpty()) return id;
  }
  // No explicit default: the first application that says it handles the type.
  for (const QString& dir : ApplicationDirs()) {
    const QString id =
        FirstInstalled(GroupValue(dir + QStringLiteral("/mimeinfo.cache"), QStringLiteral("MIME Cache"), mimeType));
    if (!id.isEmpty()) return id;
  }
  return QString();
}

}  // namespace

std::optional<QString> ClassesRootDefault(const QString& subKey) {
  if (subKey.startsWith(QLatin1Char('.')) && !subKey.contains(QLatin1Char('\\'))) {
    const QMimeType type =
        QMimeDatabase().mimeTypeForFile(QStringLiteral("x") + subKey, QMimeDatabase::MatchExtension);
    QString name = type.isValid() && !type.isDefault() ? type.name() : QString();
    // Without a MIME database the program still knows its own web pages.
    if (name.isEmpty() && (subKey.compare(QLatin1String(".htm"), Qt::CaseInsensitive) == 0 ||
                           subKey.compare(QLatin1String(".html"), Qt::CaseInsensitive) == 0))
      name = QStringLiteral("text/html");
    if (name.isEmpty()) return std::nullopt;
    const QString id = DefaultHandler(name);
    if (id.isEmpty()) return std::nullopt;
    return id;
  }
  if (subKey.endsWith(kOpenCommand, Qt::CaseInsensitive)) {
    const QString file = DesktopEntryFile(subKey.chopped(kOpenCommand.size()));
    if (file.isEmpty()) return std::nullopt;
    const QString exec = GroupValue(file, QStringLiteral("Desktop Entry"), QStringLiteral("Exec"));
    if (exec.isEmpty()) return std::nullopt;
    return exec;
  }
  return std::nullopt;
}

}  // namespace platform
