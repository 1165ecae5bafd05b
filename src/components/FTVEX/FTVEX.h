#pragma once
#include <QTreeView>

// The folder-and-file tree of the main window. This first version only keeps
// the path it was asked to open; browsing the disk comes with the shell layer.
class TFolderTreeViewEx : public QTreeView {
  Q_OBJECT
 public:
  explicit TFolderTreeViewEx(QWidget* parent = nullptr);

  // Opens the tree at a path and selects it; false when it cannot be shown.
  bool SelectPath(const QString& path);
  void RefreshTree();
  QString SelectedPath() const { return selected_; }

 signals:
  // The selected node changed; folderName is its full path.
  void OnChange(const QString& folderName);
  void OnClick(const QString& folderName);

 private:
  QString selected_;
};
