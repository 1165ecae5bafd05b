#include "shell/shellfolder.h"

#include "ui/views.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QStandardPaths>
#include <QTextStream>

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace shell {
namespace {

const QByteArray kTrash("trash"), kControls("controls"), kPrinters("printers");

std::vector<QString>& RootsOverride() {
  static std::vector<QString> roots;
  return roots;
}

QString Home() { return QDir::homePath(); }

QString TrashFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Trash/files");
}

QString RootCaption(const QString& path) {
  if (path == QLatin1String("/")) return QStringLiteral("ファイルシステム (/)");
  if (path == Home()) return QStringLiteral("ホーム (%1)").arg(QFileInfo(path).fileName());
  return QFileInfo(path).fileName() + QStringLiteral(" (%1)").arg(path);
}

QString VirtualCaption(const QByteArray& name) {
  if (name == kTrash) return QStringLiteral("ごみ箱");
  if (name == kControls) return QStringLiteral("コントロール パネル");
  if (name == kPrinters) return QStringLiteral("プリンタ");
  return QString::fromUtf8(name);
}

bool HasSubfolder(const QString& path, bool hidden) {
  DIR* d = ::opendir(QFile::encodeName(path).constData());
  if (!d) return false;
  bool found = false;
  while (dirent* e = ::readdir(d)) {
    if (e->d_name[0] == '.' && (!hidden || !std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, ".."))) continue;
    bool dir = e->d_type == DT_DIR;
    if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
      struct stat st {};
      dir = ::stat((QFile::encodeName(path) + '/' + e->d_name).constData(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    if (dir) {
      found = true;
      break;
    }
  }
  ::closedir(d);
  return found;
}

// The block device behind a mount point says whether it is removable.
bool IsRemovable(const QString& mountPoint) {
  QFile mounts(QStringLiteral("/proc/self/mounts"));
  if (!mounts.open(QIODevice::ReadOnly)) return false;
  for (const QByteArray& line : mounts.readAll().split('\n')) {
    const QList<QByteArray> f = line.split(' ');
    if (f.size() < 2 || QString::fromUtf8(f[1]) != mountPoint || !f[0].startsWith("/dev/")) continue;
    QString dev = QFileInfo(QString::fromUtf8(f[0])).canonicalFilePath().section(QLatin1Char('/'), -1);
    // A partition's flag sits with its disk: sdb1 -> sdb.
    for (const QString& name : {dev, dev.left(dev.size() - 1), dev.section(QLatin1Char('p'), 0, 0)}) {
      QFile flag(QStringLiteral("/sys/class/block/%1/removable").arg(name));
      if (flag.open(QIODevice::ReadOnly)) return flag.readAll().trimmed() == "1";
    }
  }
  return false;
}

}  // namespace

QCollator MakeNameCollator() {
  QCollator col(QLocale(QLocale::Japanese, QLocale::Japan));
  col.setNumericMode(true);
  col.setCaseSensitivity(Qt::CaseInsensitive);
  return col;
}

const QCollator& NameCollator() {
  static const QCollator c = MakeNameCollator();
  return c;
}

void SetComputerRoots(const std::vector<QString>& roots) { RootsOverride() = roots; }

std::vector<QString> ComputerRoots() {
  if (!RootsOverride().empty()) return RootsOverride();
  std::vector<QString> roots{QStringLiteral("/")};
  if (QFileInfo(Home()).isDir() && Home() != QLatin1String("/")) roots.push_back(Home());
  QFile mounts(QStringLiteral("/proc/self/mounts"));
  if (mounts.open(QIODevice::ReadOnly)) {
    for (const QByteArray& line : mounts.readAll().split('\n')) {
      const QList<QByteArray> f = line.split(' ');
      if (f.size() < 2) continue;
      // Mount points escape blanks as \040.
      const QString point = QString::fromUtf8(QByteArray(f[1]).replace("\\040", " "));
      if (point.startsWith(QLatin1String("/media/")) || point.startsWith(QLatin1String("/mnt/")) ||
          point.startsWith(QLatin1String("/run/media/")))
        roots.push_back(point);
    }
  }
  return roots;
}

std::shared_ptr<ShellFolder> ShellFolder::Desktop() {
  return std::shared_ptr<ShellFolder>(new ShellFolder(EmptyList(), QString(), kVirtual));
}

QString ShellFolder::ItemPath(const IdList& item) const {
  switch (KindOf(item)) {
    case kRoot: return QString::fromUtf8(NameOf(item));
    case kFile: return path_.isEmpty() ? QString() : (path_ == QLatin1String("/") ? path_ : path_ + QLatin1Char('/')) + QString::fromUtf8(NameOf(item));
    case kVirtual: return NameOf(item) == kTrash ? TrashFolder() : QString();
    default: return QString();
  }
}

std::shared_ptr<ShellFolder> ShellFolder::BindToObject(const IdList& relative) const {
  if (ItemCount(relative) == 0) return nullptr;
  std::shared_ptr<ShellFolder> folder;
  const ShellFolder* at = this;
  for (IdList rest = relative; ItemCount(rest) > 0;) {
    const IdList item = FirstItem(rest);
    const ItemKind kind = KindOf(item);
    const QString path = at->ItemPath(item);
    if (kind != kComputer && kind != kVirtual && !QFileInfo(path).isDir()) return nullptr;
    folder.reset(new ShellFolder(Concat(at->abs_, item), path, kind));
    at = folder.get();
    rest = rest.mid(item.size() - 2);
  }
  return folder;
}

std::shared_ptr<ShellFolder> ShellFolder::BindToKnownFolder(const IdList& item) const {
  if (ItemCount(item) != 1) return BindToObject(item);
  const ItemKind kind = KindOf(item);
  if (kind == kFile && path_.isEmpty()) return nullptr;
  return std::shared_ptr<ShellFolder>(new ShellFolder(Concat(abs_, item), ItemPath(item), kind));
}

std::vector<IdList> ShellFolder::EnumObjects(uint32_t flags, bool* ok) const {
  std::vector<IdList> out;
  if (ok) *ok = true;
  if (kind_ == kVirtual && abs_ == EmptyList()) {  // the desktop
    if (flags & kFolders) out.push_back(MakeItem(kComputer, QByteArray()));
    return out;
  }
  if (kind_ == kComputer) {
    if (flags & kFolders)
      for (const QString& root : ComputerRoots()) out.push_back(MakeItem(kRoot, root.toUtf8()));
    return out;
  }
  if (path_.isEmpty()) return out;
  DIR* d = ::opendir(QFile::encodeName(path_).constData());
  if (!d) {
    if (ok) *ok = false;
    return out;
  }
  const QByteArray base = QFile::encodeName(path_) + '/';
  while (dirent* e = ::readdir(d)) {
    const char* name = e->d_name;
    if (!std::strcmp(name, ".") || !std::strcmp(name, "..")) continue;
    if (name[0] == '.' && !(flags & kIncludeHidden)) continue;
    bool dir = e->d_type == DT_DIR;
    if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
      struct stat st {};
      dir = ::stat((base + name).constData(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    if ((dir && (flags & kFolders)) || (!dir && (flags & kNonFolders))) out.push_back(MakeItem(kFile, name));
  }
  ::closedir(d);
  return out;
}

uint32_t ShellFolder::GetAttributesOf(const IdList& item, uint32_t mask) const {
  uint32_t a = 0;
  const ItemKind kind = KindOf(item);
  if (kind == kComputer) {
    a = kFolderAttr | kHasSubfolder | kFileSysAncestor;
  } else if (kind == kVirtual) {
    a = kFolderAttr;
    if (NameOf(item) == kTrash && (mask & kHasSubfolder) && HasSubfolder(TrashFolder(), true)) a |= kHasSubfolder;
  } else {
    const QString path = ItemPath(item);
    const QByteArray native = QFile::encodeName(path);
    struct stat lst {}, st {};
    if (::lstat(native.constData(), &lst) != 0) return 0;
    const bool resolves = ::stat(native.constData(), &st) == 0;
    a |= kFileSystem;
    if (S_ISLNK(lst.st_mode)) a |= kLink;
    if (resolves && S_ISDIR(st.st_mode)) {
      a |= kFolderAttr | kFileSysAncestor;
      // Hidden folders count: the tree shows them unless told otherwise.
      if ((mask & kHasSubfolder) && HasSubfolder(path, true)) a |= kHasSubfolder;
    }
    if (NameOf(item).startsWith('.')) a |= kGhosted;
    if (kind == kRoot && (mask & kRemovable) && IsRemovable(path)) a |= kRemovable;
    a |= kCanCopy | kHasPropSheet;
    // What changes the folder's entries needs the right to write the folder.
    if ((mask & (kCanRename | kCanMove | kCanLink | kCanDelete)) && kind == kFile &&
        ::access(QFile::encodeName(path_).constData(), W_OK) == 0)
      a |= kCanRename | kCanMove | kCanLink | kCanDelete;
    if ((mask & kDropTarget) && (a & kFolderAttr) && ::access(native.constData(), W_OK | X_OK) == 0) a |= kDropTarget;
  }
  return a & mask;
}

QString ShellFolder::GetDisplayNameOf(const IdList& item, uint32_t form) const {
  const ItemKind kind = KindOf(item);
  if (ItemCount(item) == 0) return QString();
  if (form & kForParsing) {
    if (kind == kComputer) return QStringLiteral("::computer");
    if (kind == kVirtual) return QStringLiteral("::") + QString::fromUtf8(NameOf(item));
    return ItemPath(item);
  }
  switch (kind) {
    case kComputer: return QStringLiteral("コンピュータ");
    case kRoot: return RootCaption(QString::fromUtf8(NameOf(item)));
    case kVirtual: return VirtualCaption(NameOf(item));
    default: return QString::fromUtf8(NameOf(item));
  }
}

int ShellFolder::CompareIDs(const IdList& a, const IdList& b) const {
  if (a == b) return 0;
  const bool folderA = GetAttributesOf(a, kFolderAttr) != 0;
  const bool folderB = GetAttributesOf(b, kFolderAttr) != 0;
  if (folderA != folderB) return folderA ? -1 : 1;
  if (KindOf(a) == kRoot && KindOf(b) == kRoot) {
    // The computer keeps its own order: "/", home, volumes.
    const auto roots = ComputerRoots();
    const auto ia = std::find(roots.begin(), roots.end(), QString::fromUtf8(NameOf(a)));
    const auto ib = std::find(roots.begin(), roots.end(), QString::fromUtf8(NameOf(b)));
    return ia < ib ? -1 : ia > ib ? 1 : 0;
  }
  const int c = NameCollator().compare(GetDisplayNameOf(a, kInFolder), GetDisplayNameOf(b, kInFolder));
  if (c != 0) return c;
  return NameOf(a) < NameOf(b) ? -1 : 1;  // names differing only in case stay distinct
}

IdList ShellFolder::ParseDisplayName(const QString& name) const {
  if (name == QLatin1String("::computer")) return MakeItem(kComputer, QByteArray());
  if (!QDir::isAbsolutePath(name)) return IdList();
  const QString path = QDir::cleanPath(name);
  if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink()) return IdList();
  return ParsePathWith(path, ComputerRoots());
}

IdList ParsePathWith(const QString& path, const std::vector<QString>& roots) {
  // The deepest computer folder that holds the path.
  QString best;
  for (const QString& root : roots) {
    const bool holds = path == root || root == QLatin1String("/") || path.startsWith(root + QLatin1Char('/'));
    if (holds && root.size() > best.size()) best = root;
  }
  if (best.isEmpty()) return IdList();
  QByteArray list = Concat(MakeItem(kComputer, QByteArray()), MakeItem(kRoot, best.toUtf8()));
  list.chop(2);  // the terminator, put back at the end
  const QString rest = path.mid(best.size());
  for (const QString& part : rest.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
    QByteArray item = MakeItem(kFile, QFile::encodeName(part));
    item.chop(2);
    list += item;
  }
  list.append(2, '\0');
  return list;
}

IdList ShellFolder::SetNameOf(const IdList& item, const QString& name, QString* why) const {
  const QString old = ItemPath(item);
  if (KindOf(item) != kFile || old.isEmpty()) {
    *why = QStringLiteral("この項目の名前は変更できません。");
    return IdList();
  }
  if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..") || name.contains(QLatin1Char('/')) ||
      name.contains(QChar(0))) {
    *why = QStringLiteral("「%1」はファイル名として使えません。").arg(name);
    return IdList();
  }
  const QByteArray from = QFile::encodeName(old);
  const QByteArray to = QFile::encodeName(path_) + '/' + QFile::encodeName(name);
  if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) != 0) {
    *why = errno == EEXIST ? QStringLiteral("「%1」という名前はすでにあります。").arg(name)
                           : QStringLiteral("名前を変更できません (%1)。").arg(QString::fromLocal8Bit(std::strerror(errno)));
    return IdList();
  }
  return MakeItem(kFile, QFile::encodeName(name));
}

std::shared_ptr<ShellFolder> FolderHolding(const IdList& abs) {
  auto desktop = ShellFolder::Desktop();
  return ItemCount(abs) <= 1 ? desktop : desktop->BindToObject(WithoutLast(abs));
}

QString SendToFolder() {
  const QString folder =
      QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/zot/SendTo");
  QDir().mkpath(folder);
  return folder;
}

QString PathFromIdList(const IdList& abs) {
  if (abs.isNull() || ItemCount(abs) == 0) return QString();
  auto parent = ItemCount(abs) == 1 ? ShellFolder::Desktop() : ShellFolder::Desktop()->BindToObject(WithoutLast(abs));
  if (!parent) return QString();
  const QString parsing = parent->GetDisplayNameOf(LastItem(abs), kForParsing);
  return parsing.startsWith(QLatin1Char('/')) ? parsing : QString();  // virtual items parse as "::name"
}

int CompareAbsolute(const IdList& a, const IdList& b) {
  IdList common = EmptyList(), ra = a, rb = b;
  while (ItemCount(ra) > 0 && ItemCount(rb) > 0 && FirstItem(ra) == FirstItem(rb)) {
    common = Concat(common, FirstItem(ra));
    ra = ra.mid(ItemSize(FirstItem(ra)) - 2);
    rb = rb.mid(ItemSize(FirstItem(rb)) - 2);
  }
  if (ItemCount(ra) == 0) return ItemCount(rb) == 0 ? 0 : -1;  // a folder before what it holds
  if (ItemCount(rb) == 0) return 1;
  auto desktop = ShellFolder::Desktop();
  auto folder = ItemCount(common) == 0 ? desktop : desktop->BindToObject(common);
  if (!folder) return -1;
  return folder->CompareIDs(FirstItem(ra), FirstItem(rb));
}

std::vector<IdList> SplitItems(const IdList& joined, int count) {
  std::vector<IdList> out;
  IdList rest = joined;
  while (static_cast<int>(out.size()) < count && ItemCount(rest) > 0) {
    out.push_back(FirstItem(rest));
    rest = rest.mid(ItemSize(out.back()) - 2);
  }
  return out;
}

IdList JoinItems(const std::vector<IdList>& items) {
  IdList joined = EmptyList();
  for (const IdList& item : items) joined = Concat(joined, item);
  return joined;
}

QString DisplayName(const IdList& abs) {
  if (abs.isNull()) return QString();
  if (ItemCount(abs) == 0) return QStringLiteral("デスクトップ");
  auto parent = ItemCount(abs) == 1 ? ShellFolder::Desktop() : ShellFolder::Desktop()->BindToObject(WithoutLast(abs));
  return parent ? parent->GetDisplayNameOf(LastItem(abs), kInFolder) : QString();
}

IdList SpecialFolderLocation(int csidl) {
  auto desktop = ShellFolder::Desktop();
  auto at = [&desktop](QStandardPaths::StandardLocation loc) {
    return desktop->ParseDisplayName(QStandardPaths::writableLocation(loc));
  };
  switch (csidl) {
    case kCsidlDrives: return MakeItem(kComputer, QByteArray());
    case kCsidlDesktopDirectory: return at(QStandardPaths::DesktopLocation);
    case kCsidlAppData: return at(QStandardPaths::GenericDataLocation);
    case kCsidlPrograms:
    case kCsidlStartMenu: return at(QStandardPaths::ApplicationsLocation);
    case kCsidlTemplates: return desktop->ParseDisplayName(QDir::homePath() + QStringLiteral("/Templates"));
    case kCsidlBitBucket: return MakeItem(kVirtual, kTrash);
    case kCsidlControls: return MakeItem(kVirtual, kControls);
    case kCsidlPrinters: return MakeItem(kVirtual, kPrinters);
    case kCsidlSendTo: return desktop->ParseDisplayName(SendToFolder());
    default: return IdList();  // favorites, recent, startup: none here
  }
}

QIcon ItemIcon(const IdList& abs, bool open) {
  static QFileIconProvider provider;
  const IdList last = LastItem(abs);
  switch (KindOf(last)) {
    case kComputer: return QIcon::fromTheme(QStringLiteral("computer"), provider.icon(QFileIconProvider::Computer));
    case kVirtual:
      return NameOf(last) == kTrash ? QIcon::fromTheme(QStringLiteral("user-trash"), provider.icon(QFileIconProvider::Trashcan))
                                    : provider.icon(QFileIconProvider::Folder);
    case kRoot:
      if (QString::fromUtf8(NameOf(last)) == QDir::homePath())
        return QIcon::fromTheme(QStringLiteral("user-home"), provider.icon(QFileIconProvider::Folder));
      return QIcon::fromTheme(QStringLiteral("drive-harddisk"), provider.icon(QFileIconProvider::Drive));
    default: break;
  }
  return PathIcon(PathFromIdList(abs), open);
}

namespace {

// The shortcut arrow: a small white box with a bent arrow in the lower left
// corner, so a link reads as a link whatever it points to.
QIcon WithLinkArrow(const QIcon& icon) {
  return ui::Overlaid(icon, [](QPainter& p, qreal u) {
    p.setPen(QPen(QColor(0x50, 0x50, 0x50), 0.8 * u));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(0.5 * u, 8.5 * u, 7 * u, 7 * u));
    p.setPen(QPen(QColor(0x10, 0x40, 0xa0), 1.3 * u, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath bend;
    bend.moveTo(2.2 * u, 14 * u);
    bend.quadTo(2.4 * u, 11 * u, 5.2 * u, 10.8 * u);
    p.drawPath(bend);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x10, 0x40, 0xa0));
    QPainterPath head;
    head.moveTo(6.9 * u, 10.8 * u);
    head.lineTo(4.6 * u, 9 * u);
    head.lineTo(4.6 * u, 12.6 * u);
    head.closeSubpath();
    p.drawPath(head);
  });
}

}  // namespace

QIcon PathIcon(const QString& path, bool open) {
  static QFileIconProvider provider;
  // Icons come once per kind: a theme lookup renders pixmaps, and doing it
  // per entry is what makes big folders slow.
  static QHash<QString, QIcon> byType;
  const QFileInfo info(path);
  const bool link = info.isSymLink();
  QString key;
  if (info.isDir()) key = QLatin1String(info.isRoot() ? "/root" : "/") + QLatin1String(open ? "+" : "");
  else key = info.isExecutable() ? QStringLiteral("*x") : info.suffix().toLower();
  if (link) key += QLatin1Char('~');
  auto it = byType.find(key);
  if (it == byType.end()) {
    // A folder looks like a folder whether or not it is reached through a
    // link; the arrow says which.
    QIcon icon = info.isDir() && !info.isRoot() ? provider.icon(QFileIconProvider::Folder) : provider.icon(info);
    if (info.isDir() && open) icon = QIcon::fromTheme(QStringLiteral("folder-open"), icon);
    if (link) icon = WithLinkArrow(icon);
    it = byType.insert(key, icon);
  }
  return *it;
}

QIcon EntryTreeIcon(const QString& path, uint32_t attributes, unsigned mode, bool openWhenSelected) {
  static QHash<QString, QIcon> byKind;
  const bool folder = (attributes & kFolderAttr) || S_ISDIR(mode);
  QString key = folder ? QStringLiteral("/")
                       : (S_ISREG(mode) && (mode & 0111)) ? QStringLiteral("*x")
                                                          : QFileInfo(path).suffix().toLower();
  if (attributes & kLink) key += QLatin1Char('~');
  key += QLatin1Char(openWhenSelected ? '+' : '-');
  auto it = byKind.find(key);
  if (it == byKind.end()) {
    QIcon icon = PathIcon(path, false);
    if (openWhenSelected)
      for (const QSize& s : {QSize(16, 16), QSize(32, 32)}) icon.addPixmap(PathIcon(path, true).pixmap(s), QIcon::Selected);
    it = byKind.insert(key, icon);
  }
  return *it;
}

QIcon TreeIcon(const IdList& abs, bool openWhenSelected) {
  // The few fixed items (computer, roots, virtual folders) and anything
  // else once per kind.
  static QHash<QByteArray, QIcon> fixed;
  const IdList last = LastItem(abs);
  if (KindOf(last) == kFile) {
    const QString path = PathFromIdList(abs);
    struct stat lst {}, st {};
    const QByteArray native = QFile::encodeName(path);
    if (::lstat(native.constData(), &lst) != 0) return ItemIcon(abs, false);
    const bool resolves = ::stat(native.constData(), &st) == 0;
    return EntryTreeIcon(path, S_ISLNK(lst.st_mode) ? uint32_t{kLink} : 0u, resolves ? st.st_mode : lst.st_mode,
                         openWhenSelected);
  }
  const QByteArray key = last + (openWhenSelected ? "+" : "-");
  auto it = fixed.find(key);
  if (it == fixed.end()) {
    QIcon icon = ItemIcon(abs, false);
    if (openWhenSelected)
      for (const QSize& s : {QSize(16, 16), QSize(32, 32)})
        icon.addPixmap(ItemIcon(abs, true).pixmap(s), QIcon::Selected);
    it = fixed.insert(key, icon);
  }
  return *it;
}

}  // namespace shell
