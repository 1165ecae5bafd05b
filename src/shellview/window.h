#pragma once
// The shell view window: the folder combo on top, the folder tree left, the
// file list right, the shell's context menu and drag source on both views.
#include <QWidget>

class TComboView;
class TContextMenuEx;
class TDropSourceEx;
class TFileView;
class TFolderView;

class TShellViewWindow : public QWidget {
  Q_OBJECT
 public:
  // Opens at folder (the home folder when it is none).
  explicit TShellViewWindow(const QString& folder = QString(), QWidget* parent = nullptr);
  void Open();  // shows the window at its folder

  TComboView* ComboView1;
  TFolderView* FolderView1;
  TFileView* FileView1;
  TContextMenuEx* ContextMenuEx1;
  TDropSourceEx* DropSourceEx1;

 private:
  QString start_;
};
