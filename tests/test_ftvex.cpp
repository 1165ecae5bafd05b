#include "components/FTVEX/FTVEX.h"
#include "support.h"

#include <QSignalSpy>
#include <QTest>

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

}  // namespace
