#pragma once
// The program's stand-in for the shell namespace: the desktop on top,
// "コンピュータ" holding "/", the home folder and the mounted volumes, and
// below them the file system. A folder answers the questions the folder tree
// asks: its entries, their attributes, names and order.
#include "shell/idlist.h"

#include <QCollator>
#include <QIcon>
#include <QString>

#include <memory>
#include <vector>

namespace shell {

// Item attributes (the shell's SFGAO bits).
enum Attribute : uint32_t {
  kCanCopy = 0x00000001,
  kCanMove = 0x00000002,
  kCanLink = 0x00000004,
  kCanRename = 0x00000010,
  kCanDelete = 0x00000020,
  kHasPropSheet = 0x00000040,
  kDropTarget = 0x00000100,
  kLink = 0x00010000,
  kShare = 0x00020000,
  kGhosted = 0x00080000,
  kRemovable = 0x02000000,
  kFileSysAncestor = 0x10000000,
  kFolderAttr = 0x20000000,
  kFileSystem = 0x40000000,
  kHasSubfolder = 0x80000000,
};

// Enumeration flags (SHCONTF).
enum EnumFlag : uint32_t { kFolders = 0x20, kNonFolders = 0x40, kIncludeHidden = 0x80 };

// Name forms (SHGDN).
enum NameForm : uint32_t { kInFolder = 1, kForParsing = 0x8000 };

// Shell special folders the tree can be rooted at (CSIDL numbers).
enum Csidl : int {
  kCsidlPrograms = 0x02,
  kCsidlControls = 0x03,
  kCsidlPrinters = 0x04,
  kCsidlFavorites = 0x06,
  kCsidlStartup = 0x07,
  kCsidlRecent = 0x08,
  kCsidlSendTo = 0x09,
  kCsidlBitBucket = 0x0A,
  kCsidlStartMenu = 0x0B,
  kCsidlDesktopDirectory = 0x10,
  kCsidlDrives = 0x11,
  kCsidlTemplates = 0x15,
  kCsidlAppData = 0x1A,
};

class ShellFolder {
 public:
  static std::shared_ptr<ShellFolder> Desktop();

  // The folder at a list relative to this one; null when it is no folder.
  std::shared_ptr<ShellFolder> BindToObject(const IdList& relative) const;
  // The same for one entry a folder read has already found to be a folder,
  // without asking the disk again.
  std::shared_ptr<ShellFolder> BindToKnownFolder(const IdList& item) const;
  // One-entry lists of the entries, in no particular order.
  // ok (when given) says whether the folder could be read at all.
  std::vector<IdList> EnumObjects(uint32_t flags, bool* ok = nullptr) const;
  uint32_t GetAttributesOf(const IdList& item, uint32_t mask) const;
  // Empty when the item has no such name.
  QString GetDisplayNameOf(const IdList& item, uint32_t form) const;
  // Shell order: folders first, then names as a person sorts them.
  int CompareIDs(const IdList& a, const IdList& b) const;
  // A path as an absolute list (desktop only); none when it does not exist.
  IdList ParseDisplayName(const QString& path) const;
  // Renames an entry of this folder on disk, never over another entry; the
  // new entry, or none with a Japanese sentence in why.
  IdList SetNameOf(const IdList& item, const QString& name, QString* why) const;

  const IdList& AbsoluteId() const { return abs_; }
  // The folder's file-system path; empty for virtual folders.
  const QString& Path() const { return path_; }

 private:
  ShellFolder(IdList abs, QString path, ItemKind kind) : abs_(std::move(abs)), path_(std::move(path)), kind_(kind) {}
  QString ItemPath(const IdList& item) const;

  IdList abs_;
  QString path_;
  ItemKind kind_;
};

// How names sort: Japanese, numbers by value, without regard to case.
const QCollator& NameCollator();
// A collator of its own with those rules (one per thread).
QCollator MakeNameCollator();

// The Send To folder ($XDG_CONFIG_HOME/zot/SendTo), made when missing.
QString SendToFolder();

// The file-system path of an absolute list; empty for virtual items or none.
QString PathFromIdList(const IdList& abs);
// Shell order of two absolute lists: a folder before what it holds, else
// the first entries that differ as their folder orders them.
int CompareAbsolute(const IdList& a, const IdList& b);
// One-entry lists, one after another (as views pass several items), split.
std::vector<IdList> SplitItems(const IdList& joined, int count);
IdList JoinItems(const std::vector<IdList>& items);

// The display name of an absolute list.
QString DisplayName(const IdList& abs);
// The list of a special folder; none when the platform has no such folder.
IdList SpecialFolderLocation(int csidl);
// The desktop icon theme's icon for the item (open: an opened folder).
QIcon ItemIcon(const IdList& abs, bool open);
// A tree node's icon: the item's, opened while the node is selected when asked.
QIcon TreeIcon(const IdList& abs, bool openWhenSelected);
// A tree node's icon from what a folder read already knows, without
// touching the disk: one icon per kind (folder, linked folder, file type).
QIcon EntryTreeIcon(const QString& path, uint32_t attributes, unsigned mode, bool openWhenSelected);
// A path as an absolute list through the deepest of the given computer
// folders, without asking the disk whether it exists; none outside them.
IdList ParsePathWith(const QString& cleanAbsolutePath, const std::vector<QString>& roots);
// The folder that holds the last entry of an absolute list (the desktop for one entry).
std::shared_ptr<ShellFolder> FolderHolding(const IdList& abs);
// The icon of a file-system path; files share one icon per file type.
QIcon PathIcon(const QString& path, bool open = false);

// Where the computer's top folders come from (tests replace them): "/",
// the home folder, then mounted volumes.
void SetComputerRoots(const std::vector<QString>& roots);
std::vector<QString> ComputerRoots();

}  // namespace shell
