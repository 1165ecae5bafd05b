#include "shellview/window.h"

#include "components/DRPCOMEX/DRPCOMEX.h"
#include "components/ShView/ShView.h"

#include <QDir>
#include <QFileInfo>
#include <QSplitter>
#include <QVBoxLayout>

TShellViewWindow::TShellViewWindow(const QString& folder, QWidget* parent) : QWidget(parent) {
  setWindowTitle(QStringLiteral("シェル ビュー"));
  setObjectName(QStringLiteral("shellview"));
  auto* layout = new QVBoxLayout(this);
  ComboView1 = new TComboView(this);
  auto* split = new QSplitter(this);
  FolderView1 = new TFolderView(split);
  FileView1 = new TFileView(split);
  split->addWidget(FolderView1);
  split->addWidget(FileView1);
  split->setStretchFactor(1, 2);
  layout->addWidget(ComboView1);
  layout->addWidget(split, 1);
  ContextMenuEx1 = new TContextMenuEx(this);
  DropSourceEx1 = new TDropSourceEx(this);
  FolderView1->SetFileView(FileView1);
  FolderView1->SetContextMenu(ContextMenuEx1);
  FolderView1->SetDropSource(DropSourceEx1);
  FileView1->SetContextMenu(ContextMenuEx1);
  FileView1->SetDropSource(DropSourceEx1);
  ComboView1->SetFolderView(FolderView1);
  start_ = !folder.isEmpty() && QFileInfo(folder).isDir() ? QFileInfo(folder).absoluteFilePath() : QDir::homePath();
  resize(760, 480);
}

void TShellViewWindow::Open() {
  show();
  FolderView1->SelectPath(start_);
}
