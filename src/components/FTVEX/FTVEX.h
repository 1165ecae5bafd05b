#pragma once
// The folder tree with files: the shell namespace below a chosen root, each
// folder's files as leaves when asked, filled on demand, reporting the
// selected item's path.
#include "shell/contextmenu.h"
#include "shell/folderread.h"
#include "shell/shellfolder.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>
#include <QTreeWidget>

#include <map>
#include <memory>
#include <optional>

class QMimeData;
class TFolderTreeViewEx;

enum TRootFolder {
  rfManual,
  rfDrives,
  rfDesktop,
  rfFavorites,
  rfPrograms,
  rfRecent,
  rfSendTo,
  rfStartMenu,
  rfStartup,
  rfAppdata,
  rfTemplates,
  rf_Controls,
  rf_Bitbucket,
  rf_Printers
};
enum TSelectedDir { sdNone, sdSystem, sdCurrent };

// What each node knows about its item.
struct TTVITEMDATA {
  std::shared_ptr<shell::ShellFolder> ParentFolder;
  shell::IdList RelativeID;
  shell::IdList AbsoluteIDList;
  uint32_t Attributes = 0;
};

// Standard commands of the tree's drops: the command number is the menu
// entry's number when the menu is numbered from 1.
enum TStandardCommand { scCreateShortcut, scDelete, scCut, scCopy, scPaste };

// Runs a standard command on one item of folder through its context menu
// (never shown); false when the item lacks what the command needs, the menu
// has no enabled paste entry, or the command did not run.
bool InvokeStandardCommand(QWidget* owner, const std::shared_ptr<shell::ShellFolder>& folder,
                           const shell::IdList& item, int index, const QPoint& point);
// The same for an item given by its path.
bool InvokePathCommand(QWidget* owner, const QString& path, const QPoint& point, int index);
using shell::FindMenuItemByText;

// The source of a drag that starts on a node.
class TDropSourceObject {
 public:
  explicit TDropSourceObject(TFolderTreeViewEx* tree) : Tree(tree) {}
  // Runs the drag to its end; the action the target took.
  Qt::DropAction DoDragDrop(QMimeData* data, Qt::DropActions allowed);

  TFolderTreeViewEx* Tree;
};

// The tree as a drop target: one file from anywhere, the node under the
// cursor highlighted, scrolling near the edges, a resting cursor expanding
// a folder.
class TDropTargetObject : public QObject {
 public:
  enum HitFlag { htOnNode = 0x01, htLeft = 0x02, htRight = 0x04, htTop = 0x08, htBottom = 0x10 };
  static constexpr int kEdge = 11;
  static constexpr int kNone = 0xFFFF;
  static constexpr qint64 kHoverMs = 1500, kScrollDelayMs = 50, kScrollStepMs = 200;

  explicit TDropTargetObject(TFolderTreeViewEx* tree);
  void DragEnter(QDragEnterEvent* event);
  void DragOver(QDragMoveEvent* event);
  void DragLeave();
  void Drop(QDropEvent* event);
  int HitTestDrop(const QPoint& point);

  TFolderTreeViewEx* Tree;
  QPoint LastPoint{-1, -1};
  bool Accepted = false;
  bool HoverArmed = true;
  qint64 HoverStart = 0;  // ms on Clock; 0: not resting
  QString DataFile;       // the one file of an accepted drag
  int VScrollCode = kNone, HScrollCode = kNone;
  int LastHitFlags = 0;
  qint64 ScrollStart = 0;

 private:
  // One step of the drag-over rules at a point; the effect to show.
  Qt::DropAction Over(const QPoint& point, bool control);
  qint64 Now() const;
  QElapsedTimer clock_;
  QTimer rest_;  // the cursor resting still counts as drag-over
  bool control_ = false;
  qint64 lastScroll_ = 0;
};

class TFolderTreeViewEx : public QTreeWidget {
  Q_OBJECT
 public:
  static constexpr uint32_t kQueryMask = 0xF20B0000;

  explicit TFolderTreeViewEx(QWidget* parent = nullptr);
  ~TFolderTreeViewEx() override;

  bool AutoUpDate() const { return autoUpdate_; }
  void SetAutoUpDate(bool v) { autoUpdate_ = v; }
  bool ContextMenu() const { return contextMenu_; }
  void SetContextMenu(bool v) { contextMenu_ = v; }
  bool DragAndDrop() const { return dragAndDrop_; }
  void SetDragAndDrop(bool v) { dragAndDrop_ = v; }
  const QStringList& FileMask() const { return fileMask_; }
  void SetFileMask(const QStringList& mask);
  // Files the mask lets through are shown only when this says so (null:
  // all); it applies from the next reading, as SetFileMask's reload does.
  void SetFileFilter(std::function<bool(const QString& folder, const QByteArray& name)> filter);
  bool InfoViewSort() const { return infoViewSort_; }
  void SetInfoViewSort(bool v);
  TRootFolder RootFolder() const { return rootFolder_; }
  virtual void SetRootFolder(TRootFolder v);
  const QString& RootFolderName() const { return rootFolderName_; }
  void SetRootFolderName(const QString& v);
  TSelectedDir SelectedDir() const { return selectedDir_; }
  void SetSelectedDir(TSelectedDir v);
  bool ShellRun() const { return shellRun_; }
  void SetShellRun(bool v) { SetFlag(0, v); }
  bool ShowFile() const { return showFile_; }
  void SetShowFile(bool v) { SetFlag(1, v); }
  bool ShowRootFolder() const { return showRootFolder_; }
  void SetShowRootFolder(bool v) { SetFlag(2, v); }
  bool ShowIncludeHidden() const { return showIncludeHidden_; }
  void SetShowIncludeHidden(bool v) { SetFlag(3, v); }
  bool SpecialRoot() const { return specialRoot_; }

  // Opens the tree at a path and selects it (fires OnChange); false when
  // the path is outside the root or hidden by the filter.
  bool SelectPath(const QString& path);
  virtual bool LocatePath(const QString& path, bool makeTop, bool select);
  // The selected item's path (its caption when it has none); with nothing
  // selected, the previous answer.
  virtual QString GetFolderName();
  // Reads every folder that shows again and brings its nodes up to date,
  // keeping what was expanded, selected and on top.
  void RefreshTree();
  // Whether a folder read or a refresh is still under way in the background.
  bool IsLoading() const;

  // Whether an entry's extension is one of FileMask (".lzh" matches ARC.LZH).
  bool MatchFileMask(const shell::ShellFolder& folder, const shell::IdList& entry) const;
  // Whether a folder holds something the tree would show as a file.
  bool HasShownFiles(const shell::ShellFolder& folder, const shell::IdList& entry) const;
  const TTVITEMDATA* NodeData(const QTreeWidgetItem* node) const;

  // The window that owns the context menu and its questions.
  QWidget* OwnerWindow() const { return window(); }
  // Shows an item's context menu at a screen point and runs the choice;
  // whether a command was carried out, and its number.
  bool ShowShellContextMenu(QWidget* owner, const std::shared_ptr<shell::ShellFolder>& folder,
                            const shell::IdList& item, const QPoint& screenPoint, int* command);
  // Opens the selected file with the desktop's opener (ShellRun and ShowFile on).
  void RunSelectedItem();
  // Starts a drag of one item; false when the item has no file to carry.
  bool StartShellDrag(QWidget* owner, const std::shared_ptr<shell::ShellFolder>& folder, const shell::IdList& item);
  // Refreshes once a file manager has had time to finish what was dropped on it.
  void DelayedRefresh();
  // The node highlighted as the drop target; null for none.
  QTreeWidgetItem* DropTargetNode() const { return itemFromIndex(dropTargetNode_); }
  void SetDropTargetNode(QTreeWidgetItem* node);
  // Whether a node stands for a removable drive of the computer.
  bool IsRemovableDriveNode(const QTreeWidgetItem* node) const;
  // Starts editing the node's name (only with AutoUpDate).
  void StartRename(QTreeWidgetItem* node);
  // Whether the node's item has a path that parses back to an item.
  bool IsAddressable(const QTreeWidgetItem* node) const;

 signals:
  void OnChange(const QString& folderName);
  void OnClick(const QString& folderName);
  void OnDblClick(const QString& folderName);

 protected:
  void showEvent(QShowEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void commitData(QWidget* editor) override;
  void startDrag(Qt::DropActions supportedActions) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  class Node;
  void SetFlag(int index, bool value);
  void ReloadTree();
  void FinishRename(const QPersistentModelIndex& edited, const QString& old);
  void BeginBusy();
  void EndBusy();
  shell::IdList GetRootIDList() const;
  bool IsUsableRoot(const shell::IdList& list) const;
  void FillRoot();
  void FillSpecialRoot();
  shell::FolderReadOptions ReadOptions() const;
  QStringList UpperMask() const;
  // A folder's listing read here and now (the desktop and the computer always).
  shell::FolderListing ReadNow(const shell::ShellFolder& folder) const;
  Node* MakeNode(const std::shared_ptr<shell::ShellFolder>& folder, const shell::FolderEntry& entry,
                 const std::vector<QString>& roots) const;
  void ShowEntry(Node* node, const shell::FolderEntry& entry, const QString& path) const;
  // parent null: the top level.
  void FillNode(QTreeWidgetItem* parent, const std::shared_ptr<shell::ShellFolder>& folder,
                const shell::FolderListing& listing);
  std::shared_ptr<shell::ShellFolder> FolderOf(const Node* node) const;
  void Expand(QTreeWidgetItem* item);
  QList<QTreeWidgetItem*> MakeNodes(const std::shared_ptr<shell::ShellFolder>& folder,
                                    const shell::FolderListing& listing, size_t from, size_t to) const;
  void LoadEnded(int ticket, shell::FolderListing listing);
  void FillSlice(int ticket, std::shared_ptr<const shell::FolderListing> listing, size_t from);
  void RefreshEnded(int ticket, std::vector<shell::FolderListing> listings);
  void Reconcile(QTreeWidgetItem* parent, const std::shared_ptr<shell::ShellFolder>& folder,
                 const shell::FolderListing& listing, const std::vector<QString>& roots);
  void MoveNode(QTreeWidgetItem* parent, Node* node, int to);
  Node* ChildByItem(QTreeWidgetItem* parent, const shell::IdList& entry) const;
  void UpdateBusyCursor();

  struct Load {
    QPersistentModelIndex index;
    std::shared_ptr<shell::ShellFolder> folder;
  };
  struct RefreshFolder {
    QPersistentModelIndex index;
    std::shared_ptr<shell::ShellFolder> folder;
    bool topLevel;
  };
  struct Refresh {
    int ticket = 0;
    std::vector<RefreshFolder> folders;
  };
  struct PendingLocate {
    QString path;
    bool makeTop, select;
  };
  int lastTicket_ = 0;
  std::map<int, Load> loads_;  // folders being read, by ticket
  std::optional<Refresh> refresh_;
  bool refreshAgain_ = false;
  std::optional<PendingLocate> pendingLocate_;
  QTimer busyCursorTimer_;

  bool autoUpdate_ = true, contextMenu_ = true, dragAndDrop_ = true;
  QStringList fileMask_;
  std::function<bool(const QString& folder, const QByteArray& name)> fileFilter_;
  bool infoViewSort_ = false;
  TRootFolder rootFolder_ = rfDrives;
  QString rootFolderName_;
  TSelectedDir selectedDir_ = sdNone;
  bool shellRun_ = false, showFile_ = false, showRootFolder_ = true, showIncludeHidden_ = true;
  bool specialRoot_ = false;
  bool busy_ = false;
  QString lastFolderName_;
  std::unique_ptr<shell::ContextMenu> ActiveContextMenu;
  TDropTargetObject* dropTarget_;
  // Indexes, not items: a refresh deletes the items.
  QPersistentModelIndex dropTargetNode_;
  QPersistentModelIndex renaming_;
  QString renamingCaption_;
};
