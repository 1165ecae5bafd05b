#include "shell/fileops.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>
#include <string>

namespace shell {
namespace {

constexpr int kMaxTries = 10000;

// Closes a descriptor when it goes out of scope.
struct Fd {
  int fd = -1;
  explicit Fd(int f) : fd(f) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
  explicit operator bool() const { return fd >= 0; }
};

QString SystemError(int err = errno) { return QString::fromLocal8Bit(std::strerror(err)); }
QByteArray Native(const QString& path) { return QFile::encodeName(path); }
QString NameOf(const QString& path) { return QFileInfo(path).fileName(); }
QString ParentOf(const QString& path) { return QFileInfo(path).absolutePath(); }
QString Join(const QString& folder, const QString& name) {
  return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

bool Exists(const QString& path) {
  struct stat st {};
  return ::lstat(Native(path).constData(), &st) == 0;
}

// The names of a folder's entries, without "." and "..".
bool ListNames(int dirFd, std::vector<std::string>* names) {
  const int copy = ::dup(dirFd);
  if (copy < 0) return false;
  DIR* d = ::fdopendir(copy);
  if (!d) {
    ::close(copy);
    return false;
  }
  ::rewinddir(d);
  while (dirent* e = ::readdir(d))
    if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names->push_back(e->d_name);
  ::closedir(d);
  return true;
}

bool CopyData(int in, int out) {
  // copy_file_range lets the file system share or copy blocks itself.
  for (;;) {
    const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
    if (n == 0) return true;
    if (n > 0) continue;
    if (errno == EINTR) continue;
    if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
    break;
  }
  std::vector<char> buf(1 << 20);
  for (;;) {
    const ssize_t n = ::read(in, buf.data(), buf.size());
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = ::write(out, buf.data() + done, n - done);
      if (w < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      done += w;
    }
  }
}

// Removes an entry of a folder and everything below it, never following links.
bool RemoveAt(int dirFd, const char* name) {
  struct stat st {};
  if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
  if (!S_ISDIR(st.st_mode)) return ::unlinkat(dirFd, name, 0) == 0 || errno == ENOENT;
  {
    // A folder of ours without write or search permission is opened up first.
    // (When that fails, opening it below says so.)
    if ((st.st_mode & 0700) != 0700 && st.st_uid == ::geteuid() &&
        ::fchmodat(dirFd, name, (st.st_mode & 07777) | 0700, 0) != 0) {
    }
    Fd sub(::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!sub) return false;
    std::vector<std::string> names;
    if (!ListNames(sub.fd, &names)) return false;
    bool ok = true;
    for (const std::string& n : names) ok = RemoveAt(sub.fd, n.c_str()) && ok;
    if (!ok) return false;
  }
  return ::unlinkat(dirFd, name, AT_REMOVEDIR) == 0 || errno == ENOENT;
}

// Copies srcName of srcDir to the new entry dstName of dstDir.
bool CopyAt(int srcDir, const char* srcName, int dstDir, const char* dstName, QString* why) {
  struct stat st {};
  if (::fstatat(srcDir, srcName, &st, AT_SYMLINK_NOFOLLOW) != 0) {
    *why = QStringLiteral("「%1」を読めません (%2)。").arg(QFile::decodeName(srcName), SystemError());
    return false;
  }
  const mode_t mode = st.st_mode & 01777;  // no set-id bits on copies
  const timespec times[2] = {st.st_atim, st.st_mtim};
  if (S_ISLNK(st.st_mode)) {
    std::vector<char> target(st.st_size > 0 ? st.st_size + 1 : 4096);
    const ssize_t n = ::readlinkat(srcDir, srcName, target.data(), target.size() - 1);
    if (n < 0) {
      *why = QStringLiteral("リンク「%1」を読めません (%2)。").arg(QFile::decodeName(srcName), SystemError());
      return false;
    }
    target[n] = 0;
    if (::symlinkat(target.data(), dstDir, dstName) != 0) {
      *why = QStringLiteral("リンクを作れません (%1)。").arg(SystemError());
      return false;
    }
    ::utimensat(dstDir, dstName, times, AT_SYMLINK_NOFOLLOW);
    return true;
  }
  if (S_ISREG(st.st_mode)) {
    Fd in(::openat(srcDir, srcName, O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!in) {
      *why = QStringLiteral("「%1」を読めません (%2)。").arg(QFile::decodeName(srcName), SystemError());
      return false;
    }
    Fd out(::openat(dstDir, dstName, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!out || !CopyData(in.fd, out.fd)) {
      *why = QStringLiteral("「%1」をコピーできません (%2)。").arg(QFile::decodeName(srcName), SystemError());
      return false;
    }
    ::fchmod(out.fd, mode);
    ::futimens(out.fd, times);
    if (::close(out.fd) != 0) {  // a full disk can show only here
      out.fd = -1;
      *why = QStringLiteral("「%1」をコピーできません (%2)。").arg(QFile::decodeName(srcName), SystemError());
      return false;
    }
    out.fd = -1;
    return true;
  }
  if (S_ISFIFO(st.st_mode)) {
    if (::mkfifoat(dstDir, dstName, mode) == 0) return true;
    *why = QStringLiteral("「%1」をコピーできません (%2)。").arg(QFile::decodeName(srcName), SystemError());
    return false;
  }
  if (!S_ISDIR(st.st_mode)) {
    *why = QStringLiteral("「%1」は特殊なファイルのためコピーできません。").arg(QFile::decodeName(srcName));
    return false;
  }
  Fd src(::openat(srcDir, srcName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  std::vector<std::string> names;
  if (!src || !ListNames(src.fd, &names)) {
    *why = QStringLiteral("フォルダ「%1」を読めません (%2)。").arg(QFile::decodeName(srcName), SystemError());
    return false;
  }
  if (::mkdirat(dstDir, dstName, 0700) != 0) {
    *why = QStringLiteral("フォルダを作れません (%1)。").arg(SystemError());
    return false;
  }
  Fd dst(::openat(dstDir, dstName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!dst) {
    *why = QStringLiteral("フォルダを作れません (%1)。").arg(SystemError());
    return false;
  }
  for (const std::string& n : names)
    if (!CopyAt(src.fd, n.c_str(), dst.fd, n.c_str(), why)) return false;
  ::fchmod(dst.fd, mode | 0700);  // the owner keeps the right to change the copy
  ::futimens(dst.fd, times);
  return true;
}

// Whether two entries hold the same: types, link targets, file bytes, folder entries.
bool SameAt(int dirA, const char* a, int dirB, const char* b) {
  struct stat sa {}, sb {};
  if (::fstatat(dirA, a, &sa, AT_SYMLINK_NOFOLLOW) != 0 || ::fstatat(dirB, b, &sb, AT_SYMLINK_NOFOLLOW) != 0) return false;
  if ((sa.st_mode & S_IFMT) != (sb.st_mode & S_IFMT)) return false;
  if (S_ISLNK(sa.st_mode)) {
    char ta[4096], tb[4096];
    const ssize_t na = ::readlinkat(dirA, a, ta, sizeof ta), nb = ::readlinkat(dirB, b, tb, sizeof tb);
    return na >= 0 && na == nb && std::memcmp(ta, tb, na) == 0;
  }
  if (S_ISREG(sa.st_mode)) {
    if (sa.st_size != sb.st_size) return false;
    Fd fa(::openat(dirA, a, O_RDONLY | O_NOFOLLOW | O_CLOEXEC)), fb(::openat(dirB, b, O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!fa || !fb) return false;
    std::vector<char> ba(1 << 20), bb(1 << 20);
    for (;;) {
      const ssize_t na = ::read(fa.fd, ba.data(), ba.size());
      if (na < 0) return false;
      ssize_t nb = 0;
      while (nb < na) {
        const ssize_t r = ::read(fb.fd, bb.data() + nb, na - nb);
        if (r <= 0) return false;
        nb += r;
      }
      if (std::memcmp(ba.data(), bb.data(), na) != 0) return false;
      if (na == 0) return ::read(fb.fd, bb.data(), 1) == 0;
    }
  }
  if (!S_ISDIR(sa.st_mode)) return true;
  Fd da(::openat(dirA, a, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  Fd db(::openat(dirB, b, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  std::vector<std::string> na, nb;
  if (!da || !db || !ListNames(da.fd, &na) || !ListNames(db.fd, &nb)) return false;
  if (std::set<std::string>(na.begin(), na.end()) != std::set<std::string>(nb.begin(), nb.end())) return false;
  for (const std::string& n : na)
    if (!SameAt(da.fd, n.c_str(), db.fd, n.c_str())) return false;
  return true;
}

bool IsRealFolder(const QString& path) {
  struct stat st {};
  return ::lstat(Native(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Checks what copy and move share; *folderFd: the target folder, opened.
bool CheckTarget(const QString& source, const QString& folder, const QString& verb, int* folderFd, QString* why) {
  struct stat st {};
  if (::lstat(Native(source).constData(), &st) != 0) {
    *why = QStringLiteral("「%1」が見つかりません。").arg(source);
    return false;
  }
  *folderFd = ::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (*folderFd < 0) {
    *why = QStringLiteral("「%1」はフォルダではありません。").arg(folder);
    return false;
  }
  if (S_ISDIR(st.st_mode) && IsSameOrBelow(folder, source)) {
    ::close(*folderFd);
    *why = QStringLiteral("フォルダ「%1」をそれ自身の中に%2することはできません。").arg(NameOf(source), verb);
    return false;
  }
  return true;
}

QString PartialName() {
  return QStringLiteral(".zot-partial-%1").arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
}

// Copies source into the open folder under a free name; the copy gets
// its name only when complete.
bool CopyIntoFd(const QString& source, int folderFd, const QString& folder, QString* made, QString* why) {
  const QString partial = PartialName();
  const QByteArray partialNative = Native(partial);
  const QByteArray sourceParent = Native(ParentOf(source));
  Fd parent(::open(sourceParent.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!parent) {
    *why = QStringLiteral("「%1」を読めません (%2)。").arg(source, SystemError());
    return false;
  }
  if (!CopyAt(parent.fd, Native(NameOf(source)).constData(), folderFd, partialNative.constData(), why)) {
    RemoveAt(folderFd, partialNative.constData());
    return false;
  }
  for (int i = 0; i < kMaxTries; ++i) {
    const QString name = FreeName(folder, NameOf(source));
    if (::renameat2(folderFd, partialNative.constData(), folderFd, Native(name).constData(), RENAME_NOREPLACE) == 0) {
      *made = Join(folder, name);
      return true;
    }
    if (errno != EEXIST) break;  // someone took the name in between: try the next
  }
  *why = QStringLiteral("コピーに名前を付けられません (%1)。").arg(SystemError());
  RemoveAt(folderFd, partialNative.constData());
  return false;
}

}  // namespace

QString FreeName(const QString& folder, const QString& name) {
  if (!Exists(Join(folder, name))) return name;
  QString base = name, ext;
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  // "a.txt" keeps ".txt"; a folder, ".bashrc" or "a.b へのショートカット" keep all.
  if (dot > 0 && !IsRealFolder(Join(folder, name)) && !name.mid(dot).contains(QLatin1Char(' '))) {
    base = name.left(dot);
    ext = name.mid(dot);
  }
  for (int n = 2; n < kMaxTries; ++n) {
    const QString candidate = QStringLiteral("%1 (%2)%3").arg(base).arg(n).arg(ext);
    if (!Exists(Join(folder, candidate))) return candidate;
  }
  return QStringLiteral("%1 (%2)%3").arg(base, PartialName(), ext);
}

bool IsSameOrBelow(const QString& folder, const QString& source) {
  const QString f = QFileInfo(folder).canonicalFilePath(), s = QFileInfo(source).canonicalFilePath();
  if (f.isEmpty() || s.isEmpty()) return false;
  return f == s || f.startsWith(s.endsWith(QLatin1Char('/')) ? s : s + QLatin1Char('/'));
}

bool CopyInto(const QString& source, const QString& folder, QString* made, QString* why) {
  int fd = -1;
  if (!CheckTarget(source, folder, QStringLiteral("コピー"), &fd, why)) return false;
  Fd folderFd(fd);
  return CopyIntoFd(source, folderFd.fd, folder, made, why);
}

bool MoveInto(const QString& source, const QString& folder, QString* made, QString* why) {
  int fd = -1;
  if (!CheckTarget(source, folder, QStringLiteral("移動"), &fd, why)) return false;
  Fd folderFd(fd);
  if (QFileInfo(ParentOf(source)).canonicalFilePath() == QFileInfo(folder).canonicalFilePath()) {
    *made = source;  // already there
    return true;
  }
  const QByteArray from = Native(source);
  for (int i = 0; i < kMaxTries; ++i) {
    const QString name = FreeName(folder, NameOf(source));
    if (::renameat2(AT_FDCWD, from.constData(), folderFd.fd, Native(name).constData(), RENAME_NOREPLACE) == 0) {
      *made = Join(folder, name);
      return true;
    }
    if (errno == EEXIST) continue;
    if (errno != EXDEV) {
      *why = QStringLiteral("「%1」を移動できません (%2)。").arg(NameOf(source), SystemError());
      return false;
    }
    // Another file system: copy, compare, and only then remove the source.
    QString copy;
    if (!CopyIntoFd(source, folderFd.fd, folder, &copy, why)) return false;
    Fd sourceParent(::open(Native(ParentOf(source)).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const QByteArray copyName = Native(NameOf(copy));
    if (!sourceParent || !SameAt(sourceParent.fd, Native(NameOf(source)).constData(), folderFd.fd, copyName.constData())) {
      RemoveAt(folderFd.fd, copyName.constData());
      *why = QStringLiteral("「%1」のコピーが元と一致しないため、移動をやめました。元のファイルはそのままです。").arg(NameOf(source));
      return false;
    }
    *made = copy;
    if (!RemoveAt(sourceParent.fd, Native(NameOf(source)).constData())) {
      *why = QStringLiteral("「%1」をコピーしましたが、元の項目を削除できません (%2)。").arg(NameOf(source), SystemError());
      return false;
    }
    return true;
  }
  *why = QStringLiteral("「%1」を移動できません。").arg(NameOf(source));
  return false;
}

QString HomeTrash() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Trash");
}

namespace {

// Makes a folder only its owner may use, or checks that it is one.
bool PrivateFolder(const QString& path) {
  const QByteArray native = Native(path);
  if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st {};
  return ::lstat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
}

dev_t DeviceOf(QString path) {
  struct stat st {};
  // The nearest folder that is there (the Trash may not be yet).
  while (::stat(Native(path).constData(), &st) != 0) {
    const QString up = ParentOf(path);
    if (up == path) return 0;
    path = up;
  }
  return st.st_dev;
}

// The Trash of the file system the item is on, and the folder trashinfo
// paths are relative to (empty: absolute paths).
bool TrashFor(const QString& path, dev_t dev, QString* trash, QString* top) {
  const QString home = HomeTrash();
  if (DeviceOf(home) == dev) {
    if (!QDir().mkpath(QFileInfo(home).absolutePath()) || !PrivateFolder(home)) return false;
    *trash = home;
    top->clear();
    return true;
  }
  // The top folder of the item's file system.
  QString at = ParentOf(path);
  for (;;) {
    const QString up = ParentOf(at);
    struct stat st {};
    if (up == at || ::stat(Native(up).constData(), &st) != 0 || st.st_dev != dev) break;
    at = up;
  }
  const QString uid = QString::number(::geteuid());
  struct stat st {};
  const QString shared = Join(at, QStringLiteral(".Trash"));
  // A shared Trash counts only when it is a real, sticky folder.
  if (::lstat(Native(shared).constData(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) &&
      PrivateFolder(Join(shared, uid))) {
    *trash = Join(shared, uid);
    *top = at;
    return true;
  }
  const QString own = Join(at, QStringLiteral(".Trash-") + uid);
  if (PrivateFolder(own)) {
    *trash = own;
    *top = at;
    return true;
  }
  return false;
}

}  // namespace

TrashResult MoveToTrash(const QString& given, QString* why) {
  const QString path = QFileInfo(given).absoluteFilePath();
  const QByteArray native = Native(path);
  struct stat st {};
  if (::lstat(native.constData(), &st) != 0) {
    *why = QStringLiteral("「%1」が見つかりません。").arg(path);
    return TrashResult::kFailed;
  }
  const QString home = HomeTrash();
  if (IsSameOrBelow(home, path) || IsSameOrBelow(path, home)) {
    *why = QStringLiteral("「%1」はごみ箱の中にあるか、ごみ箱を含んでいるため、ごみ箱に移動できません。").arg(NameOf(path));
    return TrashResult::kFailed;
  }
  QString trash, top;
  if (!TrashFor(path, st.st_dev, &trash, &top) || !PrivateFolder(Join(trash, QStringLiteral("files"))) ||
      !PrivateFolder(Join(trash, QStringLiteral("info")))) {
    *why = QStringLiteral("「%1」のあるドライブにはごみ箱がありません。").arg(NameOf(path));
    return TrashResult::kNoTrash;
  }
  const QString files = Join(trash, QStringLiteral("files")), info = Join(trash, QStringLiteral("info"));
  const QString recorded = top.isEmpty() ? path : QDir(top).relativeFilePath(path);
  const QByteArray record = "[Trash Info]\nPath=" + Native(recorded).toPercentEncoding("/") + "\nDeletionDate=" +
                            QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")).toLatin1() + "\n";
  QString name = NameOf(path);
  for (int i = 0; i < kMaxTries; ++i) {
    if (i > 0) name = FreeName(files, NameOf(path));
    const QByteArray infoFile = Native(Join(info, name + QStringLiteral(".trashinfo")));
    // The info file is made first and exclusively: it reserves the name.
    Fd fd(::open(infoFile.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd) {
      if (errno == EEXIST) continue;
      *why = QStringLiteral("ごみ箱に書き込めません (%1)。").arg(SystemError());
      return TrashResult::kFailed;
    }
    if (::write(fd.fd, record.constData(), record.size()) != record.size() || ::fsync(fd.fd) != 0) {
      *why = QStringLiteral("ごみ箱に書き込めません (%1)。").arg(SystemError());
      ::unlink(infoFile.constData());
      return TrashResult::kFailed;
    }
    if (::renameat2(AT_FDCWD, native.constData(), AT_FDCWD, Native(Join(files, name)).constData(), RENAME_NOREPLACE) == 0)
      return TrashResult::kTrashed;
    const int err = errno;
    ::unlink(infoFile.constData());
    if (err == EEXIST) continue;
    *why = QStringLiteral("「%1」をごみ箱に移動できません (%2)。").arg(NameOf(path), SystemError(err));
    return err == EXDEV ? TrashResult::kNoTrash : TrashResult::kFailed;
  }
  *why = QStringLiteral("「%1」をごみ箱に移動できません。").arg(NameOf(path));
  return TrashResult::kFailed;
}

bool DeleteForGood(const QString& path, QString* why) {
  Fd parent(::open(Native(ParentOf(path)).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (parent && RemoveAt(parent.fd, Native(NameOf(path)).constData())) return true;
  *why = QStringLiteral("「%1」を削除できません (%2)。").arg(NameOf(path), SystemError());
  return false;
}

bool MakeShortcut(const QString& path, QString* made, QString* why) {
  const QString target = QFileInfo(path).absoluteFilePath();
  const QString folder = ParentOf(target);
  const QString wanted = NameOf(target) + QStringLiteral(" へのショートカット");
  for (int i = 0; i < kMaxTries; ++i) {
    const QString name = FreeName(folder, wanted);
    if (::symlink(Native(target).constData(), Native(Join(folder, name)).constData()) == 0) {
      *made = Join(folder, name);
      return true;
    }
    if (errno != EEXIST) break;
  }
  *why = QStringLiteral("ショートカットを作成できません (%1)。").arg(SystemError());
  return false;
}

}  // namespace shell
