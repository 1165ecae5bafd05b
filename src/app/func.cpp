#include "app/func.h"

#include "platform/classesroot.h"
#include "platform/folders.h"
#include "platform/inuse.h"
#include "platform/process.h"

#include <QFile>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>
#include <string>

namespace {

const QChar kSep = QLatin1Char('/');

bool DeleteTree(const std::string& folder, const std::set<std::string>& inUse) {
  const std::string base = folder.back() == '/' ? folder : folder + '/';
  bool ok = true;
  if (DIR* dir = ::opendir(base.c_str())) {
    while (dirent* e = ::readdir(dir)) {
      const std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      const std::string path = base + name;
      struct stat st {};
      if (::lstat(path.c_str(), &st) != 0) {
        ok = false;
        continue;
      }
      if (S_ISDIR(st.st_mode)) {
        ok = DeleteTree(path, inUse) && ok;
      } else if (inUse.count(path) || ::unlink(path.c_str()) != 0) {
        ok = false;
      }
    }
    ::closedir(dir);
  }
  std::string self = base;
  self.pop_back();
  if (inUse.count(self)) return false;  // some process works in this folder
  return ::rmdir(self.c_str()) == 0 && ok;
}

}  // namespace

QString AddTrailingBackslash(const QString& path) {
  if (path.endsWith(kSep)) return path;
  return path + kSep;
}

QString GetWindowsFolder() { return platform::WindowsFolder(); }

QString GetSystemFolder() { return platform::SystemFolder(); }

QString GetSpecialFolder(int csidl) { return platform::SpecialFolder(csidl); }

bool DeleteFolderTree(const QString& folder) {
  if (folder.isEmpty()) return false;
  std::string path = QFile::encodeName(folder).toStdString();
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  struct stat st {};
  // A link standing for the folder is not a folder of ours to empty.
  if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  return DeleteTree(path, platform::PathsInUse(path));
}

QString SlashToBackslash(const QString& text) {
  QString out = text;
  out.replace(QLatin1Char('/'), kSep);
  return out;
}

QString MemberPathIn(const QString& folder, const QString& member) {
  QString rel = SlashToBackslash(member);
  while (rel.startsWith(kSep) || rel.startsWith(QLatin1Char('\\'))) rel.remove(0, 1);
  return AddTrailingBackslash(folder) + rel;
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

QString MakeTempRoot(const QString& appData, const QString& tempFolder) {
  // Linux paths are case-sensitive, so the fallback is not lower-cased.
  const QString base = AddTrailingBackslash(appData.isEmpty() ? tempFolder : appData);
  return base + QStringLiteral("zot") + kSep;
}
