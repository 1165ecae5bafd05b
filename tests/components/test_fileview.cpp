// The shell view set working together, as zot-shellview places it, driven
// with the mouse and the keyboard.
#include "components/DRPCOMEX/DRPCOMEX.h"
#include "components/ShView/ShView.h"
#include "shellview/window.h"
#include "support.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QRegularExpression>

#include <unistd.h>

namespace {

using namespace shell;

class FileViewTest : public ZotTest {
 protected:
  void SetUp() override {
    ZotTest::SetUp();
    root = Home() + QStringLiteral("/root");
    // The home holds the Send To folder; the root the files.
    shell::SetComputerRoots({root, Home()});
    Write(QStringLiteral("root/files/zero.bin"), "");
    Write(QStringLiteral("root/files/k1023.bin"), QByteArray(1023, 'x'));
    Write(QStringLiteral("root/files/k1024.bin"), QByteArray(1024, 'x'));
    Write(QStringLiteral("root/files/a.TXT"), "t");
    Write(QStringLiteral("root/files/b.doc"), "d");
    Write(QStringLiteral("root/files/sub/inner.txt"), "i");
    Write(QStringLiteral("root/one/two/three/deep.txt"), "d");
    window = std::make_unique<TShellViewWindow>(root + QStringLiteral("/files"));
    window->Open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    files = window->FileView1;
  }
  void TearDown() override {
    window.reset();
    shell::SetComputerRoots({});
    ZotTest::TearDown();
  }
  QTreeWidgetItem* Item(const QString& caption) {
    for (int i = 0; i < files->topLevelItemCount(); ++i)
      if (files->topLevelItem(i)->text(0) == caption) return files->topLevelItem(i);
    return nullptr;
  }
  QStringList Captions() {
    QStringList out;
    for (int i = 0; i < files->topLevelItemCount(); ++i) out << files->topLevelItem(i)->text(0);
    return out;
  }
  QPoint At(QTreeWidgetItem* item) {
    files->scrollToItem(item);
    return files->visualItemRect(item).center();
  }
  void Click(const QString& caption, Qt::KeyboardModifiers mods = {}) {
    QTreeWidgetItem* item = Item(caption);
    ASSERT_TRUE(item) << caption.toStdString();
    QTest::mouseClick(files->viewport(), Qt::LeftButton, mods, At(item));
  }
  // A right button release on the item shows the menu; act runs while it is open.
  void RightClick(const QString& caption, std::function<void(QMenu*)> act) {
    QTreeWidgetItem* item = Item(caption);
    ASSERT_TRUE(item);
    WhenMenuOpens(std::move(act));
    QTest::mouseClick(files->viewport(), Qt::RightButton, {}, At(item));
  }
  void ClickHeader(int column) {
    QHeaderView* h = files->header();
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                      QPoint(h->sectionViewportPosition(column) + h->sectionSize(column) / 2, h->height() / 2));
  }
  QString root;
  std::unique_ptr<TShellViewWindow> window;
  TFileView* files = nullptr;
};

TEST_F(FileViewTest, ColumnsSizesAndTimesAsTheListShowsThem) {
  QTreeWidgetItem* header = files->headerItem();
  EXPECT_EQ(header->text(0), QStringLiteral("名前"));
  EXPECT_EQ(header->text(1), QStringLiteral("ｻｲｽﾞ"));
  EXPECT_EQ(header->text(2), QStringLiteral("ﾌｧｲﾙの種類"));
  EXPECT_EQ(header->text(3), QStringLiteral("更新日時"));
  EXPECT_EQ(files->columnWidth(0), 120);
  EXPECT_EQ(files->columnWidth(1), 60);
  ASSERT_TRUE(Item(QStringLiteral("zero.bin")));
  EXPECT_EQ(Item(QStringLiteral("zero.bin"))->text(1), QStringLiteral("       1KB"));
  EXPECT_EQ(Item(QStringLiteral("k1023.bin"))->text(1), QStringLiteral("       1KB"));
  EXPECT_EQ(Item(QStringLiteral("k1024.bin"))->text(1), QStringLiteral("       2KB"));
  EXPECT_EQ(TFileView::SizeText(5LL << 30), QStringLiteral(" 5242881KB"));  // past 4 GB, no wrap
  EXPECT_TRUE(Item(QStringLiteral("k1024.bin"))->textAlignment(1) & Qt::AlignRight);
  EXPECT_TRUE(Item(QStringLiteral("sub"))->text(1).isEmpty());  // a folder has no size
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d$"))
                  .match(Item(QStringLiteral("a.TXT"))->text(3))
                  .hasMatch());
  // Folders first, then names as a person sorts them.
  EXPECT_EQ(Captions().front(), QStringLiteral("sub"));
}

TEST_F(FileViewTest, AMaskShowsItsExtensionsInAnyCaseAndAlwaysTheFolders) {
  files->SetMask({QStringLiteral(".txt")});
  files->ShowFolder(files->Folder());
  EXPECT_EQ(Captions(), (QStringList{QStringLiteral("sub"), QStringLiteral("a.TXT")}));
}

TEST_F(FileViewTest, ClickingTheSizeColumnSortsDescendingThenAscending) {
  ClickHeader(1);
  QStringList sized;
  for (const QString& c : Captions())
    if (!Item(c)->text(1).isEmpty()) sized << Item(c)->text(1);
  QStringList descending = sized;
  std::sort(descending.begin(), descending.end(), std::greater<QString>());
  EXPECT_EQ(sized, descending);
  EXPECT_EQ(Item(Captions().front())->text(1), QStringLiteral("       2KB"));
  ClickHeader(1);
  EXPECT_TRUE(Item(Captions().front())->text(1).isEmpty());  // the folder's empty size first
  EXPECT_EQ(Item(Captions().back())->text(1), QStringLiteral("       2KB"));
}

TEST_F(FileViewTest, DoubleClickOnAFolderSelectsItInTheTreeAndOnAFileOpensIt) {
  QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, At(Item(QStringLiteral("sub"))));
  EXPECT_EQ(window->FolderView1->GetSelectedPath(), root + QStringLiteral("/files/sub"));
  EXPECT_EQ(Captions(), QStringList{QStringLiteral("inner.txt")});
  FakeOnPath(QStringLiteral("xdg-open"));
  QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, At(Item(QStringLiteral("inner.txt"))));
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].args, QStringList{root + QStringLiteral("/files/sub/inner.txt")});
  files->SetFileExecute(false);
  QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, At(Item(QStringLiteral("inner.txt"))));
  EXPECT_EQ(starts.size(), 1u);
}

TEST_F(FileViewTest, TheComboShowsEachLevelOfThePathAndSelectsInTheTree) {
  TComboView* combo = window->ComboView1;
  window->FolderView1->SelectPath(root + QStringLiteral("/one/two/three"));
  const auto lines = combo->Lines();
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(lines[0], std::make_pair(0, QStringLiteral("デスクトップ")));
  EXPECT_EQ(lines[1], std::make_pair(1, QStringLiteral("コンピュータ")));
  const int at = combo->currentIndex();
  EXPECT_EQ(combo->itemText(at), QStringLiteral("three"));
  EXPECT_EQ(lines[at].first, 5);
  EXPECT_EQ(lines[at - 1], std::make_pair(4, QStringLiteral("two")));
  EXPECT_EQ(lines[at - 2], std::make_pair(3, QStringLiteral("one")));
  EXPECT_EQ(lines[at - 3].first, 2);  // the computer's folder that holds them
  // Choosing a line with the mouse selects it in the tree, and the list follows.
  combo->showPopup();
  QAbstractItemView* popup = combo->view();
  ASSERT_TRUE(WaitUntil([popup] { return popup->isVisible(); }));
  const QRect r = popup->visualRect(popup->model()->index(at - 2, 0));
  QTest::mouseClick(popup->viewport(), Qt::LeftButton, {}, r.center());
  EXPECT_EQ(window->FolderView1->GetSelectedPath(), root + QStringLiteral("/one"));
  EXPECT_EQ(Captions(), QStringList{QStringLiteral("two")});
  // The path lines follow the new selection; the desktop is line 0 and no path.
  const size_t baseLines = lines.size() - 4;  // without one, two, three and the root below the computer
  window->FolderView1->SelectIDList(EmptyList());
  EXPECT_EQ(combo->currentIndex(), 0);
  EXPECT_LE(combo->Lines().size(), baseLines + 1);
}

TEST_F(FileViewTest, OneQuestionThenThreeSelectedFilesGoToTheTrash) {
  Click(QStringLiteral("zero.bin"));
  Click(QStringLiteral("k1023.bin"), Qt::ControlModifier);
  Click(QStringLiteral("b.doc"), Qt::ControlModifier);
  RightClick(QStringLiteral("b.doc"), [](QMenu* m) { QTest::keyClick(m, Qt::Key_D); });
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, QStringLiteral("これらの 3 個の項目をごみ箱に移動しますか?"));
  const QString trash = Home() + QStringLiteral("/.local/share/Trash/files/");
  for (const char* name : {"zero.bin", "k1023.bin", "b.doc"}) {
    EXPECT_FALSE(QFileInfo::exists(root + QStringLiteral("/files/") + QLatin1String(name))) << name;
    EXPECT_TRUE(QFileInfo::exists(trash + QLatin1String(name))) << name;
  }
  EXPECT_TRUE(QFileInfo::exists(root + QStringLiteral("/files/k1024.bin")));
}

TEST_F(FileViewTest, ASendToEntryThatLinksAFolderReceivesCopies) {
  const QString sendTo = Home() + QStringLiteral("/.config/zot/SendTo");
  QDir().mkpath(sendTo);
  ASSERT_EQ(::symlink(QFile::encodeName(root + QStringLiteral("/one")).constData(),
                      QFile::encodeName(sendTo + QStringLiteral("/一番")).constData()), 0);
  Click(QStringLiteral("a.TXT"));
  Click(QStringLiteral("b.doc"), Qt::ShiftModifier);
  const int selected = static_cast<int>(files->selectedItems().size());
  QStringList offered;
  RightClick(QStringLiteral("b.doc"), [&](QMenu* m) {
    WhenMenuOpens(
        [&](QMenu* sub) {
          for (QAction* a : sub->actions()) offered << a->text() + QLatin1Char('=') + a->data().toString();
          QTest::mouseClick(sub, Qt::LeftButton, {}, sub->actionGeometry(sub->actions().front()).center());
        },
        m);
    QTest::keyClick(m, Qt::Key_N);
  });
  EXPECT_EQ(offered, QStringList{QStringLiteral("一番=1525")});
  EXPECT_GE(selected, 2);
  EXPECT_EQ(ReadAll(root + QStringLiteral("/one/a.TXT")), QStringLiteral("t"));
  EXPECT_EQ(ReadAll(root + QStringLiteral("/one/b.doc")), QStringLiteral("d"));
  EXPECT_TRUE(QFileInfo::exists(root + QStringLiteral("/files/b.doc")));  // copies, not moves
}

TEST_F(FileViewTest, RenameInTheListAndAFolderRenamedThereRenamesInTheTree) {
  Click(QStringLiteral("k1024.bin"));
  QTest::keyClick(files, Qt::Key_F2);
  auto* editor = OpenEditor(files);
  ASSERT_TRUE(editor);
  editor->selectAll();
  QTest::keyClicks(editor, QStringLiteral("renamed.bin"));
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_TRUE(WaitUntil([&] { return QFileInfo::exists(root + QStringLiteral("/files/renamed.bin")); }, 2000));
  EXPECT_TRUE(Item(QStringLiteral("renamed.bin")));

  // A taken name: refused, the caption comes back.
  Click(QStringLiteral("b.doc"));
  QTest::keyClick(files, Qt::Key_F2);
  editor = OpenEditor(files);
  ASSERT_TRUE(editor);
  editor->selectAll();
  QTest::keyClicks(editor, QStringLiteral("a.TXT"));
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_TRUE(WaitUntil([&] { return !messages.empty(); }, 2000));
  EXPECT_TRUE(Item(QStringLiteral("b.doc")));

  // The menu's rename edits in place too; a folder's new name reaches the tree.
  Click(QStringLiteral("sub"));
  RightClick(QStringLiteral("sub"), [](QMenu* m) { QTest::keyClick(m, Qt::Key_M); });
  editor = OpenEditor(files);
  ASSERT_TRUE(editor);
  editor->selectAll();
  QTest::keyClicks(editor, QStringLiteral("moved"));
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_TRUE(WaitUntil([&] { return QFileInfo::exists(root + QStringLiteral("/files/moved")); }, 2000));
  QTreeWidgetItem* folderNode = window->FolderView1->currentItem();
  ASSERT_TRUE(folderNode);
  bool inTree = false;
  for (int i = 0; i < folderNode->childCount(); ++i) inTree |= folderNode->child(i)->text(0) == QStringLiteral("moved");
  EXPECT_TRUE(inTree);
}

TEST_F(FileViewTest, CallsOutsideOneTo1024ItemsDoNothing) {
  auto folder = ShellFolder::Desktop()->BindToObject(ShellFolder::Desktop()->ParseDisplayName(root + QStringLiteral("/files")));
  ASSERT_TRUE(folder);
  std::vector<IdList> many;
  for (int i = 0; i < 1025; ++i) many.push_back(MakeItem(kFile, "zero.bin"));
  EXPECT_FALSE(window->DropSourceEx1->StartDrag(files, folder, 0, JoinItems({})));
  EXPECT_FALSE(window->DropSourceEx1->StartDrag(files, folder, 1025, JoinItems(many)));
  EXPECT_FALSE(window->DropSourceEx1->StartDrag(files, folder, 2, JoinItems({many[0]})));  // fewer than said
  EXPECT_FALSE(window->DropSourceEx1->StartDrag(nullptr, folder, 1, JoinItems({many[0]})));
  EXPECT_FALSE(window->ContextMenuEx1->ShowMenu(files, folder, QPoint(), 0, JoinItems({})));
  EXPECT_FALSE(window->ContextMenuEx1->ShowMenu(files, folder, QPoint(), 1025, JoinItems(many)));
  EXPECT_EQ(TContextMenuEx::OpenMenu(), nullptr);
  const QStringList names{QStringLiteral("a")};
  window->ContextMenuEx1->SetCMFileName(&names);
  window->ContextMenuEx1->SetCMFileName(nullptr);  // ignored
  EXPECT_EQ(window->ContextMenuEx1->CMFileName(), names);
}

TEST_F(FileViewTest, LinkedComponentsThatGoAwayAreUnlinked) {
  TFolderView* folders = window->FolderView1;
  EXPECT_EQ(folders->FileView(), files);
  EXPECT_EQ(files->FolderView(), folders);
  delete window->ContextMenuEx1;
  EXPECT_EQ(folders->ContextMenu(), nullptr);
  EXPECT_EQ(files->ContextMenu(), nullptr);
  delete window->DropSourceEx1;
  EXPECT_EQ(folders->DropSource(), nullptr);
  EXPECT_EQ(files->DropSource(), nullptr);
  // A right click with nothing linked is only a click.
  QTest::mouseClick(files->viewport(), Qt::RightButton, {}, At(Item(QStringLiteral("b.doc"))));
  delete window->ComboView1;
  EXPECT_EQ(folders->ComboView(), nullptr);
  delete files;
  EXPECT_EQ(folders->FileView(), nullptr);
  folders->SelectPath(root + QStringLiteral("/one"));  // tells nobody, breaks nothing
  EXPECT_EQ(folders->GetSelectedPath(), root + QStringLiteral("/one"));
}

}  // namespace
