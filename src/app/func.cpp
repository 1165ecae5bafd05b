#include "app/func.h"

#include "platform/classesroot.h"
#include "platform/folders.h"
#include "platform/inuse.h"
#include "platform/process.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <set>
#include <string>

namespace {

const QChar kSep = QLatin1Char('/');

struct Deleter {
  std::set<std::string> inUse;
  TDeleteReport* report;

  void Failed(const std::string& path, int err) {
    if (report) report->failed << QFile::decodeName(path.c_str()) + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(err));
  }
  void Held(const std::string& path) {
    if (report) report->inUse << QFile::decodeName(path.c_str());
  }

  // Empties and removes the folder `name` of the folder parent (path is its
  // full, resolved path); false when anything stays.
  bool Tree(int parent, const char* name, const std::string& path) {
    // A folder without read, write or search permission for its owner (as
    // archives and programs leave them) is given it first; O_PATH opens
    // the folder itself, never what a link in its place points to.
    const int self = ::openat(parent, name, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (self < 0) {
      Failed(path, errno);
      return false;
    }
    struct stat st {};
    if (::fstat(self, &st) == 0 && (st.st_mode & 0700) != 0700)
      ::chmod(("/proc/self/fd/" + std::to_string(self)).c_str(), (st.st_mode & 07777) | 0700);
    const int fd = ::openat(self, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::close(self);
    bool ok = true;
    if (fd < 0) {
      Failed(path, errno);
      return false;
    }
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
      ::close(fd);
      Failed(path, errno);
      return false;
    }
    while (dirent* e = ::readdir(dir)) {
      const std::string child = e->d_name;
      if (child == "." || child == "..") continue;
      const std::string childPath = path + '/' + child;
      struct stat cst {};
      if (::fstatat(fd, child.c_str(), &cst, AT_SYMLINK_NOFOLLOW) != 0) {
        Failed(childPath, errno);
        ok = false;
      } else if (S_ISDIR(cst.st_mode)) {
        ok = Tree(fd, child.c_str(), childPath) && ok;
      } else if (inUse.count(childPath)) {
        Held(childPath);
        ok = false;
      } else if (::unlinkat(fd, child.c_str(), 0) != 0) {
        Failed(childPath, errno);
        ok = false;
      }
    }
    ::closedir(dir);
    if (inUse.count(path)) {  // some process works in this folder
      Held(path);
      return false;
    }
    if (::unlinkat(parent, name, AT_REMOVEDIR) != 0) {
      // What is left below has been reported already.
      if (ok) Failed(path, errno);
      return false;
    }
    return ok;
  }
};

}  // namespace

QString AddTrailingBackslash(const QString& path) {
  if (path.endsWith(kSep)) return path;
  return path + kSep;
}

QString GetWindowsFolder() { return platform::WindowsFolder(); }

QString GetSystemFolder() { return platform::SystemFolder(); }

QString GetSpecialFolder(int csidl) { return platform::SpecialFolder(csidl); }

bool DeleteFolderTree(const QString& folder, TDeleteReport* report) {
  if (folder.isEmpty()) return false;
  std::string path = QFile::encodeName(folder).toStdString();
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  struct stat st {};
  // A link standing for the folder is not a folder of ours to empty.
  if (::lstat(path.c_str(), &st) != 0) return false;
  if (!S_ISDIR(st.st_mode)) {
    if (report) report->failed << folder + QStringLiteral(": フォルダーではありません");
    return false;
  }
  // Deletion and the in-use scan must look at the same, resolved paths.
  char real[PATH_MAX];
  if (!::realpath(path.c_str(), real) || std::string(real) == "/") return false;
  path = real;
  const size_t slash = path.rfind('/');
  const std::string parentPath = slash == 0 ? std::string("/") : path.substr(0, slash);
  const int parent = ::open(parentPath.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (parent < 0) return false;
  Deleter d{platform::PathsInUse(path), report};
  const bool ok = d.Tree(parent, path.c_str() + slash + 1, path);
  ::close(parent);
  return ok;
}

QString SlashToBackslash(const QString& text) {
  QString out = text;
  out.replace(QLatin1Char('/'), kSep);
  return out;
}

std::optional<QString> MemberPathIn(const QString& folder, const QString& member) {
  // No folder is no place for anything (and never the file system's root).
  if (!QDir::isAbsolutePath(folder) || QDir::cleanPath(folder) == QLatin1String("/")) return std::nullopt;
  const QStringList parts = member.split(QRegularExpression(QStringLiteral("[/\\\\]")));
  // "/x", "\\x" and "C:\\x" name places of their own, not below the folder.
  if (parts.size() > 1 && (parts.front().isEmpty() || (parts.front().size() == 2 && parts.front()[1] == QLatin1Char(':'))))
    return std::nullopt;
  QStringList kept;
  for (const QString& part : parts) {
    if (part == QLatin1String("..")) return std::nullopt;
    if (!part.isEmpty() && part != QLatin1String(".")) kept << part;
  }
  if (kept.isEmpty()) return std::nullopt;
  const QString base = AddTrailingBackslash(folder);
  const QString path = base + kept.join(kSep);
  // A link extracted (or planted) on the way may point anywhere.
  const QFileInfo fi(path);
  if (fi.exists() || fi.isSymLink()) {
    const QString real = fi.canonicalFilePath();
    const QString realBase = AddTrailingBackslash(QFileInfo(base).canonicalFilePath());
    if (real.isEmpty() || realBase == QLatin1String("/") || !real.startsWith(realBase)) return std::nullopt;
  }
  return path;
}

std::optional<QString> ReadClassesRootDefault(const QString& subKey) {
  return platform::ClassesRootDefault(subKey);
}

QString RemoveDocumentPlaceholder(const QString& command) {
  // "%1" is the Windows form; desktop entries use %u %U %f %F.
  static const char* const kCodes[] = {"%1", "%u", "%U", "%f", "%F"};
  QString out = command;
  auto removeAt = [&out](qsizetype p, qsizetype len) {
    // Together with the blank before it, when there is one.
    if (p > 0) out.remove(p - 1, len + 1);
    else out.remove(p, len);
  };
  bool removed = false;
  for (const char* code : kCodes) {
    const qsizetype p = out.indexOf(QLatin1Char('"') + QLatin1String(code) + QLatin1Char('"'));
    if (p >= 0) {
      removeAt(p, 4);
      removed = true;
      break;
    }
  }
  if (!removed) {
    for (const char* code : kCodes) {
      const qsizetype p = out.indexOf(QLatin1String(code));
      if (p >= 0) {
        removeAt(p, 2);
        break;
      }
    }
  }
  // Field codes a desktop entry may carry that stand for nothing here.
  for (const char* code : {" %i", " %c", " %k"}) out.remove(QLatin1String(code));
  out.replace(QLatin1String("%%"), QLatin1String("%"));
  return out;
}

bool OpenUrl(const QString& url) {
  if (platform::OpenDocument(url)) return true;
  const std::optional<QString> cls = ReadClassesRootDefault(QStringLiteral(".htm"));
  if (!cls) return false;
  const std::optional<QString> command =
      ReadClassesRootDefault(*cls + QStringLiteral("\\shell\\open\\command"));
  if (!command) return false;
  return platform::RunCommandLine(RemoveDocumentPlaceholder(*command) + QLatin1Char(' ') + url);
}

void SendMail(const QString& linkPrefix) {
  QString link = linkPrefix;
  link += QStringLiteral("cc= &");
  link += QStringLiteral("subject=『ピポラ！』について&");
  link += QStringLiteral("body= &");
  platform::OpenDocument(link);
}

QString MakeTempRoot(const QString& appData) {
  if (appData.isEmpty()) return QString();
  return AddTrailingBackslash(appData) + QStringLiteral("zot") + kSep;
}
