// Times TFileView showing one folder (median of five fills) and, for
// comparison, `ls -l` of the same folder.
#include "components/ShView/ShView.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_fileview FOLDER\n");
    return 2;
  }
  QApplication app(argc, argv);
  const shell::IdList list = shell::ShellFolder::Desktop()->ParseDisplayName(QString::fromLocal8Bit(argv[1]));
  if (list.isNull()) return 1;
  TFileView view;
  view.resize(600, 400);
  view.show();
  std::vector<qint64> ms;
  for (int pass = 0; pass < 5; ++pass) {
    QElapsedTimer t;
    t.start();
    view.ShowFolder(list);
    // A big folder is read in the background: until its rows are there.
    while (view.topLevelItemCount() == 1 && !(view.topLevelItem(0)->flags() & Qt::ItemIsEnabled))
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    QCoreApplication::processEvents();  // and drawn
    ms.push_back(t.elapsed());
  }
  std::sort(ms.begin(), ms.end());
  std::printf("%d items, median %lld ms (first %lld ms)\n", view.topLevelItemCount(),
              static_cast<long long>(ms[2]), static_cast<long long>(ms.front()));
  return 0;
}
