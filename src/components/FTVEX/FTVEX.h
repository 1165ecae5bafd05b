#pragma once
// The folder tree with files: the shell namespace below a chosen root, each
// folder's files as leaves when asked, filled on demand, reporting the
// selected item's path.
#include "shell/shellfolder.h"

#include <QStringList>
#include <QTreeWidget>

#include <memory>

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
  // Rebuilds below the first node, keeping what was expanded, selected and on top.
  void RefreshTree();

  // Whether an entry's extension is one of FileMask (".lzh" matches ARC.LZH).
  bool MatchFileMask(const shell::ShellFolder& folder, const shell::IdList& entry) const;
  // Whether a folder holds something the tree would show as a file.
  bool HasShownFiles(const shell::ShellFolder& folder, const shell::IdList& entry) const;
  const TTVITEMDATA* NodeData(const QTreeWidgetItem* node) const;

 signals:
  void OnChange(const QString& folderName);
  void OnClick(const QString& folderName);
  void OnDblClick(const QString& folderName);

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  class Node;
  void SetFlag(int index, bool value);
  void ReloadTree();
  void BeginBusy();
  void EndBusy();
  shell::IdList GetRootIDList() const;
  bool IsUsableRoot(const shell::IdList& list) const;
  void FillRoot();
  void FillSpecialRoot();
  void AddChildItems(const shell::ShellFolder& folder, const shell::IdList& list, QTreeWidgetItem* parent);
  // parsed: the entry's absolute list from its parsing name (none when it
  // is not addressable).
  Node* AddItemNode(const std::shared_ptr<shell::ShellFolder>& folder, const shell::IdList& entry,
                    uint32_t attributes, const shell::IdList& parsed);
  void Expand(QTreeWidgetItem* item);
  int CompareNodes(const Node* a, const Node* b) const;
  void SortNodes(std::vector<Node*>& nodes) const;

  bool autoUpdate_ = true, contextMenu_ = true, dragAndDrop_ = true;
  QStringList fileMask_;
  bool infoViewSort_ = false;
  TRootFolder rootFolder_ = rfDrives;
  QString rootFolderName_;
  TSelectedDir selectedDir_ = sdNone;
  bool shellRun_ = false, showFile_ = false, showRootFolder_ = true, showIncludeHidden_ = true;
  bool specialRoot_ = false;
  bool busy_ = false;
  QString lastFolderName_;
};
