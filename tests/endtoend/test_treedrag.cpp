// Run in a real X server (Xvfb): the mouse is xdotool's, the drag Qt's own
// XDND loop, the menu a real popup.
#include "components/FTVEX/FTVEX.h"
#include "craft.h"
#include "window_support.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

namespace {

class TreeDragTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_FALSE(QGuiApplication::platformName() == QLatin1String("offscreen")) << "run under Xvfb";
    ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("xdotool"), {QStringLiteral("/usr/bin")}).isEmpty());
    Write(QStringLiteral("from/tool.zip"), craft::Zip({{"tool/readme.txt", "r"}}));
    QDir().mkpath(Home() + QStringLiteral("/to"));
    StartWindow();
    form->move(0, 0);
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    tree = form->FolderTreeViewEx1;
  }
  QPoint Global(QTreeWidgetItem* node) {
    tree->scrollToItem(node);
    return tree->viewport()->mapToGlobal(tree->visualItemRect(node).center());
  }
  // xdotool runs beside the event loop, which has to keep turning.
  void Xdotool(const QStringList& args) {
    auto* p = new QProcess;
    QObject::connect(p, &QProcess::finished, p, &QObject::deleteLater);
    p->start(QStringLiteral("/usr/bin/xdotool"), args);
  }
  TFolderTreeViewEx* tree = nullptr;
};

TEST_F(TreeDragTest, AMouseDragFromOneNodeOntoAFolderNodeMovesTheFile) {
  ASSERT_TRUE(tree->SelectPath(Home() + QStringLiteral("/to")));
  QTreeWidgetItem* to = tree->currentItem();
  ASSERT_TRUE(tree->SelectPath(Home() + QStringLiteral("/from/tool.zip")));
  QTreeWidgetItem* from = tree->currentItem();
  const QPoint a = Global(from), b = Global(to);
  const auto s = [](int v) { return QString::number(v); };
  Xdotool({QStringLiteral("mousemove"), s(a.x()), s(a.y()), QStringLiteral("sleep"), QStringLiteral("0.3"),
           QStringLiteral("mousedown"), QStringLiteral("1"), QStringLiteral("sleep"), QStringLiteral("0.2"),
           QStringLiteral("mousemove"), s(a.x() + 8), s(a.y() + 8), QStringLiteral("sleep"), QStringLiteral("0.2"),
           QStringLiteral("mousemove"), s(a.x() + 20), s(a.y() + 20), QStringLiteral("sleep"), QStringLiteral("0.3"),
           QStringLiteral("mousemove"), s(b.x()), s(b.y() - 1), QStringLiteral("sleep"), QStringLiteral("0.3"),
           QStringLiteral("mousemove"), s(b.x()), s(b.y()), QStringLiteral("sleep"), QStringLiteral("0.4"),
           QStringLiteral("mouseup"), QStringLiteral("1")});
  EXPECT_TRUE(WaitUntil([&] { return QFileInfo::exists(Home() + QStringLiteral("/to/tool.zip")); }, 15000));
  EXPECT_FALSE(QFileInfo::exists(Home() + QStringLiteral("/from/tool.zip")));
  EXPECT_TRUE(WaitUntil([&] { return tree->SelectPath(Home() + QStringLiteral("/to/tool.zip")); }, 3000));
}

TEST_F(TreeDragTest, TheRightButtonOpensTheMenuWithJapaneseCaptions) {
  ASSERT_TRUE(tree->SelectPath(Home() + QStringLiteral("/from/tool.zip")));
  const QPoint a = Global(tree->currentItem());
  tree->clearSelection();
  // The menu runs its own loop: look at it from a timer inside that loop.
  QStringList captions;
  bool pasteEnabled = true;
  QTimer poll;
  poll.setInterval(50);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu || !menu->isVisible() || !captions.isEmpty()) return;
    for (QAction* act : menu->actions()) captions << act->text();
    pasteEnabled = menu->actions().value(5)->isEnabled();
    QTest::qWait(300);  // drawn
    // A picture of it for people to look at.
    const QString shot = qEnvironmentVariable("ZOT_SCREENSHOT_DIR");
    if (!shot.isEmpty())
      QProcess::execute(QStringLiteral("/usr/bin/import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                                   shot + QStringLiteral("/tree-context-menu.png")});
    Xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
  });
  poll.start();
  Xdotool({QStringLiteral("mousemove"), QString::number(a.x()), QString::number(a.y()), QStringLiteral("sleep"),
           QStringLiteral("0.3"), QStringLiteral("click"), QStringLiteral("3")});
  ASSERT_TRUE(WaitUntil([&] { return !captions.isEmpty() && QApplication::activePopupWidget() == nullptr; }, 15000));
  EXPECT_EQ(captions.value(0), QStringLiteral("開く(&O)"));
  EXPECT_EQ(captions.value(11), QStringLiteral("プロパティ(&R)"));
  EXPECT_FALSE(pasteEnabled);  // nothing to paste, and a file
  EXPECT_EQ(tree->currentItem()->text(0), QStringLiteral("tool.zip"));  // the right click selected it
}

}  // namespace

#include "components/ShView/ShView.h"
#include "shellview/window.h"

#include <QLineEdit>

namespace {

// The shell view window with xdotool's mouse and keyboard.
class ShellViewXvfbTest : public ZotTest {
 protected:
  void SetUp() override {
    ZotTest::SetUp();
    ASSERT_FALSE(QGuiApplication::platformName() == QLatin1String("offscreen")) << "run under Xvfb";
    shell::SetComputerRoots({Home()});
    Write(QStringLiteral("docs/report.txt"), "r");
    Write(QStringLiteral("docs/old name.txt"), "o");
    Write(QStringLiteral("music/a.ogg"), "a");
    window = std::make_unique<TShellViewWindow>(Home() + QStringLiteral("/music"));
    window->move(0, 0);
    window->Open();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }
  void TearDown() override {
    window.reset();
    shell::SetComputerRoots({});
    ZotTest::TearDown();
  }
  static void Xdotool(const QStringList& args) {
    auto* p = new QProcess;
    QObject::connect(p, &QProcess::finished, p, &QObject::deleteLater);
    p->start(QStringLiteral("/usr/bin/xdotool"), args);
  }
  static QStringList Move(const QPoint& at) {
    return {QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()), QStringLiteral("sleep"),
            QStringLiteral("0.2")};
  }
  std::unique_ptr<TShellViewWindow> window;
};

TEST_F(ShellViewXvfbTest, PickAFolderWithTheMouseThenRenameAFileInTheList) {
  TFolderView* folders = window->FolderView1;
  TFileView* files = window->FileView1;
  // The "docs" node, beside the shown "music".
  QTreeWidgetItem* music = folders->currentItem();
  ASSERT_TRUE(music && music->parent());
  QTreeWidgetItem* docs = nullptr;
  for (int i = 0; i < music->parent()->childCount(); ++i)
    if (music->parent()->child(i)->text(0) == QStringLiteral("docs")) docs = music->parent()->child(i);
  ASSERT_TRUE(docs);
  folders->scrollToItem(docs);
  const QPoint node = folders->viewport()->mapToGlobal(folders->visualItemRect(docs).center());
  Xdotool(Move(node) + QStringList{QStringLiteral("click"), QStringLiteral("1")});
  ASSERT_TRUE(WaitUntil([&] { return folders->GetSelectedPath() == Home() + QStringLiteral("/docs"); }, 10000));
  ASSERT_TRUE(WaitUntil([&] { return files->topLevelItemCount() == 2; }, 3000));
  EXPECT_EQ(window->ComboView1->currentText(), QStringLiteral("docs"));

  QTreeWidgetItem* file = nullptr;
  for (int i = 0; i < files->topLevelItemCount(); ++i)
    if (files->topLevelItem(i)->text(0) == QStringLiteral("old name.txt")) file = files->topLevelItem(i);
  ASSERT_TRUE(file);
  QRect r = files->visualItemRect(file);
  const QPoint name = files->viewport()->mapToGlobal(QPoint(r.left() + 30, r.center().y()));
  Xdotool(Move(name) + QStringList{QStringLiteral("click"), QStringLiteral("1"), QStringLiteral("sleep"),
                                   QStringLiteral("0.3"), QStringLiteral("key"), QStringLiteral("F2"),
                                   QStringLiteral("sleep"), QStringLiteral("0.3"), QStringLiteral("key"),
                                   QStringLiteral("ctrl+a"), QStringLiteral("type"), QStringLiteral("new name.txt")});
  ASSERT_TRUE(WaitUntil([] {
    auto* e = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    return e && e->text() == QStringLiteral("new name.txt");
  }, 10000));
  const QString shot = qEnvironmentVariable("ZOT_SCREENSHOT_DIR");
  if (!shot.isEmpty())
    QProcess::execute(QStringLiteral("/usr/bin/import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                                          shot + QStringLiteral("/shellview-rename.png")});
  Xdotool({QStringLiteral("key"), QStringLiteral("Return")});
  EXPECT_TRUE(WaitUntil([&] { return QFileInfo::exists(Home() + QStringLiteral("/docs/new name.txt")); }, 5000));
  EXPECT_FALSE(QFileInfo::exists(Home() + QStringLiteral("/docs/old name.txt")));
}

}  // namespace
