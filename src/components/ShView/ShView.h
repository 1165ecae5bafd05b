#pragma once
// The folder view: every folder of the shell namespace below the desktop,
// filled when first opened, renamed in place. The extract dialog's folder
// picker. A file list, an address box, a context menu and a drag source can
// be linked to it through the small interfaces below.
#include "shell/folderread.h"
#include "shell/shellfolder.h"

#include <QComboBox>
#include <QPointer>
#include <QTreeWidget>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class TFolderView;

// What the folder view tells a linked file list, and how it links back.
class IShellFileView {
 public:
  virtual ~IShellFileView() = default;
  virtual void ShowFolder(const shell::IdList& abs) = 0;
  virtual void SetFolderView(TFolderView* view) = 0;
};

// A linked address box.
class IShellPathView {
 public:
  virtual ~IShellPathView() = default;
  virtual void ShowPath(const shell::IdList& abs) = 0;
};

// A linked shell context menu, for items of one folder.
class IShellContextMenu {
 public:
  virtual ~IShellContextMenu() = default;
  virtual void ShowMenu(QWidget* owner, const std::shared_ptr<shell::ShellFolder>& folder, const QPoint& screen,
                        const std::vector<shell::IdList>& items) = 0;
};

// A linked drag source, for items of one folder.
class IShellDragSource {
 public:
  virtual ~IShellDragSource() = default;
  virtual void StartDrag(QWidget* owner, const std::shared_ptr<shell::ShellFolder>& folder,
                         const std::vector<shell::IdList>& items) = 0;
};

class TFolderView : public QTreeWidget {
  Q_OBJECT
 public:
  explicit TFolderView(QWidget* parent = nullptr);
  ~TFolderView() override;

  IShellFileView* FileView() const { return fileView_; }
  // Links both ways; none unlinks the previous file view first.
  void SetFileView(IShellFileView* view);
  IShellContextMenu* ContextMenu() const { return contextMenu_; }
  // A linked component that goes away is unlinked by itself.
  void SetContextMenu(IShellContextMenu* menu);
  IShellDragSource* DropSource() const { return dropSource_; }
  void SetDropSource(IShellDragSource* source);
  // Set by the address box itself.
  void SetComboView(IShellPathView* combo);
  IShellPathView* ComboView() const { return comboView_; }
  // Starts editing the selected folder's name (not the desktop's).
  Q_INVOKABLE void StartRename();

  // Selects the folder of a path; a path that does not parse changes
  // nothing, one with no folder node (a file) leaves nothing selected.
  void SelectPath(const QString& path);
  // The selected folder's parsing name (its path); empty when none.
  QString GetSelectedPath() const;
  void SelectIDList(const shell::IdList& abs);
  // Opens the child of the selected node that has this one-entry list.
  void SelectChildByID(const shell::IdList& id);
  // A child of the selected node renamed elsewhere gets its new name here.
  void RenameChild(const shell::IdList& oldId, const shell::IdList& newId);
  // The node's list from the desktop.
  shell::IdList GetNodeIDList(const QTreeWidgetItem* node) const;

  bool Filling() const { return filling_; }
  // Whether a folder is still being read in the background.
  bool IsLoading() const { return !loads_.empty(); }
  QTreeWidgetItem* CurrentNode() const { return currentNode_; }
  QTreeWidgetItem* PreviousNode() const { return previousNode_; }

 signals:
  void OnChange(QTreeWidgetItem* node);
  void OnDeleting(QTreeWidgetItem* node);

 protected:
  void showEvent(QShowEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  class Node;
  void Unlink(QObject* gone);
  void Fill();
  void AddChildren(Node* node);
  void LoadEnded(int ticket, const shell::FolderListing& listing);
  void Populate(Node* node, const std::shared_ptr<shell::ShellFolder>& folder, const shell::FolderListing& listing);
  void Expanding(QTreeWidgetItem* item);
  void SelectionChanged(QTreeWidgetItem* current);
  void NotifyLinks(QTreeWidgetItem* node);
  Node* FindChild(Node* node, const shell::IdList& id);
  Node* FindNode(const shell::IdList& abs);
  std::shared_ptr<shell::ShellFolder> FolderOf(const Node* node) const;
  void Renamed(QTreeWidgetItem* item);
  void ShowName(Node* node, const QString& caption);

  IShellFileView* fileView_ = nullptr;
  IShellPathView* comboView_ = nullptr;
  IShellContextMenu* contextMenu_ = nullptr;
  IShellDragSource* dropSource_ = nullptr;
  QPoint pressedAt_{-1, -1};
  bool filling_ = false;
  QTreeWidgetItem* currentNode_ = nullptr;
  QTreeWidgetItem* previousNode_ = nullptr;
  int lastTicket_ = 0;
  std::map<int, QPersistentModelIndex> loads_;  // folders being read, by ticket
  std::optional<shell::IdList> pendingSelect_;  // selected once the read on its way ends
  bool waiting_ = false;
};

#include "ui/viewstyle.h"

// The content of one folder: name, size, type, modification time.
class TFileView : public QTreeWidget, public IShellFileView {
  Q_OBJECT
 public:
  explicit TFileView(QWidget* parent = nullptr);
  ~TFileView() override;

  bool FileExecute() const { return fileExecute_; }
  void SetFileExecute(bool v) { fileExecute_ = v; }
  const QStringList& Mask() const { return mask_; }
  void SetMask(const QStringList& mask) { mask_ = mask; }  // the next fill uses it
  IShellContextMenu* ContextMenu() const { return contextMenu_; }
  void SetContextMenu(IShellContextMenu* menu);
  IShellDragSource* DropSource() const { return dropSource_; }
  void SetDropSource(IShellDragSource* source);
  TFolderView* FolderView() const { return folderView_; }
  void SetFolderView(TFolderView* view) override;
  TViewStyle ViewStyle() const { return viewStyle_; }
  void SetViewStyle(TViewStyle style);

  void ShowFolder(const shell::IdList& abs) override;
  const shell::IdList& Folder() const { return list_; }
  // The entry an item stands for.
  static shell::IdList EntryOf(const QTreeWidgetItem* item);
  // "%8d%s" in kilobytes, as the list shows sizes.
  static QString SizeText(qint64 bytes);
  // Sorts by a column as a click on its header does.
  void ColumnClick(int column);
  Q_INVOKABLE void StartRename();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void commitData(QWidget* editor) override;
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;

 private:
  void Fill();
  static shell::FolderListing ReadVirtual(const shell::ShellFolder& folder);
  // sorted: the listing is in the shell's order already.
  void Populate(const shell::FolderListing& listing, bool sorted);
  void SortBy(int column);
  std::vector<shell::IdList> SelectedEntries() const;
  void Rename(QTreeWidgetItem* item, const QString& old);

  bool fileExecute_ = true;
  QStringList mask_;
  IShellContextMenu* contextMenu_ = nullptr;
  IShellDragSource* dropSource_ = nullptr;
  QPointer<TFolderView> folderView_;
  shell::IdList list_;
  std::shared_ptr<shell::ShellFolder> folder_;
  TViewStyle viewStyle_ = vsReport;
  QPoint pressedAt_{-1, -1};
  int fillTicket_ = 0;  // the newest fill; a slower one that ends later is dropped
};

// What one line of the folder combo stands for.
struct TComboData {
  shell::IdList IDList;
  int Level = 0;
  int Index = 0;
};

// The desktop, its folders and the drives as an indented list, plus the
// path of the current folder; choosing a line selects it in the folder view.
class TComboView : public QComboBox, public IShellPathView {
  Q_OBJECT
 public:
  static constexpr int kIndent = 10;

  explicit TComboView(QWidget* parent = nullptr);
  ~TComboView() override;

  TFolderView* FolderView() const { return folderView_; }
  void SetFolderView(TFolderView* view);
  void ShowPath(const shell::IdList& abs) override;
  const TComboData* Data(int index) const;
  // Lines as (level, caption), for people and tests.
  std::vector<std::pair<int, QString>> Lines() const;

 private:
  void BaseFill();
  int InsertPath(const shell::IdList& abs);
  void Changed(int index);

  std::vector<std::unique_ptr<TComboData>> base_, path_;
  bool Filling = false;
  bool showing_ = false;
  QPointer<TFolderView> folderView_;
};
