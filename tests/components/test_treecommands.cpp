// The tree's shell commands as a user meets them: right click, the menu
// chosen by keyboard or mouse, in-place rename, drops of real mime data.
#include "components/FTVEX/FTVEX.h"
#include "platform/clipboard.h"
#include "shell/fileops.h"
#include "shell/folderread.h"
#include "craft.h"
#include "support.h"

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

struct Entry {
  QString text;
  bool enabled;
  int number;  // 0: none
  bool separator;
  bool submenu;
};

// Types text as a user does: ASCII on the keyboard, Japanese committed by
// the input method.
void Type(QWidget* w, const QString& text) {
  QString run;
  auto commit = [&] {
    if (run.isEmpty()) return;
    QInputMethodEvent event;
    event.setCommitString(run);
    QApplication::sendEvent(w, &event);
    run.clear();
  };
  for (const QChar c : text) {
    if (c.unicode() < 128) {
      commit();
      QTest::keyClick(w, c.toLatin1());
    } else {
      run += c;
    }
  }
  commit();
}

std::vector<Entry> Snapshot(QMenu* menu) {
  std::vector<Entry> out;
  for (QAction* a : menu->actions())
    out.push_back({a->text(), a->isEnabled(), a->data().isValid() ? a->data().toInt() : 0, a->isSeparator(),
                   a->menu() != nullptr});
  return out;
}

QAction* ActionNamed(QMenu* menu, const QString& text) {
  for (QAction* a : menu->actions())
    if (a->text() == text) return a;
  return nullptr;
}

class TreeCommandsTest : public ZotTest {
 protected:
  void SetUp() override {
    ZotTest::SetUp();
    Write(QStringLiteral("root/src/a.txt"), "A");
    Write(QStringLiteral("root/src/b.txt"), "B");
    Write(QStringLiteral("root/dest/keep.txt"), "K");
    Write(QStringLiteral("root/dest/inner/deep.txt"), "D");
    root = Home() + QStringLiteral("/root");
    shell::SetComputerRoots({root});
    tree = std::make_unique<TFolderTreeViewEx>();
    tree->SetShowFile(true);  // no mask: every file is a leaf
    tree->resize(400, 500);
    tree->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(tree.get()));
    QApplication::clipboard()->clear();
  }
  void TearDown() override {
    tree.reset();
    shell::SetComputerRoots({});
    ZotTest::TearDown();
  }
  // The node of a path below root, found by its captions as a user would.
  QTreeWidgetItem* Node(const QString& rel) {
    QTreeWidgetItem* n = tree->topLevelItem(0) ? tree->topLevelItem(0)->child(0) : nullptr;
    for (const QString& part : rel.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
      if (!n) return nullptr;
      n->setExpanded(true);
      QTreeWidgetItem* next = nullptr;
      for (int i = 0; i < n->childCount(); ++i)
        if (n->child(i)->text(0) == part) next = n->child(i);
      n = next;
    }
    return n;
  }
  QPoint At(QTreeWidgetItem* node) {
    tree->scrollToItem(node);
    return tree->visualItemRect(node).center();
  }
  // A right click on the node, as the mouse gives it; act runs while the menu is open.
  void RightClick(QTreeWidgetItem* node, std::function<void(QMenu*)> act) {
    ASSERT_TRUE(node);
    const QPoint p = At(node);
    WhenMenuOpens(std::move(act));
    QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, p);
    // The offscreen platform sends no context-menu event of its own.
    QContextMenuEvent event(QContextMenuEvent::Mouse, p, tree->viewport()->mapToGlobal(p));
    QApplication::sendEvent(tree->viewport(), &event);
  }
  // Chooses a menu entry by its accelerator key.
  void Choose(const QString& rel, Qt::Key key) {
    RightClick(Node(rel), [key](QMenu* m) { QTest::keyClick(m, key); });
  }
  QString Trash() const { return Home() + QStringLiteral("/.local/share/Trash"); }
  void Drop(QTreeWidgetItem* node, const QList<QUrl>& urls, Qt::KeyboardModifiers mods = {}) {
    ASSERT_TRUE(node);
    QMimeData data;
    data.setUrls(urls);
    const QPoint p = At(node);
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(p, actions, &data, Qt::LeftButton, mods);
    QApplication::sendEvent(tree->viewport(), &enter);
    QDragMoveEvent move(p, actions, &data, Qt::LeftButton, mods);
    QApplication::sendEvent(tree->viewport(), &move);
    lastOverAction = move.isAccepted() ? move.dropAction() : Qt::IgnoreAction;
    QDropEvent drop(p, actions, &data, Qt::LeftButton, mods);
    QApplication::sendEvent(tree->viewport(), &drop);
    lastDropAction = drop.dropAction();
  }
  QUrl Url(const QString& rel) const { return QUrl::fromLocalFile(root + QLatin1Char('/') + rel); }
  bool Exists(const QString& rel) const { return QFileInfo::exists(root + QLatin1Char('/') + rel); }

  QString root;
  std::unique_ptr<TFolderTreeViewEx> tree;
  Qt::DropAction lastOverAction = Qt::IgnoreAction, lastDropAction = Qt::IgnoreAction;
};

TEST_F(TreeCommandsTest, TheMenuHasTheDesktopsEntriesNumbersAndDisabledOnes) {
  std::vector<Entry> file, folder, computer;
  int pastePos = 0, sendToPos = 0, pasteOnFile = 0;
  RightClick(Node(QStringLiteral("src/a.txt")), [&](QMenu* m) {
    file = Snapshot(m);
    pasteOnFile = FindMenuItemByText(m, QStringLiteral("(&P)"), 9);
    QTest::keyClick(m, Qt::Key_C);  // copy, so a folder can paste
  });
  ASSERT_EQ(file.size(), 12u);
  EXPECT_EQ(tree->currentItem()->text(0), QStringLiteral("a.txt"));  // the right click selected it
  const struct {
    const char* text;
    int number;
    bool enabled;
  } want[] = {{"開く(&O)", 1, true},           {"送る(&N)", 0, true},  {"", 0, true},
              {"切り取り(&T)", 25, true},       {"コピー(&C)", 26, true}, {"貼り付け(&P)", 27, false},
              {"", 0, true},                   {"ショートカットの作成(&S)", 17, true}, {"削除(&D)", 18, true},
              {"名前の変更(&M)", 19, true},      {"", 0, true},          {"プロパティ(&R)", 20, true}};
  for (size_t i = 0; i < file.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(file[i].text, QString::fromUtf8(want[i].text));
    EXPECT_EQ(file[i].separator, !*want[i].text);
    if (file[i].separator) continue;
    EXPECT_EQ(file[i].number, want[i].number);
    EXPECT_EQ(file[i].enabled, want[i].enabled);
  }
  EXPECT_TRUE(file[1].submenu);
  EXPECT_EQ(pasteOnFile, -1);  // a disabled entry is never found
  RightClick(Node(QStringLiteral("dest")), [&](QMenu* m) {
    folder = Snapshot(m);
    pastePos = FindMenuItemByText(m, QStringLiteral("(&P)"), 9);
    sendToPos = FindMenuItemByText(m, QStringLiteral("(&N)"), 5);
    QTest::keyClick(m, Qt::Key_Escape);
  });
  ASSERT_EQ(folder.size(), 12u);
  EXPECT_TRUE(folder[5].enabled);  // the clipboard holds a file now
  EXPECT_EQ(pastePos, 6);          // "貼り付け" is 8 bytes in Shift-JIS
  EXPECT_EQ(sendToPos, 2);
  // "コンピュータ" has no file: nothing applies.
  RightClick(tree->topLevelItem(0), [&](QMenu* m) {
    computer = Snapshot(m);
    QTest::keyClick(m, Qt::Key_Escape);
  });
  ASSERT_EQ(computer.size(), 12u);
  for (const Entry& e : computer) EXPECT_TRUE(e.separator || !e.enabled) << e.text.toStdString();
}

TEST_F(TreeCommandsTest, DeleteAsksThenMovesToTheTrashAndRemovesOnlyThatNode) {
  QTreeWidgetItem* sibling = Node(QStringLiteral("src/b.txt"));
  Node(QStringLiteral("dest/inner"))->setExpanded(true);
  answer = QMessageBox::No;
  Choose(QStringLiteral("src/a.txt"), Qt::Key_D);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, QStringLiteral("「a.txt」をごみ箱に移動しますか?"));
  EXPECT_TRUE(Exists(QStringLiteral("src/a.txt")));
  EXPECT_TRUE(Node(QStringLiteral("src/a.txt")));

  answer = QMessageBox::Yes;
  Choose(QStringLiteral("src/a.txt"), Qt::Key_D);
  EXPECT_FALSE(Exists(QStringLiteral("src/a.txt")));
  EXPECT_EQ(ReadAll(Trash() + QStringLiteral("/files/a.txt")), QStringLiteral("A"));
  EXPECT_TRUE(ReadAll(Trash() + QStringLiteral("/info/a.txt.trashinfo"))
                  .contains(QStringLiteral("\nPath=") + root + QStringLiteral("/src/a.txt\n")));
  // Only that node went; the rest of the tree was not rebuilt.
  QTreeWidgetItem* src = Node(QStringLiteral("src"));
  ASSERT_TRUE(src);
  ASSERT_EQ(src->childCount(), 1);
  EXPECT_EQ(src->child(0), sibling);
  EXPECT_TRUE(Node(QStringLiteral("dest/inner"))->isExpanded());
}

TEST_F(TreeCommandsTest, CreateShortcutByMouseMakesTheLinkAndTheTreeShowsIt) {
  Node(QStringLiteral("dest/inner"))->setExpanded(true);
  RightClick(Node(QStringLiteral("src/a.txt")), [](QMenu* m) {
    QAction* a = ActionNamed(m, QStringLiteral("ショートカットの作成(&S)"));
    ASSERT_TRUE(a);
    QTest::mouseClick(m, Qt::LeftButton, {}, m->actionGeometry(a).center());
  });
  const QString link = root + QStringLiteral("/src/a.txt へのショートカット");
  EXPECT_EQ(QFileInfo(link).symLinkTarget(), root + QStringLiteral("/src/a.txt"));
  EXPECT_TRUE(Node(QStringLiteral("src/a.txt へのショートカット")));
  // The refresh kept what was open and selected.
  EXPECT_TRUE(Node(QStringLiteral("dest/inner"))->isExpanded());
  EXPECT_EQ(tree->GetFolderName(), root + QStringLiteral("/src/a.txt"));
}

TEST_F(TreeCommandsTest, CopyPasteNeverOverwritesAndCutPasteMoves) {
  Write(QStringLiteral("root/dest/a.txt"), "already here");
  Choose(QStringLiteral("src/a.txt"), Qt::Key_C);
  Choose(QStringLiteral("dest"), Qt::Key_P);
  EXPECT_EQ(ReadAll(root + QStringLiteral("/dest/a.txt")), QStringLiteral("already here"));
  EXPECT_EQ(ReadAll(root + QStringLiteral("/dest/a (2).txt")), QStringLiteral("A"));
  Choose(QStringLiteral("dest"), Qt::Key_P);
  EXPECT_EQ(ReadAll(root + QStringLiteral("/dest/a (3).txt")), QStringLiteral("A"));
  EXPECT_TRUE(Exists(QStringLiteral("src/a.txt")));
  EXPECT_TRUE(Node(QStringLiteral("dest/a (3).txt")));  // the paste refreshed the tree

  Choose(QStringLiteral("src/b.txt"), Qt::Key_T);
  Choose(QStringLiteral("dest/inner"), Qt::Key_P);
  EXPECT_FALSE(Exists(QStringLiteral("src/b.txt")));
  EXPECT_EQ(ReadAll(root + QStringLiteral("/dest/inner/b.txt")), QStringLiteral("B"));
  EXPECT_TRUE(platform::ClipboardFiles().isEmpty());  // a cut is pasted once
  EXPECT_FALSE(Node(QStringLiteral("src/b.txt")));
  EXPECT_TRUE(messages.empty());
}

TEST_F(TreeCommandsTest, TheClipboardSpeaksTheFileManagersForms) {
  Choose(QStringLiteral("src/a.txt"), Qt::Key_T);
  const QMimeData* data = QApplication::clipboard()->mimeData();
  ASSERT_TRUE(data);
  const QByteArray url = QUrl::fromLocalFile(root + QStringLiteral("/src/a.txt")).toEncoded();
  EXPECT_EQ(data->data(QStringLiteral("x-special/gnome-copied-files")), "cut\n" + url);
  EXPECT_EQ(data->urls(), QList<QUrl>{QUrl::fromEncoded(url)});
  // What a GNOME file manager puts there alone pastes too (a copy here).
  auto* gnome = new QMimeData;
  gnome->setData(QStringLiteral("x-special/gnome-copied-files"), "copy\n" + url + "\n");
  QApplication::clipboard()->setMimeData(gnome);
  Choose(QStringLiteral("dest"), Qt::Key_P);
  EXPECT_EQ(ReadAll(root + QStringLiteral("/dest/a.txt")), QStringLiteral("A"));
  EXPECT_TRUE(Exists(QStringLiteral("src/a.txt")));
  // And a bare uri-list, as other programs give it.
  auto* plain = new QMimeData;
  plain->setUrls({QUrl::fromEncoded(url)});
  QApplication::clipboard()->setMimeData(plain);
  Choose(QStringLiteral("dest/inner"), Qt::Key_P);
  EXPECT_TRUE(Exists(QStringLiteral("dest/inner/a.txt")));
}

TEST_F(TreeCommandsTest, RenameEditsInPlaceAndARefusedNameRestoresTheCaption) {
  Choose(QStringLiteral("src/a.txt"), Qt::Key_M);
  auto* editor = OpenEditor(tree.get());
  ASSERT_TRUE(editor);
  editor->selectAll();
  Type(editor, QStringLiteral("名前.txt"));
  EXPECT_EQ(editor->text(), QStringLiteral("名前.txt"));
  QTest::keyClick(editor, Qt::Key_Return);
  QTest::qWait(20);  // the delegate commits on the next turn of the event loop
  EXPECT_FALSE(Exists(QStringLiteral("src/a.txt")));
  EXPECT_EQ(ReadAll(root + QStringLiteral("/src/名前.txt")), QStringLiteral("A"));
  ASSERT_TRUE(tree->currentItem());
  EXPECT_EQ(tree->currentItem()->text(0), QStringLiteral("名前.txt"));

  // F2 starts it too; a taken name is refused and the caption comes back.
  tree->setCurrentItem(Node(QStringLiteral("src/b.txt")));
  QTest::keyClick(tree.get(), Qt::Key_F2);
  editor = OpenEditor(tree.get());
  ASSERT_TRUE(editor);
  editor->selectAll();
  Type(editor, QStringLiteral("名前.txt"));
  QTest::keyClick(editor, Qt::Key_Return);
  QTest::qWait(20);  // the delegate commits on the next turn of the event loop
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, QStringLiteral("「名前.txt」という名前はすでにあります。"));
  EXPECT_EQ(ReadAll(root + QStringLiteral("/src/b.txt")), QStringLiteral("B"));
  EXPECT_EQ(ReadAll(root + QStringLiteral("/src/名前.txt")), QStringLiteral("A"));
  EXPECT_TRUE(Node(QStringLiteral("src/b.txt")));

  // Escape leaves everything as it was.
  QTest::keyClick(tree.get(), Qt::Key_F2);
  editor = OpenEditor(tree.get());
  ASSERT_TRUE(editor);
  QTest::keyClicks(editor, QStringLiteral("x"));
  QTest::keyClick(editor, Qt::Key_Escape);
  QTest::qWait(20);
  EXPECT_TRUE(Exists(QStringLiteral("src/b.txt")));
  EXPECT_TRUE(Node(QStringLiteral("src/b.txt")));
}

TEST_F(TreeCommandsTest, WithoutAutoUpDateCommandsRunButTheTreeStaysAndRenameNeverStarts) {
  tree->SetAutoUpDate(false);
  Choose(QStringLiteral("src/a.txt"), Qt::Key_D);
  EXPECT_FALSE(Exists(QStringLiteral("src/a.txt")));
  EXPECT_TRUE(Node(QStringLiteral("src/a.txt")));  // still shown
  Choose(QStringLiteral("src/b.txt"), Qt::Key_S);
  EXPECT_TRUE(QFileInfo(root + QStringLiteral("/src/b.txt へのショートカット")).isSymLink());
  EXPECT_FALSE(Node(QStringLiteral("src/b.txt へのショートカット")));
  Choose(QStringLiteral("src/b.txt"), Qt::Key_M);
  EXPECT_FALSE(OpenEditor(tree.get(), 300));
  QTest::keyClick(tree.get(), Qt::Key_F2);
  EXPECT_FALSE(OpenEditor(tree.get(), 300));
  EXPECT_TRUE(Exists(QStringLiteral("src/b.txt")));
}

TEST_F(TreeCommandsTest, PropertiesShowNameKindFolderSizeTimesAndPermissions) {
  Write(QStringLiteral("root/src/big.bin"), QByteArray(2048, 'x'));
  QStringList shown;
  onModal = [&](QDialog& d) {
    for (QLabel* l : d.findChildren<QLabel*>()) shown << l->accessibleName() + QLatin1Char('=') + l->text();
    return int(QDialog::Accepted);
  };
  // The keyboard's menu key opens the menu of the selected node.
  tree->setCurrentItem(Node(QStringLiteral("src/big.bin")));
  WhenMenuOpens([](QMenu* m) { QTest::keyClick(m, Qt::Key_R); });
  QTest::keyClick(tree.get(), Qt::Key_F10, Qt::ShiftModifier);
  ASSERT_EQ(modalDialogs, QStringList{QStringLiteral("properties")});
  EXPECT_TRUE(shown.contains(QStringLiteral("名前=big.bin")));
  EXPECT_TRUE(shown.contains(QStringLiteral("場所=") + root + QStringLiteral("/src")));
  EXPECT_TRUE(shown.contains(QStringLiteral("サイズ=2 KB (2,048 バイト)")) || shown.join(' ').contains(QStringLiteral("2,048 バイト")))
      << shown.join(QLatin1Char('|')).toStdString();
  EXPECT_TRUE(shown.join(QLatin1Char('|')).contains(QStringLiteral("アクセス許可=rw-")));
  EXPECT_TRUE(shown.join(QLatin1Char('|')).contains(QStringLiteral("更新日時=20")));
}

TEST_F(TreeCommandsTest, SendToCopiesIntoALinkedFolderAndStartsAProgramEntry) {
  const QString sendTo = Home() + QStringLiteral("/.config/zot/SendTo");
  QDir().mkpath(sendTo);
  ASSERT_EQ(::symlink(QFile::encodeName(root + QStringLiteral("/dest/inner")).constData(),
                      QFile::encodeName(sendTo + QStringLiteral("/奥")).constData()), 0);
  Write(QStringLiteral(".config/zot/SendTo/viewer.desktop"),
        "[Desktop Entry]\nType=Application\nName=Viewer\nName[ja]=ビューア\nExec=viewer --open %F\n");
  QStringList captions;
  auto pick = [&](int index) {
    return [&, index](QMenu* m) {
      WhenMenuOpens(
          [&, index](QMenu* sub) {
            captions.clear();
            for (QAction* a : sub->actions()) captions << a->text();
            QAction* a = sub->actions().value(index);
            ASSERT_TRUE(a);
            QTest::mouseClick(sub, Qt::LeftButton, {}, sub->actionGeometry(a).center());
          },
          m);
      QTest::keyClick(m, Qt::Key_N);  // opens "送る"
    };
  };
  RightClick(Node(QStringLiteral("src/a.txt")), pick(1));
  EXPECT_EQ(captions, (QStringList{QStringLiteral("ビューア"), QStringLiteral("奥")}));
  EXPECT_EQ(ReadAll(root + QStringLiteral("/dest/inner/a.txt")), QStringLiteral("A"));
  RightClick(Node(QStringLiteral("src/a.txt")), pick(0));
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].program, QStringLiteral("viewer"));
  EXPECT_EQ(starts[0].args, (QStringList{QStringLiteral("--open"), root + QStringLiteral("/src/a.txt")}));
  EXPECT_TRUE(Exists(QStringLiteral("src/a.txt")));
}

TEST_F(TreeCommandsTest, ADropOnAFolderMovesOneFileAndCopiesItWithControl) {
  Drop(Node(QStringLiteral("dest")), {Url(QStringLiteral("src/a.txt"))});
  EXPECT_EQ(lastOverAction, Qt::MoveAction);
  EXPECT_EQ(lastDropAction, Qt::IgnoreAction);  // the source must delete nothing itself
  EXPECT_FALSE(Exists(QStringLiteral("src/a.txt")));
  EXPECT_EQ(ReadAll(root + QStringLiteral("/dest/a.txt")), QStringLiteral("A"));
  EXPECT_TRUE(Node(QStringLiteral("dest/a.txt")));

  Drop(Node(QStringLiteral("dest/inner")), {Url(QStringLiteral("src/b.txt"))}, Qt::ControlModifier);
  EXPECT_EQ(lastOverAction, Qt::CopyAction);
  EXPECT_TRUE(Exists(QStringLiteral("src/b.txt")));
  EXPECT_TRUE(Exists(QStringLiteral("dest/inner/b.txt")));
  // Again: a new name, never over the first copy.
  Drop(Node(QStringLiteral("dest/inner")), {Url(QStringLiteral("src/b.txt"))}, Qt::ControlModifier);
  EXPECT_TRUE(Exists(QStringLiteral("dest/inner/b (2).txt")));
  EXPECT_TRUE(messages.empty());
}

TEST_F(TreeCommandsTest, DropsThatMustChangeNothing) {
  const auto before = [this] {
    QStringList all;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) all << it.next();
    all.sort();
    return all;
  };
  const QStringList start = before();
  // Two files at once.
  Drop(Node(QStringLiteral("dest")), {Url(QStringLiteral("src/a.txt")), Url(QStringLiteral("src/b.txt"))});
  // On a file node.
  Drop(Node(QStringLiteral("dest/keep.txt")), {Url(QStringLiteral("src/a.txt"))});
  // A file on its own folder, with and without Ctrl.
  Drop(Node(QStringLiteral("src")), {Url(QStringLiteral("src/a.txt"))});
  Drop(Node(QStringLiteral("src")), {Url(QStringLiteral("src/a.txt"))}, Qt::ControlModifier);
  EXPECT_TRUE(messages.empty());
  // A folder into itself or below it: told, not done.
  Drop(Node(QStringLiteral("dest/inner")), {Url(QStringLiteral("dest"))});
  Drop(Node(QStringLiteral("dest")), {Url(QStringLiteral("dest"))}, Qt::ControlModifier);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].text, QStringLiteral("フォルダ「dest」をそれ自身の中に移動することはできません。"));
  EXPECT_EQ(messages[1].text, QStringLiteral("フォルダ「dest」をそれ自身の中にコピーすることはできません。"));
  // Something that is not a local file.
  Drop(Node(QStringLiteral("dest")), {QUrl(QStringLiteral("https://example.com/a.zip"))});
  EXPECT_EQ(before(), start);
  EXPECT_EQ(messages.size(), 2u);
  // With DragAndDrop off the tree takes nothing.
  tree->SetDragAndDrop(false);
  Drop(Node(QStringLiteral("dest")), {Url(QStringLiteral("src/a.txt"))});
  EXPECT_EQ(lastOverAction, Qt::IgnoreAction);
  EXPECT_EQ(before(), start);
}

TEST_F(TreeCommandsTest, ADropOnAVirtualFolderShowsTheSpecialFolderMessage) {
  tree->SetRootFolder(rf_Controls);
  ASSERT_EQ(tree->topLevelItemCount(), 1);
  Drop(tree->topLevelItem(0), {Url(QStringLiteral("src/a.txt"))});
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, QStringLiteral("This Folder is SpecialFolder \r   Can not Copy or Paste!"));
  EXPECT_EQ(messages[0].icon, QMessageBox::Information);
  EXPECT_TRUE(Exists(QStringLiteral("src/a.txt")));
}

TEST_F(TreeCommandsTest, ARestingDragOpensAFolderAndTheEdgesScroll) {
  QTreeWidgetItem* dest = Node(QStringLiteral("dest"));
  dest->setExpanded(false);
  QMimeData data;
  data.setUrls({Url(QStringLiteral("src/a.txt"))});
  const QPoint p = At(dest);
  const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
  QDragEnterEvent enter(p, actions, &data, Qt::LeftButton, {});
  QApplication::sendEvent(tree->viewport(), &enter);
  QDragMoveEvent move(p, actions, &data, Qt::LeftButton, {});
  QApplication::sendEvent(tree->viewport(), &move);
  EXPECT_TRUE(tree->DropTargetNode() == dest);
  QTest::qWait(1000);
  EXPECT_FALSE(dest->isExpanded());
  EXPECT_TRUE(WaitUntil([&] { return dest->isExpanded(); }, 1500));

  // Enough folders to scroll; the cursor held in the bottom 11 pixels.
  for (int i = 0; i < 60; ++i) QDir().mkpath(root + QStringLiteral("/many/f%1").arg(i, 2, 10, QLatin1Char('0')));
  tree->RefreshTree();
  Node(QStringLiteral("many"))->setExpanded(true);
  tree->scrollToTop();
  QScrollBar* bar = tree->verticalScrollBar();
  ASSERT_TRUE(WaitUntil([bar] { return bar->maximum() > 10; }, 1000));
  const QPoint low(20, tree->viewport()->height() - 5);
  QDragMoveEvent edge(low, actions, &data, Qt::LeftButton, {});
  QApplication::sendEvent(tree->viewport(), &edge);
  QTest::qWait(1050);
  const int scrolled = bar->value();
  // About one line per 200 ms.
  EXPECT_GE(scrolled, 2);
  EXPECT_LE(scrolled, 8);
  const QPoint middle(20, tree->viewport()->height() / 2);
  QDragMoveEvent away(middle, actions, &data, Qt::LeftButton, {});
  QApplication::sendEvent(tree->viewport(), &away);
  QTest::qWait(500);
  EXPECT_EQ(bar->value(), scrolled);
  QDragLeaveEvent leave;
  QApplication::sendEvent(tree->viewport(), &leave);
  EXPECT_FALSE(tree->DropTargetNode());
}

}  // namespace
