// Times the main window on large inputs (offscreen):
//   bench_listing folder DIR       expand DIR in the tree and list it
//   bench_listing archive ARCHIVE  select the archive in the tree (ten passes)
// Prints seconds and the number of list entries.
#include "app/main.h"
#include "components/FTVEX/FTVEX.h"
#include "shell/shellfolder.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStandardItemModel>

#include <cstdio>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc < 3) return 2;
  const QString what = QString::fromLocal8Bit(argv[1]);
  const QString path = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
  TForm1 form;
  form.show();
  QApplication::processEvents();
  // Open the way to the parent first, so only the measured step is timed.
  const QString parent = QFileInfo(path).absolutePath();
  form.FolderTreeViewEx1->SelectPath(parent);
  while (form.FolderTreeViewEx1->IsLoading()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
  QApplication::processEvents();
  QElapsedTimer timer;
  timer.start();
  bool ok = false;
  if (what == QLatin1String("folder")) {
    ok = form.FolderTreeViewEx1->SelectPath(path);
    if (ok && form.FolderTreeViewEx1->currentItem()) form.FolderTreeViewEx1->currentItem()->setExpanded(true);
  } else {
    ok = form.FolderTreeViewEx1->SelectPath(path);
  }
  // Folders are read in the background: until the tree has them all.
  while (form.FolderTreeViewEx1->IsLoading()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
  QApplication::processEvents();
  const double seconds = timer.nsecsElapsed() / 1e9;
  const int tree = form.FolderTreeViewEx1->currentItem() ? form.FolderTreeViewEx1->currentItem()->childCount() : 0;
  std::printf("%.3f s (tree %d nodes, list %d entries)%s\n", seconds, tree, form.ListView1->Items()->rowCount(),
              ok ? "" : " NOT FOUND");
  form.close();
  return ok ? 0 : 1;
}
