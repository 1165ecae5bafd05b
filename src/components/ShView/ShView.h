#pragma once
// The folder view: every folder of the shell namespace below the desktop,
// filled when first opened, renamed in place. The extract dialog's folder
// picker. A file list, an address box, a context menu and a drag source can
// be linked to it through the small interfaces below.
#include "shell/shellfolder.h"

#include <QTreeWidget>

#include <memory>
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
  virtual void StartDrag(const std::shared_ptr<shell::ShellFolder>& folder, const std::vector<shell::IdList>& items) = 0;
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
  void SetContextMenu(IShellContextMenu* menu) { contextMenu_ = menu; }
  IShellDragSource* DropSource() const { return dropSource_; }
  void SetDropSource(IShellDragSource* source) { dropSource_ = source; }
  // Set by the address box itself.
  void SetComboView(IShellPathView* combo) { comboView_ = combo; }

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
  QTreeWidgetItem* CurrentNode() const { return currentNode_; }
  QTreeWidgetItem* PreviousNode() const { return previousNode_; }

 signals:
  void OnChange(QTreeWidgetItem* node);
  void OnDeleting(QTreeWidgetItem* node);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  class Node;
  void Fill();
  void AddChildren(Node* node);
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
  bool filling_ = false;
  QTreeWidgetItem* currentNode_ = nullptr;
  QTreeWidgetItem* previousNode_ = nullptr;
};
