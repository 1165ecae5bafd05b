// Times the main window on large inputs (offscreen):
//   bench_listing folder DIR       expand DIR in the tree and list it
//   bench_listing archive ARCHIVE [MODE]  select the archive in the tree (ten
//                                  passes), the list in view mode MODE (1-4, default 4)
// Prints seconds, the number of list entries and the longest time the event
// loop did not turn (input would have waited that long), the list's own
// layout included.
#include "app/main.h"
#include "components/FTVEX/FTVEX.h"
#include "shell/shellfolder.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStandardItemModel>
#include <QTimer>

#include <algorithm>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc < 3) return 2;
  const QString what = QString::fromLocal8Bit(argv[1]);
  const QString path = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
  TForm1 form;
  form.show();
  QApplication::processEvents();
  const int mode = argc > 3 ? std::clamp(std::atoi(argv[3]), 1, 4) : 4;
  QAction* const modes[] = {form.ToolButton6, form.ToolButton7, form.ToolButton8, form.ToolButton9};
  modes[mode - 1]->trigger();
  // Open the way to the parent first, so only the measured step is timed.
  const QString parent = QFileInfo(path).absolutePath();
  form.FolderTreeViewEx1->SelectPath(parent);
  while (form.FolderTreeViewEx1->IsLoading()) QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
  QApplication::processEvents();
  QElapsedTimer timer;
  timer.start();
  // A tick every 5 ms: the widest gap between ticks is the longest stall.
  QElapsedTimer since;
  since.start();
  qint64 stall = 0;
  QTimer ticks;
  QObject::connect(&ticks, &QTimer::timeout, [&] { stall = std::max(stall, since.restart()); });
  ticks.start(5);
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
  // The list lays itself out in batches after the rows are in.
  QElapsedTimer settle;
  settle.start();
  while (settle.elapsed() < 3000) QApplication::processEvents(QEventLoop::AllEvents, 5);
  stall = std::max(stall, since.restart());
  const int tree = form.FolderTreeViewEx1->currentItem() ? form.FolderTreeViewEx1->currentItem()->childCount() : 0;
  std::printf("%.3f s (tree %d nodes, list %d entries, longest stall %lld ms)%s\n", seconds, tree,
              form.ListView1->Items()->rowCount(), static_cast<long long>(stall), ok ? "" : " NOT FOUND");
  form.close();
  return ok ? 0 : 1;
}
