// The main window as a user meets it: mouse clicks on the view on show, in
// each of the four view modes, and what a screen reader finds.
#include "app/IniFile.h"
#include "app/main.h"
#include "app/memo.h"
#include "components/FTVEX/FTVEX.h"
#include "platform/folders.h"
#include "window_support.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTest>
#include <QTextEdit>
#include <QToolBar>

#include <memory>

namespace {

const QString kData = QStringLiteral(ZOT_TEST_DATA);

class ViewModeTest : public WindowTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    ZotTest::SetUp();
    folder = Home() + QStringLiteral("/files");
    Write(QStringLiteral("files/tool.exe"), "#!/bin/sh\nexit 0\n#" + QByteArray(300, '-') + "\n");
    QFile::copy(kData + QStringLiteral("/level2.lzh"), folder + QStringLiteral("/tool.beta.lzh"));
    StartWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    ClickMode(GetParam());
  }
  // Presses the toolbar button of a view mode (1 large icons ... 4 details).
  void ClickMode(int mode) {
    QAction* const buttons[] = {form->ToolButton6, form->ToolButton7, form->ToolButton8, form->ToolButton9};
    QTest::mouseClick(form->ToolBar1->widgetForAction(buttons[mode - 1]), Qt::LeftButton);
    ASSERT_EQ(Settings.ViewMode, mode);
  }
  void OpenArchive() { ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder + QStringLiteral("/tool.beta.lzh"))); }
  TForm2* Viewer() { return qobject_cast<TForm2*>(ViewerForm.data()); }
  // The tree node of a folder made after the window started, opened.
  QTreeWidgetItem* OpenTreeFolder(const QString& path) {
    form->FolderTreeViewEx1->RefreshTree();
    if (!form->FolderTreeViewEx1->SelectPath(path)) return nullptr;
    QTreeWidgetItem* node = form->FolderTreeViewEx1->currentItem();
    node->setExpanded(true);
    return node;
  }
  static QStringList ChildNames(QTreeWidgetItem* node) {
    QStringList names;
    for (int i = 0; i < node->childCount(); ++i) names << node->child(i)->text(0);
    return names;
  }
  // A mouse click on a tree node, scrolled into view first.
  void ClickTreeItem(QTreeWidgetItem* item) {
    TFolderTreeViewEx* tree = form->FolderTreeViewEx1;
    tree->scrollToItem(item);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
  }
  QString folder;
};

QByteArray ReadBytesOf(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::string ModeName(const ::testing::TestParamInfo<int>& info) {
  static const char* const kNames[] = {"LargeIcons", "SmallIcons", "List", "Details"};
  return kNames[info.param - 1];
}

TEST_P(ViewModeTest, AProgramMemberEnablesTheRunButton) {
  OpenArchive();
  ASSERT_TRUE(ClickEntry(*form, QStringLiteral("bin/setup.exe")));
  EXPECT_EQ(form->ExecMember, QStringLiteral("bin/setup.exe"));
  EXPECT_TRUE(form->BitBtn2->isEnabled());
  QTest::mouseClick(form->BitBtn2, Qt::LeftButton);
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].program, TempRoot + QStringLiteral("tool/bin/setup.exe"));
  // Another kind of member disables it again.
  ASSERT_TRUE(ClickEntry(*form, QStringLiteral("nums.txt")));
  EXPECT_FALSE(form->BitBtn2->isEnabled());
}

TEST_P(ViewModeTest, ATextMemberOpensTheViewerWhileAutomaticViewingIsOn) {
  OpenArchive();
  ASSERT_TRUE(form->ToolButton2->isChecked());
  ASSERT_TRUE(ClickEntry(*form, QStringLiteral("readme.txt")));
  ASSERT_TRUE(Viewer());
  EXPECT_TRUE(Viewer()->isVisible());
  EXPECT_EQ(Viewer()->RichEdit1->toPlainText(), QStringLiteral("hello\n"));
}

TEST_P(ViewModeTest, ADoubleClickOnAnArchiveInAFolderListsIt) {
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder));
  ASSERT_TRUE(ClickEntry(*form, QStringLiteral("tool.beta.lzh"), true));
  EXPECT_EQ(form->ArchivePath, folder + QStringLiteral("/tool.beta.lzh"));
  EXPECT_TRUE(ListCaptions(*form).contains(QStringLiteral("bin/setup.exe")));
  EXPECT_TRUE(starts.empty());
  // And a plain program starts in its folder.
  form->FolderTreeViewEx1Click(folder);
  ASSERT_TRUE(ClickEntry(*form, QStringLiteral("tool.exe"), true));
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].program, folder + QStringLiteral("/tool.exe"));
}

TEST_P(ViewModeTest, ThePopupsRunActsOnTheClickedMember) {
  FakeOnPath(QStringLiteral("xdg-open"));
  form->ToolButton2->setChecked(false);
  OpenArchive();
  QAbstractItemView* view = form->ListView1->CurrentView();
  const int row = static_cast<int>(ListCaptions(*form).indexOf(QStringLiteral("nums.txt")));
  const QModelIndex index = form->ListView1->Items()->index(row, 0);
  view->scrollTo(index);
  const QPoint at = view->visualRect(index).center();
  QTest::mouseClick(view->viewport(), Qt::RightButton, {}, at);
  // What the window system makes of a right click, after the press.
  QContextMenuEvent request(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
  QApplication::sendEvent(view->viewport(), &request);
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  ASSERT_TRUE(menu);
  EXPECT_EQ(menu, form->PopupMenu1);
  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(form->N2).center());
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].args, QStringList{TempRoot + QStringLiteral("nums.txt")});
}

TEST_P(ViewModeTest, TheSelectionSurvivesAModeChange) {
  OpenArchive();
  ASSERT_TRUE(ClickEntry(*form, QStringLiteral("bin/setup.exe")));
  ClickMode(GetParam() % 4 + 1);
  const QModelIndex current = form->ListView1->CurrentView()->currentIndex();
  ASSERT_TRUE(current.isValid());
  EXPECT_EQ(current.data().toString(), QStringLiteral("bin/setup.exe"));
  EXPECT_EQ(form->ListView1->SelectedRow(), current.row());
  EXPECT_TRUE(form->BitBtn2->isEnabled());
}

// Every accessible object below root that a screen reader would read out
// with this name (shown, not invisible).
int Exposed(QAccessibleInterface* root, const QString& name) {
  if (!root) return 0;
  int n = root->text(QAccessible::Name) == name && !root->state().invisible ? 1 : 0;
  for (int i = 0; i < root->childCount(); ++i) n += Exposed(root->child(i), name);
  return n;
}

TEST_P(ViewModeTest, AScreenReaderFindsEachEntryOnceAndTheViewerAsAWindow) {
  OpenArchive();
  QTest::qWait(50);  // the views lay their items out when the event loop runs
  QAccessibleInterface* window = QAccessible::queryAccessibleInterface(form.get());
  for (const QString& caption : ListCaptions(*form)) EXPECT_EQ(Exposed(window, caption), 1) << caption.toStdString();
  ASSERT_TRUE(ClickEntry(*form, QStringLiteral("readme.txt")));
  ASSERT_TRUE(Viewer());
  QAccessibleInterface* viewer = QAccessible::queryAccessibleInterface(Viewer());
  EXPECT_EQ(viewer->role(), QAccessible::Window);
  EXPECT_EQ(viewer->text(QAccessible::Name), Viewer()->windowTitle());
  EXPECT_TRUE(viewer->text(QAccessible::Name).startsWith(QStringLiteral("テキスト　ビューア 【")));
}

TEST_P(ViewModeTest, AShortProgramInAFolderIsSaidAndNeitherListedNorStarted) {
  Write(QStringLiteral("files/short.exe"), "MZ");
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder));
  ASSERT_TRUE(ClickEntry(*form, QStringLiteral("short.exe"), true));
  ASSERT_FALSE(messages.empty());
  EXPECT_TRUE(messages[0].text.contains(QStringLiteral("を読み込めません")));
  EXPECT_TRUE(form->FolderProgram.isEmpty());
  EXPECT_TRUE(form->FolderArchive.isEmpty());
  EXPECT_TRUE(starts.empty());
}

// A folder holding one archive of every kind: the tree shows each of them
// (and no other file), in the order the folder listing shows them, and a
// click on each lists its members.
TEST_P(ViewModeTest, EveryKindOfArchiveShowsInTheTreeAndListsItsMembers) {
  const QString kinds = Home() + QStringLiteral("/kinds");
  const QString src = Home() + QStringLiteral("/src");
  Write(QStringLiteral("src/app/run.sh"), "#!/bin/sh\necho run\n");
  Write(QStringLiteral("kinds/notes.gz"), "not an archive");
  Write(QStringLiteral("kinds/half.tar.gz.part"), "not yet");
  ASSERT_TRUE(RunTool(src, QStringLiteral("/usr/bin/7zz"), {QStringLiteral("a"), QStringLiteral("-bd"), kinds + QStringLiteral("/a.7z"), QStringLiteral("app")}));
  ASSERT_TRUE(RunTool(src, QStringLiteral("/usr/bin/tar"), {QStringLiteral("-cJf"), kinds + QStringLiteral("/b.tar.xz"), QStringLiteral("app")}));
  ASSERT_TRUE(RunTool(src, QStringLiteral("/usr/bin/bsdtar"), {QStringLiteral("-czf"), kinds + QStringLiteral("/c.tgz"), QStringLiteral("app")}));
  ASSERT_TRUE(RunTool(src, QStringLiteral("/usr/bin/tar"), {QStringLiteral("--zstd"), QStringLiteral("-cf"), kinds + QStringLiteral("/d.tar.zst"), QStringLiteral("app")}));
  ASSERT_TRUE(RunTool(src, QStringLiteral("/usr/bin/bsdtar"), {QStringLiteral("-cjf"), kinds + QStringLiteral("/e.tar.bz2"), QStringLiteral("app")}));
  ASSERT_TRUE(RunTool(src, QStringLiteral("/usr/bin/bsdtar"), {QStringLiteral("-cf"), kinds + QStringLiteral("/f.tar"), QStringLiteral("app")}));
  const std::pair<const char*, const char*> copies[] = {{"others/rar_subblock.rar", "g.rar"}, {"level2.lzh", "h.lha"},
                                                        {"info.zip", "i.zip"}, {"basic.cab", "j.cab"}};
  for (const auto& [from, to] : copies)
    ASSERT_TRUE(QFile::copy(kData + QLatin1Char('/') + QLatin1String(from), kinds + QLatin1Char('/') + QLatin1String(to)));
  const std::pair<QString, QString> expected[] = {
      {QStringLiteral("a.7z"), QStringLiteral("app/run.sh")},      {QStringLiteral("b.tar.xz"), QStringLiteral("app/run.sh")},
      {QStringLiteral("c.tgz"), QStringLiteral("app/run.sh")},     {QStringLiteral("d.tar.zst"), QStringLiteral("app/run.sh")},
      {QStringLiteral("e.tar.bz2"), QStringLiteral("app/run.sh")}, {QStringLiteral("f.tar"), QStringLiteral("app/run.sh")},
      {QStringLiteral("g.rar"), QStringLiteral("test.txt")},       {QStringLiteral("h.lha"), QStringLiteral("readme.txt")},
      {QStringLiteral("i.zip"), QStringLiteral("readme.txt")},     {QStringLiteral("j.cab"), QStringLiteral("doc/a.txt")}};
  QStringList names;
  for (const auto& [name, member] : expected) names << name;

  QTreeWidgetItem* node = OpenTreeFolder(kinds);
  ASSERT_TRUE(node);
  ASSERT_TRUE(WaitUntil([&] { return ChildNames(node) == names; })) << ChildNames(node).join(QLatin1Char(' ')).toStdString();
  // The folder's own listing shows the same archives, in the same order.
  ASSERT_TRUE(WaitUntil([&] { return ListCaptions(*form) == names; }))
      << ListCaptions(*form).join(QLatin1Char(' ')).toStdString();

  for (int i = 0; i < node->childCount(); ++i) {
    ClickTreeItem(node->child(i));
    const QString member = expected[i].second;
    EXPECT_TRUE(WaitUntil([&] { return ListCaptions(*form).contains(member); }))
        << expected[i].first.toStdString() << ": " << ListCaptions(*form).join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(form->ArchivePath, kinds + QLatin1Char('/') + expected[i].first);
  }
}

// A tar.xz with a program built for this system, a "#!" script, a text file
// and a binary that carry execute bits, and a Windows program: the Windows
// program first, then the two programs for this system; the text and the
// binary are no programs. "ピポラ！" starts a program from its folder in
// TempRoot with its execute bit.
TEST_P(ViewModeTest, ProgramsForThisSystemAreListedAfterWindowsProgramsAndRun) {
  const QString src = Home() + QStringLiteral("/src");
  Write(QStringLiteral("src/app/bin/tool"), ReadBytesOf(QStringLiteral(MARKER_PROGRAM)));
  Write(QStringLiteral("src/app/start"), "#!/bin/sh\necho started\n");
  Write(QStringLiteral("src/app/notes.txt"), "plain text with an execute bit\n");
  Write(QStringLiteral("src/app/data.bin"), QByteArray("\x01\x02\x03\x04 not a program", 20));
  Write(QStringLiteral("src/app/setup.exe"), "MZ windows");
  for (const char* name : {"app/bin/tool", "app/start", "app/notes.txt", "app/data.bin"})
    QFile::setPermissions(src + QLatin1Char('/') + QLatin1String(name),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup);
  ASSERT_TRUE(RunTool(src, QStringLiteral("/usr/bin/tar"), {QStringLiteral("-cJf"), folder + QStringLiteral("/linux.tar.xz"), QStringLiteral("app")}));
  form->FolderTreeViewEx1->RefreshTree();
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder + QStringLiteral("/linux.tar.xz")));
  const QStringList listed = ListCaptions(*form);
  ASSERT_GE(listed.size(), 5);
  // In the archive's order within each group.
  QStringList native = listed.mid(1, 2);
  native.sort();
  EXPECT_EQ(listed.first(), QStringLiteral("app/setup.exe")) << listed.join(QLatin1Char(' ')).toStdString();
  EXPECT_EQ(native, (QStringList{QStringLiteral("app/bin/tool"), QStringLiteral("app/start")}))
      << listed.join(QLatin1Char(' ')).toStdString();
  for (const char* plain : {"app/notes.txt", "app/data.bin"}) {
    ASSERT_TRUE(ClickEntry(*form, QLatin1String(plain)));
    EXPECT_TRUE(form->ExecMember.isEmpty()) << plain;
    EXPECT_FALSE(form->BitBtn2->isEnabled()) << plain;
  }
  for (const char* program : {"app/bin/tool", "app/start"}) {
    starts.clear();
    ASSERT_TRUE(ClickEntry(*form, QLatin1String(program)));
    EXPECT_EQ(form->ExecMember, QLatin1String(program));
    ASSERT_TRUE(form->BitBtn2->isEnabled()) << program;
    QTest::mouseClick(form->BitBtn2, Qt::LeftButton);
    ASSERT_EQ(starts.size(), 1u) << program;
    const QString path = TempRoot + QStringLiteral("linux/") + QLatin1String(program);
    EXPECT_EQ(starts[0].program, path);
    EXPECT_TRUE(QFileInfo(path).permissions() & QFile::ExeOwner) << program;
  }
}

// Split archives show as their first part only, in the tree and in the
// folder listing; a click on it lists the members of the whole set.
TEST_P(ViewModeTest, ASplitArchiveShowsAsItsFirstPart) {
  const QString sets = Home() + QStringLiteral("/sets");
  QDir().mkpath(sets);
  for (const char* part : {"rar_multivolume_single_file.part1.rar", "rar_multivolume_single_file.part2.rar",
                           "rar_multivolume_single_file.part3.rar", "split-1.cab", "split-2.cab", "split-3.cab",
                           "split-4.cab", "split-5.cab"})
    ASSERT_TRUE(QFile::copy(kData + QStringLiteral("/others/") + QLatin1String(part), sets + QLatin1Char('/') + QLatin1String(part)));
  const QStringList firsts{QStringLiteral("rar_multivolume_single_file.part1.rar"), QStringLiteral("split-1.cab")};
  QTreeWidgetItem* node = OpenTreeFolder(sets);
  ASSERT_TRUE(node);
  ASSERT_TRUE(WaitUntil([&] { return ChildNames(node) == firsts; })) << ChildNames(node).join(QLatin1Char(' ')).toStdString();
  ASSERT_TRUE(WaitUntil([&] { return ListCaptions(*form) == firsts; })) << ListCaptions(*form).join(QLatin1Char(' ')).toStdString();
  const QString members[] = {QStringLiteral("LibarchiveAddingTest.html"), QStringLiteral("medium3.bin")};
  for (int i = 0; i < 2; ++i) {
    ClickTreeItem(node->child(i));
    EXPECT_TRUE(WaitUntil([&] { return ListCaptions(*form).contains(members[i]); }))
        << ListCaptions(*form).join(QLatin1Char(' ')).toStdString();
  }
  EXPECT_EQ(ListCaptions(*form).size(), 6);  // the cabinet set's six members
}

INSTANTIATE_TEST_SUITE_P(AllModes, ViewModeTest, ::testing::Values(1, 2, 3, 4), ModeName);

}  // namespace
