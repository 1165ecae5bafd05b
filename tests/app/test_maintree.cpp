// The tree's shell commands on the main window's tree, where archives are
// the leaves, as a user meets them.
#include "components/FTVEX/FTVEX.h"
#include "platform/clipboard.h"
#include "shell/fileops.h"
#include "shell/folderread.h"
#include "app/listview.h"
#include "craft.h"
#include "window_support.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QInputMethodEvent>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <sys/stat.h>

namespace {

// The same commands on the main window's tree, where archives are the leaves.
class MainTreeTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    Write(QStringLiteral("arc/game.zip"), craft::Zip({{"game/readme.txt", "r"}}));
    Write(QStringLiteral("arc/other.zip"), craft::Zip({{"x.txt", "x"}}));
    Write(QStringLiteral("incoming/new.lzh"), craft::Lzh("a.txt", "a"));
    StartWindow();
    tree = form->FolderTreeViewEx1;
    // Something the run folder holds that no tree command may touch.
    ASSERT_FALSE(TempRoot.isEmpty());
    held = TempRoot + QStringLiteral("held.txt");
    QFile f(held);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("held");
  }
  QTreeWidgetItem* Selected(const QString& rel) {
    return tree->SelectPath(Home() + QLatin1Char('/') + rel) ? tree->currentItem() : nullptr;
  }
  QPoint At(QTreeWidgetItem* node) {
    tree->scrollToItem(node);
    return tree->visualItemRect(node).center();
  }
  TFolderTreeViewEx* tree = nullptr;
  QString held;
};

TEST_F(MainTreeTest, DeletingAnArchiveNodeTrashesItAndLeavesTheRunFolderAlone) {
  QTreeWidgetItem* node = Selected(QStringLiteral("arc/game.zip"));
  ASSERT_TRUE(node);
  QTreeWidgetItem* folder = node->parent();
  const QPoint p = At(node);
  WhenMenuOpens([](QMenu* m) { QTest::keyClick(m, Qt::Key_D); });
  QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, p);
  QContextMenuEvent event(QContextMenuEvent::Mouse, p, tree->viewport()->mapToGlobal(p));
  QApplication::sendEvent(tree->viewport(), &event);
  EXPECT_FALSE(QFileInfo::exists(Home() + QStringLiteral("/arc/game.zip")));
  EXPECT_TRUE(QFileInfo::exists(Home() + QStringLiteral("/.local/share/Trash/files/game.zip")));
  ASSERT_EQ(folder->childCount(), 1);
  EXPECT_EQ(folder->child(0)->text(0), QStringLiteral("other.zip"));
  EXPECT_EQ(ReadAll(held), QStringLiteral("held"));
  // F5 rebuilds the tree; the run folder stays as it was.
  QTest::keyClick(tree, Qt::Key_F5);
  EXPECT_EQ(ReadAll(held), QStringLiteral("held"));
}

TEST_F(MainTreeTest, DoubleClickOpensAnArchiveWithTheDesktopOpener) {
  FakeOnPath(QStringLiteral("xdg-open"));
  QTreeWidgetItem* node = Selected(QStringLiteral("arc/other.zip"));
  ASSERT_TRUE(node);
  starts.clear();
  QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, At(node));
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_TRUE(starts[0].program.endsWith(QStringLiteral("/xdg-open")));
  EXPECT_EQ(starts[0].args, QStringList{Home() + QStringLiteral("/arc/other.zip")});
}

TEST_F(MainTreeTest, AnArchiveDroppedOnAFolderNodeMovesThereAndShows) {
  QTreeWidgetItem* arc = Selected(QStringLiteral("arc"));
  ASSERT_TRUE(arc);
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(Home() + QStringLiteral("/incoming/new.lzh"))});
  const QPoint p = At(arc);
  QDragEnterEvent enter(p, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(tree->viewport(), &enter);
  QDragMoveEvent move(p, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(tree->viewport(), &move);
  QDropEvent drop(p, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(tree->viewport(), &drop);
  EXPECT_TRUE(QFileInfo::exists(Home() + QStringLiteral("/arc/new.lzh")));
  EXPECT_FALSE(QFileInfo::exists(Home() + QStringLiteral("/incoming/new.lzh")));
  EXPECT_TRUE(tree->SelectPath(Home() + QStringLiteral("/arc/new.lzh")));
  EXPECT_EQ(ReadAll(held), QStringLiteral("held"));
}

}  // namespace

namespace {

TEST_F(MainTreeTest, APathFromOutsideIsListedAsIfClicked) {
  form->OpenPath(Home() + QStringLiteral("/arc/game.zip"));
  EXPECT_EQ(tree->GetFolderName(), Home() + QStringLiteral("/arc/game.zip"));
  EXPECT_EQ(ListCaptions(*form), QStringList{QStringLiteral("game/readme.txt")});
  // A file the tree does not show: its folder is listed instead.
  const QString note = Write(QStringLiteral("tools/readme.txt"), "r");
  Write(QStringLiteral("tools/setup.exe"), QByteArray(4096, 'M'));
  form->OpenPath(note);
  EXPECT_EQ(tree->GetFolderName(), Home() + QStringLiteral("/tools"));  // a folder made after the tree was filled
  EXPECT_TRUE(messages.empty());
  // Nothing there: told, and the window stays as it was.
  messages.clear();
  form->OpenPath(Home() + QStringLiteral("/nowhere.lzh"));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, QStringLiteral("「%1/nowhere.lzh」が見つかりません。").arg(Home()));
  EXPECT_EQ(tree->GetFolderName(), Home() + QStringLiteral("/tools"));
}

TEST_F(MainTreeTest, F5OverAFolderThatReadsSlowlyLeavesTheMenusAnswering) {
  QTreeWidgetItem* arc = Selected(QStringLiteral("arc/game.zip"));
  ASSERT_TRUE(arc);
  // From now on the folder takes 5 s to read, as on a hung network mount.
  const QString slow = Home() + QStringLiteral("/arc");
  shell::SetSyncReadBudget(40);
  shell::SetFolderReadHook([slow](const QString& path) {
    if (path == slow) QThread::msleep(5000);
  });
  form->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  tree->setFocus();
  QElapsedTimer t;
  t.start();
  QTest::keyClick(tree, Qt::Key_F5);
  EXPECT_LT(t.elapsed(), 100);
  // The ﾌｧｲﾙ menu opens at once, and its first entries are there.
  QStringList entries;
  WhenMenuOpens([&](QMenu* m) {
    for (QAction* a : m->actions()) entries << a->text();
    m->close();
  });
  t.restart();
  QMenuBar* bar = form->menuBar();
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(form->File1->menuAction()).center());
  ASSERT_TRUE(WaitUntil([&] { return !entries.isEmpty(); }, 1000));
  EXPECT_LT(t.elapsed(), 100);
  EXPECT_EQ(entries.first(), QStringLiteral("環境設定(&O)"));
  EXPECT_TRUE(tree->IsLoading());
  // When the read ends, the tree is as it was, the archive still listed.
  ASSERT_TRUE(WaitUntil([&] { return !tree->IsLoading(); }, 8000));
  EXPECT_EQ(tree->currentItem(), arc);
  EXPECT_EQ(ListCaptions(*form), QStringList{QStringLiteral("game/readme.txt")});
}

}  // namespace
