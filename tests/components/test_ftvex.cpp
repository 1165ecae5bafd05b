#include "components/FTVEX/FTVEX.h"
#include "support.h"

#include "shell/folderread.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace {

class TreeTest : public ZotTest {
 protected:
  void SetUp() override {
    ZotTest::SetUp();
    Write(QStringLiteral("root/a/SETUP.EXE"), "MZ");
    Write(QStringLiteral("root/a/data.Lzh"), "x");
    Write(QStringLiteral("root/a/readme.txt"), "r");
    Write(QStringLiteral("root/a/noext"), "n");
    Write(QStringLiteral("root/a/deep/inner/tool.zip"), "z");
    Write(QStringLiteral("root/texts/only.txt"), "t");
    Write(QStringLiteral("root/System Volume Information/x.exe"), "s");
    Write(QStringLiteral("root/system volume information/y.exe"), "s");
    root = Home() + QStringLiteral("/root");
    shell::SetComputerRoots({root});
  }
  void TearDown() override {
    shell::SetComputerRoots({});
    ZotTest::TearDown();
  }
  // The captions below a node, as shown.
  static QStringList Children(QTreeWidgetItem* node) {
    QStringList out;
    for (int i = 0; i < node->childCount(); ++i) out << node->child(i)->text(0);
    return out;
  }
  static QTreeWidgetItem* Child(QTreeWidgetItem* node, const QString& caption) {
    for (int i = 0; i < node->childCount(); ++i)
      if (node->child(i)->text(0) == caption) return node->child(i);
    return nullptr;
  }
  // The node of the computer root folder ("root").
  QTreeWidgetItem* RootNode(TFolderTreeViewEx& tree) {
    QTreeWidgetItem* computer = tree.topLevelItem(0);
    return computer && computer->childCount() ? computer->child(0) : nullptr;
  }
  std::unique_ptr<TFolderTreeViewEx> MainWindowTree() {
    auto tree = std::make_unique<TFolderTreeViewEx>();
    tree->SetFileMask({QStringLiteral(".exe"), QStringLiteral(".lzh"), QStringLiteral(".zip"), QStringLiteral(".cab")});
    tree->SetShowFile(true);
    tree->SetShellRun(true);
    return tree;
  }
  QString root;
};

TEST_F(TreeTest, DefaultsAndTheComputerRoot) {
  TFolderTreeViewEx tree;
  EXPECT_TRUE(tree.AutoUpDate() && tree.ContextMenu() && tree.DragAndDrop() && tree.ShowRootFolder() &&
              tree.ShowIncludeHidden());
  EXPECT_FALSE(tree.ShowFile() || tree.ShellRun() || tree.InfoViewSort());
  EXPECT_EQ(tree.RootFolder(), rfDrives);
  EXPECT_EQ(tree.SelectedDir(), sdNone);
  ASSERT_EQ(tree.topLevelItemCount(), 1);
  EXPECT_EQ(tree.topLevelItem(0)->text(0), QStringLiteral("コンピュータ"));
  EXPECT_TRUE(tree.topLevelItem(0)->isExpanded());
  ASSERT_NE(RootNode(tree), nullptr);
  // Children are read when a folder is first opened; folders only by default.
  QTreeWidgetItem* node = RootNode(tree);
  EXPECT_EQ(node->childCount(), 0);
  node->setExpanded(true);
  EXPECT_EQ(Children(node), (QStringList{QStringLiteral("a"), QStringLiteral("system volume information"),
                                          QStringLiteral("texts")}));
  EXPECT_EQ(Children(Child(node, QStringLiteral("a"))), QStringList());
}

TEST_F(TreeTest, FilesFilteredByExtension) {
  auto tree = MainWindowTree();
  QTreeWidgetItem* node = RootNode(*tree);
  node->setExpanded(true);
  QTreeWidgetItem* a = Child(node, QStringLiteral("a"));
  ASSERT_TRUE(a);
  a->setExpanded(true);
  EXPECT_EQ(Children(a), (QStringList{QStringLiteral("deep"), QStringLiteral("data.Lzh"), QStringLiteral("SETUP.EXE")}));
  // A folder with only filtered-out files and no subfolder offers nothing to open.
  QTreeWidgetItem* texts = Child(node, QStringLiteral("texts"));
  ASSERT_TRUE(texts);
  EXPECT_EQ(texts->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicatorWhenChildless);
  EXPECT_EQ(a->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);

  // With no mask every file shows.
  tree->SetFileMask({});
  node = RootNode(*tree);
  node->setExpanded(true);
  Child(node, QStringLiteral("a"))->setExpanded(true);
  EXPECT_EQ(Children(Child(node, QStringLiteral("a"))).size(), 5);
  // Without ShowFile no file shows, whatever the mask.
  tree->SetFileMask({QStringLiteral(".txt")});
  tree->SetShowFile(false);
  node = RootNode(*tree);
  node->setExpanded(true);
  Child(node, QStringLiteral("texts"))->setExpanded(true);
  EXPECT_TRUE(Children(Child(node, QStringLiteral("texts"))).isEmpty());
}

TEST_F(TreeTest, SelectPathOpensTheWayAndReports) {
  auto tree = MainWindowTree();
  QSignalSpy changes(tree.get(), &TFolderTreeViewEx::OnChange);
  const QString zip = root + QStringLiteral("/a/deep/inner/tool.zip");
  EXPECT_TRUE(tree->SelectPath(zip));
  ASSERT_EQ(changes.size(), 1);
  EXPECT_EQ(changes[0][0].toString(), zip);
  EXPECT_EQ(tree->GetFolderName(), zip);
  EXPECT_TRUE(tree->currentItem()->parent()->isExpanded());

  changes.clear();
  EXPECT_FALSE(tree->SelectPath(QStringLiteral("/etc")));                      // outside the root
  EXPECT_FALSE(tree->SelectPath(root + QStringLiteral("/a/readme.txt")));      // filtered out
  EXPECT_FALSE(tree->SelectPath(root + QStringLiteral("/missing")));
  EXPECT_TRUE(changes.isEmpty());
  EXPECT_EQ(tree->GetFolderName(), zip);

  // The computer has no path: its caption stands for it.
  tree->setCurrentItem(tree->topLevelItem(0));
  EXPECT_EQ(tree->GetFolderName(), QStringLiteral("コンピュータ"));
}

TEST_F(TreeTest, GetFolderNameRemembersWithNothingSelected) {
  TFolderTreeViewEx tree;
  EXPECT_EQ(tree.GetFolderName(), QString());
  ASSERT_TRUE(tree.SelectPath(root + QStringLiteral("/texts")));
  tree.setCurrentItem(nullptr);
  EXPECT_EQ(tree.GetFolderName(), root + QStringLiteral("/texts"));
}

TEST_F(TreeTest, RefreshKeepsExpansionSelectionAndSeesNewFiles) {
  auto tree = MainWindowTree();
  ASSERT_TRUE(tree->SelectPath(root + QStringLiteral("/a/deep/inner/tool.zip")));
  Write(QStringLiteral("root/a/deep/inner/new.cab"), "c");
  Write(QStringLiteral("root/b/fresh.exe"), "e");
  tree->RefreshTree();
  EXPECT_EQ(tree->GetFolderName(), root + QStringLiteral("/a/deep/inner/tool.zip"));
  QTreeWidgetItem* inner = tree->currentItem()->parent();
  EXPECT_TRUE(inner->isExpanded());
  EXPECT_EQ(Children(inner), (QStringList{QStringLiteral("new.cab"), QStringLiteral("tool.zip")}));
  EXPECT_TRUE(Child(RootNode(*tree), QStringLiteral("b")));
}

TEST_F(TreeTest, SpecialRootsForceTheRootFolder) {
  TFolderTreeViewEx tree;
  tree.SetRootFolder(rf_Bitbucket);
  EXPECT_TRUE(tree.SpecialRoot());
  EXPECT_TRUE(tree.ShowRootFolder());
  tree.SetShowRootFolder(false);
  EXPECT_TRUE(tree.ShowRootFolder());
  ASSERT_EQ(tree.topLevelItemCount(), 1);
  EXPECT_EQ(tree.topLevelItem(0)->text(0), QStringLiteral("ごみ箱"));
  EXPECT_FALSE(tree.SelectPath(root));

  // A manual root; without the root folder shown its children are the top level.
  TFolderTreeViewEx manual;
  manual.SetRootFolder(rfManual);
  manual.SetRootFolderName(root);
  manual.SetShowRootFolder(false);
  EXPECT_EQ(manual.topLevelItem(0)->text(0), QStringLiteral("a"));
  EXPECT_FALSE(manual.SelectPath(root));
  EXPECT_TRUE(manual.SelectPath(root + QStringLiteral("/texts")));
}

TEST_F(TreeTest, DoubleClickRunsAFileWhenAsked) {
  FakeOnPath(QStringLiteral("xdg-open"));
  auto tree = MainWindowTree();
  tree->show();
  ASSERT_TRUE(tree->SelectPath(root + QStringLiteral("/a/SETUP.EXE")));
  QSignalSpy dbl(tree.get(), &TFolderTreeViewEx::OnDblClick);
  const QRect r = tree->visualItemRect(tree->currentItem());
  QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, r.center());
  ASSERT_EQ(dbl.size(), 1);
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].args, QStringList{root + QStringLiteral("/a/SETUP.EXE")});
  tree->SetShellRun(false);
  QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, r.center());
  EXPECT_EQ(starts.size(), 1u);
}

TEST_F(TreeTest, ARefreshOverTwoThousandEntriesKeepsTheUsersPlaceAndMatchesTheDisk) {
  const QString many = root + QStringLiteral("/many");
  for (int i = 0; i < 1000; ++i) {
    QDir().mkpath(many + QStringLiteral("/d%1").arg(i, 4, 10, QLatin1Char('0')));
    Write(QStringLiteral("root/many/f%1.zip").arg(i, 4, 10, QLatin1Char('0')), "z");
  }
  Write(QStringLiteral("root/many/d0500/inner/x.zip"), "z");
  auto tree = MainWindowTree();
  tree->resize(300, 400);
  tree->show();
  ASSERT_TRUE(tree->SelectPath(many + QStringLiteral("/d0500/inner/x.zip")));
  QTreeWidgetItem* selected = tree->currentItem();
  tree->scrollToItem(selected, QAbstractItemView::PositionAtCenter);
  QTreeWidgetItem* d0500 = selected->parent()->parent();
  QTreeWidgetItem* manyNode = d0500->parent();
  QTreeWidgetItem* top = tree->itemAt(0, 0);
  const int scrolled = tree->verticalScrollBar()->value();

  // Renamed, removed and added below the open folder, after the selection.
  for (int i = 990; i < 1000; ++i) {
    ASSERT_TRUE(QDir(many).rename(QStringLiteral("d0%1").arg(i), QStringLiteral("e0%1").arg(i)));
    ASSERT_TRUE(QFile::remove(many + QStringLiteral("/f0%1.zip").arg(i - 300)));
    QDir().mkpath(many + QStringLiteral("/h0%1").arg(i));
    Write(QStringLiteral("root/many/g0%1.zip").arg(i), "z");
  }
  QSignalSpy changes(tree.get(), &TFolderTreeViewEx::OnChange);
  tree->RefreshTree();

  EXPECT_EQ(tree->currentItem(), selected);  // the same node, in the same branch
  EXPECT_TRUE(changes.isEmpty());
  EXPECT_TRUE(d0500->isExpanded() && selected->parent()->isExpanded() && manyNode->isExpanded());
  EXPECT_EQ(tree->itemAt(0, 0), top);
  EXPECT_EQ(tree->verticalScrollBar()->value(), scrolled);
  // Every entry on the disk, once, in shell order: folders, then archives.
  QStringList folders = QDir(many).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  QStringList files = QDir(many).entryList({QStringLiteral("*.zip")}, QDir::Files);
  folders.sort();
  files.sort();
  EXPECT_EQ(Children(manyNode), folders + files);
  EXPECT_EQ(manyNode->childCount(), 2010);
}

TEST_F(TreeTest, AFolderSelectedUnderTheFileSystemRootStaysThereAfterARefresh) {
  // The home folder is both a computer folder of its own and below "/".
  shell::SetComputerRoots({QStringLiteral("/"), Home()});
  auto tree = MainWindowTree();
  QTreeWidgetItem* computer = tree->topLevelItem(0);
  QTreeWidgetItem* fileSystem = Child(computer, QStringLiteral("ファイルシステム (/)"));
  ASSERT_TRUE(fileSystem);
  QTreeWidgetItem* at = fileSystem;
  for (const QString& part : (root + QStringLiteral("/a")).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
    at->setExpanded(true);
    at = Child(at, part);
    ASSERT_TRUE(at) << part.toStdString();
  }
  tree->setCurrentItem(at);
  tree->RefreshTree();
  EXPECT_EQ(tree->currentItem(), at);
  QTreeWidgetItem* branch = tree->currentItem();
  while (branch->parent() != computer) branch = branch->parent();
  EXPECT_EQ(branch, fileSystem);
  EXPECT_EQ(tree->GetFolderName(), root + QStringLiteral("/a"));
}

// Slows down the read of one folder, as a hung network mount does.
class SlowFolderTest : public TreeTest {
 protected:
  void SlowDown(const QString& folder, int ms) {
    shell::SetSyncReadBudget(40);
    shell::SetFolderReadHook([folder, ms](const QString& path) {
      if (path == folder) QThread::msleep(static_cast<unsigned long>(ms));
    });
  }
  // The longest the event loop went without turning, over ms.
  static qint64 WorstGap(int ms, const std::function<void()>& meanwhile = {}) {
    qint64 worst = 0;
    QElapsedTimer gap;
    QTimer tick;
    tick.setInterval(5);
    QObject::connect(&tick, &QTimer::timeout, [&] { worst = std::max(worst, gap.restart()); });
    gap.start();
    tick.start();
    if (meanwhile) meanwhile();
    WaitUntil([] { return false; }, ms);
    return std::max(worst, gap.elapsed());
  }
};

TEST_F(SlowFolderTest, AFolderThatReadsSlowlyLeavesTheWindowAnsweringAndFillsLater) {
  for (int i = 0; i < 30; ++i) Write(QStringLiteral("root/slow/s%1.zip").arg(i, 2, 10, QLatin1Char('0')), "z");
  SlowDown(root + QStringLiteral("/slow"), 5000);
  auto tree = MainWindowTree();
  tree->show();
  QTreeWidgetItem* rootNode = RootNode(*tree);
  rootNode->setExpanded(true);
  QTreeWidgetItem* slow = Child(rootNode, QStringLiteral("slow"));
  ASSERT_TRUE(slow);
  tree->setCurrentItem(slow);
  tree->setFocus();

  QElapsedTimer t;
  t.start();
  QTest::keyClick(tree.get(), Qt::Key_Right);  // opens the folder
  EXPECT_LT(t.elapsed(), 100);
  EXPECT_TRUE(slow->isExpanded());
  EXPECT_EQ(Children(slow), QStringList{QStringLiteral("読み込み中…")});
  EXPECT_TRUE(tree->IsLoading());

  // Meanwhile the window answers: the event loop keeps turning, and a key
  // pressed goes where it should at once.
  QTreeWidgetItem* before = nullptr;
  const qint64 worst = WorstGap(1000, [&] {
    QCoreApplication::postEvent(tree.get(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier));
    QCoreApplication::postEvent(tree.get(), new QKeyEvent(QEvent::KeyRelease, Qt::Key_Up, Qt::NoModifier));
  });
  before = tree->currentItem();
  EXPECT_LT(worst, 100);
  EXPECT_NE(before, slow);
  EXPECT_EQ(tree->viewport()->cursor().shape(), Qt::BusyCursor);  // work over 0.3 s shows

  ASSERT_TRUE(WaitUntil([&] { return !tree->IsLoading(); }, 8000));
  ASSERT_EQ(slow->childCount(), 30);
  EXPECT_EQ(slow->child(0)->text(0), QStringLiteral("s00.zip"));
  EXPECT_EQ(tree->viewport()->cursor().shape(), Qt::ArrowCursor);
  EXPECT_EQ(tree->currentItem(), before);  // the fill leaves the user's place alone
}

TEST_F(SlowFolderTest, APathInsideASlowFolderIsSelectedWhenItsReadEnds) {
  Write(QStringLiteral("root/slow/deep/tool.zip"), "z");
  SlowDown(root + QStringLiteral("/slow"), 1000);
  auto tree = MainWindowTree();
  tree->show();
  QSignalSpy changes(tree.get(), &TFolderTreeViewEx::OnChange);
  QElapsedTimer t;
  t.start();
  EXPECT_TRUE(tree->SelectPath(root + QStringLiteral("/slow/deep/tool.zip")));
  EXPECT_LT(t.elapsed(), 100);
  ASSERT_TRUE(WaitUntil([&] { return tree->GetFolderName() == root + QStringLiteral("/slow/deep/tool.zip"); }, 5000));
  EXPECT_EQ(changes.last()[0].toString(), root + QStringLiteral("/slow/deep/tool.zip"));

  // A refresh waits for the read in the same way, and one asked for
  // meanwhile is done once it ends.
  SlowDown(root + QStringLiteral("/slow"), 1000);
  Write(QStringLiteral("root/slow/new.zip"), "z");
  const qint64 worst = WorstGap(300, [&] {
    tree->RefreshTree();
    tree->RefreshTree();
  });
  EXPECT_LT(worst, 100);
  ASSERT_TRUE(WaitUntil([&] { return !tree->IsLoading(); }, 5000));
  QTreeWidgetItem* slow = tree->currentItem()->parent()->parent();
  EXPECT_EQ(Children(slow), (QStringList{QStringLiteral("deep"), QStringLiteral("new.zip")}));
  EXPECT_EQ(tree->GetFolderName(), root + QStringLiteral("/slow/deep/tool.zip"));
}

}  // namespace
