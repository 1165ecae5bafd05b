#include "shell/folderread.h"

#include "shell/shellfolder.h"

#include <QCollator>
#include <QCoreApplication>
#include <QFile>
#include <QThreadPool>
#include <QTreeWidgetItem>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>

namespace shell {
namespace {

std::atomic<int> g_budget{40};

std::mutex& HookLock() {
  static std::mutex m;
  return m;
}
std::function<void(const QString&)>& Hook() {
  static std::function<void(const QString&)> hook;
  return hook;
}

bool Dots(const char* name) { return !std::strcmp(name, ".") || !std::strcmp(name, ".."); }

// Whether an entry of an open folder is a folder, following links.
bool IsFolderEntry(int dirFd, const dirent* e) {
  if (e->d_type == DT_DIR) return true;
  if (e->d_type != DT_UNKNOWN && e->d_type != DT_LNK) return false;
  struct stat st {};
  return ::fstatat(dirFd, e->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
}

struct Probe {
  bool subfolder = false;
  bool shownFile = false;
};

// Reads a subfolder only until it knows what the tree needs: a subfolder
// (hidden ones count), or else a file the options show.
Probe ProbeFolder(int parentFd, const char* name, const FolderReadOptions& o, bool wantFiles) {
  Probe p;
  const int fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return p;
  DIR* d = ::fdopendir(fd);
  if (!d) {
    ::close(fd);
    return p;
  }
  while (dirent* e = ::readdir(d)) {
    if (Dots(e->d_name)) continue;
    if (IsFolderEntry(fd, e)) {
      p.subfolder = true;
      break;
    }
    if (!wantFiles || p.shownFile) continue;
    if (e->d_name[0] == '.' && !o.hiddenFilesInProbe) continue;
    // (The file filter is left to the listing: a probe only needs a likely answer.)
    if (!o.fileMask.isEmpty() && !MatchesMask(QByteArray::fromRawData(e->d_name, qsizetype(std::strlen(e->d_name))), o.fileMask))
      continue;
    struct stat lst {};
    if (::fstatat(fd, e->d_name, &lst, AT_SYMLINK_NOFOLLOW) == 0) p.shownFile = true;
  }
  ::closedir(d);
  return p;
}

QCollator& ThreadCollator() {
  thread_local QCollator collator = MakeNameCollator();
  return collator;
}

}  // namespace

bool MatchesMask(const QByteArray& name, const QStringList& upperMask) {
  const qsizetype dot = name.lastIndexOf('.');
  if (dot <= 0) return false;
  const QString ext = QString::fromUtf8(name.mid(dot)).toUpper();
  if (upperMask.contains(ext)) return true;
  // Endings of two parts (".TAR.GZ"): only looked at when the last part is one's.
  QString upper;
  for (const QString& m : upperMask) {
    if (m.size() <= ext.size() || !m.endsWith(ext)) continue;
    if (upper.isEmpty()) upper = QString::fromUtf8(name).toUpper();
    if (upper.size() > m.size() && upper.endsWith(m)) return true;
  }
  return false;
}

QTreeWidgetItem* NewReadingItem() {
  auto* item = new QTreeWidgetItem({QStringLiteral("読み込み中…")});
  item->setFlags(Qt::NoItemFlags);
  return item;
}

FolderListing ReadFolder(const QString& path, const FolderReadOptions& o) {
  {
    std::function<void(const QString&)> hook;
    {
      std::lock_guard<std::mutex> hold(HookLock());
      hook = Hook();
    }
    if (hook) hook(path);
  }
  FolderListing out;
  const QByteArray native = QFile::encodeName(path);
  const int fd = ::open(native.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return out;
  DIR* d = ::fdopendir(fd);
  if (!d) {
    ::close(fd);
    return out;
  }
  out.ok = true;
  const bool writable = (o.attributeMask & (kCanRename | kCanMove | kCanLink | kCanDelete)) && ::faccessat(fd, ".", W_OK, 0) == 0;
  while (dirent* e = ::readdir(d)) {
    const char* name = e->d_name;
    if (Dots(name)) continue;
    if (name[0] == '.' && !o.hidden) continue;
    struct stat lst {}, st {};
    if (::fstatat(fd, name, &lst, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone meanwhile
    const bool link = S_ISLNK(lst.st_mode);
    const bool resolves = !link || ::fstatat(fd, name, &st, 0) == 0;
    if (!link) st = lst;
    const bool folder = resolves && S_ISDIR(st.st_mode);
    if (folder ? !o.folders : !o.files) continue;
    const QByteArray raw(name);
    if (!folder && !o.fileMask.isEmpty() && !MatchesMask(raw, o.fileMask)) continue;
    if (!folder && o.fileFilter && !o.fileFilter(path, raw)) continue;
    FolderEntry entry;
    entry.item = MakeItem(kFile, raw);
    entry.caption = QString::fromUtf8(raw);
    if (entry.caption.isEmpty()) continue;
    uint32_t a = kFileSystem | kCanCopy | kHasPropSheet;
    if (link) a |= kLink;
    if (name[0] == '.') a |= kGhosted;
    if (writable) a |= kCanRename | kCanMove | kCanLink | kCanDelete;
    if (folder) {
      a |= kFolderAttr | kFileSysAncestor;
      if (o.probe) {
        const Probe p = ProbeFolder(fd, name, o, o.files);
        if (p.subfolder) a |= kHasSubfolder;
        entry.expandable = p.subfolder || (o.files && p.shownFile);
      }
      if ((o.attributeMask & kDropTarget) && ::faccessat(fd, name, W_OK | X_OK, 0) == 0) a |= kDropTarget;
    }
    entry.attributes = a & o.attributeMask;
    entry.mode = resolves ? st.st_mode : lst.st_mode;
    entry.size = resolves ? st.st_size : lst.st_size;
    entry.mtime = resolves ? st.st_mtime : lst.st_mtime;
    out.entries.push_back(std::move(entry));
  }
  ::closedir(d);

  // Shell order: folders first (files first when asked), then names as a
  // person sorts them; names differing only in case keep a fixed order.
  QCollator& collator = ThreadCollator();
  struct Keyed {
    bool folder;
    QCollatorSortKey key;
    size_t index;
  };
  std::vector<Keyed> keyed;
  keyed.reserve(out.entries.size());
  for (size_t i = 0; i < out.entries.size(); ++i)
    keyed.push_back({(out.entries[i].attributes & kFolderAttr) != 0 || S_ISDIR(out.entries[i].mode),
                     collator.sortKey(out.entries[i].caption), i});
  const bool filesFirst = o.filesFirst;
  std::sort(keyed.begin(), keyed.end(), [&](const Keyed& x, const Keyed& y) {
    if (x.folder != y.folder) return filesFirst ? !x.folder : x.folder;
    const int c = x.key.compare(y.key);
    return c != 0 ? c < 0 : NameOf(out.entries[x.index].item) < NameOf(out.entries[y.index].item);
  });
  std::vector<FolderEntry> sorted;
  sorted.reserve(keyed.size());
  for (const Keyed& k : keyed) sorted.push_back(std::move(out.entries[k.index]));
  out.entries = std::move(sorted);
  return out;
}

int SyncReadBudget() { return g_budget.load(); }
void SetSyncReadBudget(int ms) { g_budget.store(ms); }

void SetFolderReadHook(std::function<void(const QString&)> hook) {
  std::lock_guard<std::mutex> hold(HookLock());
  Hook() = std::move(hook);
}

namespace detail {

void Deliver(QPointer<QObject> receiver, std::function<void()> call) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return;
  QMetaObject::invokeMethod(
      app, [receiver, call = std::move(call)] {
        if (receiver) call();
      },
      Qt::QueuedConnection);
}

void StartInBackground(std::function<void()> job) {
  // Never destroyed: a read stuck on a hung mount must not hold up the exit.
  static QThreadPool* pool = [] {
    auto* p = new QThreadPool;
    p->setMaxThreadCount(16);
    return p;
  }();
  pool->start(std::move(job));
}

}  // namespace detail

}  // namespace shell
