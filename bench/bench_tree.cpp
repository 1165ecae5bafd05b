// Times the folder tree on one big folder: opening it, a refresh with it
// open, and a start that selects an entry inside it; Qt's own asynchronous
// QFileSystemModel filling the same folder is the peer. Each figure is the
// median of BENCH_PASSES runs (five by default) in milliseconds, drawn on
// the screen included.
// Usage: bench_tree expand|refresh|start|peer|folderview|read FOLDER
#include "components/FTVEX/FTVEX.h"
#include "components/ShView/ShView.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileSystemModel>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

template <class T>
bool Loading(const T& tree) {
  if constexpr (requires { tree.IsLoading(); }) return tree.IsLoading();
  else return false;
}

void Settle(const std::function<bool()>& done) {
  while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents, 5);
  QCoreApplication::processEvents();  // and drawn
}

std::unique_ptr<TFolderTreeViewEx> MainWindowTree() {
  auto tree = std::make_unique<TFolderTreeViewEx>();
  tree->SetFileMask({QStringLiteral(".lzh"), QStringLiteral(".zip"), QStringLiteral(".cab"), QStringLiteral(".exe")});
  tree->SetShowFile(true);
  tree->resize(300, 600);
  tree->show();
  return tree;
}

qint64 Median(std::vector<qint64> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bench_tree expand|refresh|start|peer|folderview FOLDER\n");
    return 2;
  }
  QApplication app(argc, argv);
  const QString mode = QString::fromLocal8Bit(argv[1]);
  const QString folder = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
  std::vector<qint64> ms;
  int shown = 0;
  const int passes = std::max(1, qEnvironmentVariableIntValue("BENCH_PASSES") ?: 5);
  for (int pass = 0; pass < passes; ++pass) {
    QElapsedTimer t;
    if (mode == QLatin1String("expand") || mode == QLatin1String("refresh")) {
      auto tree = MainWindowTree();
      if (!tree->SelectPath(folder)) return 1;
      Settle([&] { return !Loading(*tree); });
      QTreeWidgetItem* node = tree->currentItem();
      t.start();
      node->setExpanded(true);
      Settle([&] { return !Loading(*tree); });
      if (mode == QLatin1String("refresh")) {
        t.start();
        tree->RefreshTree();
        Settle([&] { return !Loading(*tree); });
        node = tree->currentItem();
      }
      ms.push_back(t.elapsed());
      shown = node->childCount();
    } else if (mode == QLatin1String("start")) {
      // An entry in the middle of the folder, as a remembered selection.
      const QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
      if (entries.isEmpty()) return 1;
      const QString target = folder + QLatin1Char('/') + entries[entries.size() / 2];
      t.start();
      auto tree = MainWindowTree();
      tree->SelectPath(target);
      Settle([&] { return tree->currentItem() && tree->GetFolderName() == target && !Loading(*tree); });
      ms.push_back(t.elapsed());
      shown = tree->currentItem()->parent()->childCount();
    } else if (mode == QLatin1String("peer")) {
      QFileSystemModel model;
      model.setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden);
      model.setNameFilters({QStringLiteral("*.lzh"), QStringLiteral("*.zip"), QStringLiteral("*.cab"), QStringLiteral("*.exe")});
      model.setNameFilterDisables(false);
      QTreeView view;
      view.setModel(&model);
      view.resize(300, 600);
      view.show();
      bool loaded = false;
      QObject::connect(&model, &QFileSystemModel::directoryLoaded, [&](const QString& p) { loaded |= p == folder; });
      t.start();
      view.setRootIndex(model.setRootPath(folder));
      Settle([&] { return loaded; });
      ms.push_back(t.elapsed());
      shown = model.rowCount(model.index(folder));
    } else if (mode == QLatin1String("read")) {  // the read alone, off the interface thread's work
      shell::FolderReadOptions o;
      o.files = true;
      o.fileMask = {QStringLiteral(".LZH"), QStringLiteral(".ZIP"), QStringLiteral(".CAB"), QStringLiteral(".EXE")};
      t.start();
      shown = static_cast<int>(shell::ReadFolder(folder, o).entries.size());
      ms.push_back(t.elapsed());
    } else if (mode == QLatin1String("folderview")) {
      TFolderView view;
      view.resize(300, 600);
      view.show();
      t.start();
      view.SelectPath(folder);
      if (QTreeWidgetItem* node = view.currentItem()) {
        node->setExpanded(true);
        Settle([&] { return !Loading(view); });
        shown = node->childCount();
      }
      ms.push_back(t.elapsed());
    } else {
      return 2;
    }
  }
  std::printf("%lld ms (%d entries shown)\n", static_cast<long long>(Median(ms)), shown);
  return 0;
}
