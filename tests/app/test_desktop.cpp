// The windows as a person sees them on a desktop: run under Xvfb with a
// window manager (tests/with_openbox.sh), in any locale. Geometry is checked
// on the real, framed windows; input goes where the focus really is.
#include "app/IniFile.h"
#include "app/kankyo.h"
#include "app/main.h"
#include "app/memo.h"
#include "app/tenkai.h"
#include "components/FTVEX/FTVEX.h"
#include "components/ShView/ShView.h"
#include "craft.h"
#include "shell/shellfolder.h"
#include "window_support.h"
#include "ui/desktop.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QStyle>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>
#include <QWindow>

#include <cstdlib>

namespace {

const QString kLongName = QStringLiteral("a_forty_character_long_member_name_x.txt");  // no break point

class DesktopTest : public WindowTest {
 protected:
  void SetUp() override {
    ZotTest::SetUp();
    // The desktop's own data: file types and icons as a session has them.
    qputenv("XDG_DATA_DIRS", "/usr/local/share:/usr/share");
    ui::UseJapaneseDesktop(*qApp);  // as the programs start
    archive = Write(QStringLiteral("files/game.zip"),
                    craft::Zip({{"a.txt", "short\n"}, {kLongName.toUtf8(), "long\n"}, {"setup.exe", "MZ"}}));
  }
  void Start(const QByteArray& extra = QByteArray()) {
    StartWindow("[Option]\nErrorDialog=1\nSandbox=0\n" + extra);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QTest::qWait(200);  // framed by the window manager
  }
  void OpenArchive() {
    ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(archive));
    ASSERT_EQ(form->ListView1->Items()->rowCount(), 3);
  }
  QModelIndex Row(const QString& caption) const {
    const auto found = form->ListView1->Items()->findItems(caption);
    return found.isEmpty() ? QModelIndex() : found.first()->index();
  }
  // Waits until the list has laid out every entry (it does so in batches).
  void Settle() {
    for (int i = 0; i < 20; ++i) QTest::qWait(20);
  }
  QString archive;
};

// Small icons and the list give each entry the width of its own name.
TEST_F(DesktopTest, EveryNameFitsItsEntryInSmallIconsAndList) {
  Start();
  OpenArchive();
  for (QAction* mode : {form->ToolButton7, form->ToolButton8}) {
    QTest::mouseClick(form->ToolBar1->widgetForAction(mode), Qt::LeftButton);
    Settle();
    QListView* view = form->ListView1->IconView();
    ASSERT_TRUE(view->isVisible());
    const QRect shortRect = view->visualRect(Row(QStringLiteral("a.txt")));
    const QRect longRect = view->visualRect(Row(kLongName));
    const int needed = view->fontMetrics().horizontalAdvance(kLongName) + view->iconSize().width();
    // Small icons run in rows, each entry as wide as its name; the list runs
    // in columns as wide as their widest name.
    if (Settings.ViewMode == 2) {
      EXPECT_LT(shortRect.width() + 100, longRect.width());
    }
    EXPECT_GE(longRect.width(), needed) << Settings.ViewMode;
  }
}

// Large icons wrap a long name without spaces instead of cutting it to one line.
TEST_F(DesktopTest, ALongNameWrapsUnderALargeIcon) {
  Start();
  OpenArchive();
  QTest::mouseClick(form->ToolBar1->widgetForAction(form->ToolButton6), Qt::LeftButton);
  Settle();
  QListView* view = form->ListView1->IconView();
  QStyleOptionViewItem option;
  option.initFrom(view);
  option.rect = QRect(QPoint(), view->gridSize());
  option.features = QStyleOptionViewItem::WrapText;
  option.decorationSize = view->iconSize();
  option.decorationPosition = QStyleOptionViewItem::Top;
  const QSize one = view->itemDelegate()->sizeHint(option, Row(QStringLiteral("a.txt")));
  const QSize two = view->itemDelegate()->sizeHint(option, Row(kLongName));
  EXPECT_GT(two.height(), one.height() + view->fontMetrics().lineSpacing() / 2);
}

// The remembered archive deep in the home is scrolled into view at start.
TEST_F(DesktopTest, TheRememberedArchiveIsInViewAfterARestart) {
  for (int i = 0; i < 60; ++i) Write(QStringLiteral("files/folder%1/x").arg(i, 2, 10, QLatin1Char('0')), "x");
  Start();
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(archive));
  form->close();
  form.reset();
  form = std::make_unique<TForm1>();
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
  QTest::qWait(300);
  QTreeWidgetItem* node = form->FolderTreeViewEx1->currentItem();
  ASSERT_TRUE(node);
  EXPECT_EQ(node->text(0), QStringLiteral("game.zip"));
  EXPECT_TRUE(node->isSelected());
  const QRect at = form->FolderTreeViewEx1->visualItemRect(node);
  EXPECT_GE(at.top(), 0);
  EXPECT_EQ(form->FolderTreeViewEx1->horizontalScrollBar()->value(), 0);  // names read from their start
  EXPECT_LE(at.bottom(), form->FolderTreeViewEx1->viewport()->height()) << at.y();
}

TEST_F(DesktopTest, TheViewerKeepsItsCloseButtonCentredAndItsSize) {
  Start();
  OpenArchive();
  QSize first;
  for (int round = 0; round < 5; ++round) {
    ASSERT_TRUE(ClickEntry(*form, QStringLiteral("setup.exe")));  // a new pick each round
    ASSERT_TRUE(ClickEntry(*form, QStringLiteral("a.txt")));
    auto* viewer = qobject_cast<TForm2*>(ViewerForm.data());
    ASSERT_TRUE(viewer);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer));
    QTest::qWait(150);
    const QRect button = viewer->BitBtn1->geometry();
    const int panel = viewer->BitBtn1->parentWidget()->width();
    EXPECT_NEAR(button.center().x(), panel / 2, 2) << "round " << round;
    const QSize outer = viewer->frameGeometry().size();
    if (round == 0) first = outer;
    EXPECT_EQ(outer, first) << "round " << round;
    QTest::mouseClick(viewer->BitBtn1, Qt::LeftButton);
    QTest::qWait(100);
    ASSERT_FALSE(ViewerForm);
    EXPECT_EQ(QSize(Settings.MemoWidth, Settings.MemoHeight), first);
  }
}

// The extract dialog: a tree with rows to pick from, the same size each time.
TEST_F(DesktopTest, TheExtractDialogShowsSixTreeRowsAndKeepsItsSize) {
  Write(QStringLiteral("a-folder-name-long-enough-to-need-a-sideways-scroll-bar-in-the-tree/x"), "x");
  Start();
  OpenArchive();
  int heights[5] = {};
  for (int round = 0; round < 5; ++round) {
    onModal = [&](QDialog& d) {
      (void)QTest::qWaitForWindowExposed(&d);
      QTest::qWait(150);
      auto& dialog = static_cast<Tdevelop&>(d);
      heights[round] = dialog.frameGeometry().height();
      // Rows as drawn, below the sideways scroll bar the long names bring.
      const int row = dialog.FolderView1->visualItemRect(dialog.FolderView1->topLevelItem(0)).height();
      EXPECT_GT(row, 0);
      EXPECT_GE(dialog.FolderView1->viewport()->height(), 6 * row) << "round " << round;
      QTest::mouseClick(dialog.BitBtn2, Qt::LeftButton);
      return QDialog::Rejected;
    };
    QTest::mouseClick(form->BitBtn3, Qt::LeftButton);
    EXPECT_EQ(Settings.DeveHeight, heights[round]) << "round " << round;
    EXPECT_EQ(heights[round], heights[0]) << "round " << round;
  }
}

// Enter in the destination box, where a click put the focus, asks before
// making a folder and extracts nothing.
TEST_F(DesktopTest, EnterInTheDestinationBoxAsksAboutANewFolder) {
  Start();
  OpenArchive();
  const QString fresh = Home() + QStringLiteral("/made/here");
  for (int answerNo : {1, 0}) {
    answer = answerNo ? QMessageBox::No : QMessageBox::Yes;
    messages.clear();
    bool closed = false;
    onModal = [&](QDialog& d) {
      (void)QTest::qWaitForWindowExposed(&d);
      auto& dialog = static_cast<Tdevelop&>(d);
      dialog.RadioButtons[0]->click();
      QLineEdit* box = dialog.ComboBox1->lineEdit();
      QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() - 4, box->height() / 2));
      QTest::qWait(50);
      QWidget* focus = QApplication::focusWidget();
      EXPECT_TRUE(focus == box || focus == dialog.ComboBox1);
      box->selectAll();
      QTest::keyClicks(QApplication::focusWidget(), fresh);
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
      QTest::qWait(50);
      closed = !dialog.isVisible();
      EXPECT_FALSE(closed);
      if (answerNo) {
        EXPECT_EQ(dialog.ComboBox1->currentText(), dialog.FolderView1->GetSelectedPath());
      }
      dialog.reject();
      return QDialog::Rejected;
    };
    QTest::mouseClick(form->BitBtn3, Qt::LeftButton);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.startsWith(QStringLiteral("展開するフォルダーを新しく作成しますか？")));
    EXPECT_EQ(QFileInfo(fresh).isDir(), !answerNo);
    EXPECT_FALSE(QFileInfo::exists(fresh + QStringLiteral("/a.txt")));
  }
}

// Cancelling the settings, or OK without a change, leaves the listing as it was.
TEST_F(DesktopTest, TheSettingsDialogKeepsThePickedMember) {
  Start();
  OpenArchive();
  ASSERT_TRUE(ClickEntry(*form, QStringLiteral("setup.exe")));
  ASSERT_TRUE(form->BitBtn2->isEnabled());
  for (const char* button : {"キャンセル", "OK"}) {
    onModal = [&](QDialog& d) {
      (void)QTest::qWaitForWindowExposed(&d);
      for (QPushButton* b : d.findChildren<QPushButton*>())
        if (b->text().remove(QLatin1Char('&')).startsWith(QString::fromUtf8(button))) QTest::mouseClick(b, Qt::LeftButton);
      return d.result();
    };
    QTest::mouseClick(form->ToolBar1->widgetForAction(form->ToolButton4), Qt::LeftButton);
    EXPECT_EQ(form->ListView1->SelectedRow(), Row(QStringLiteral("setup.exe")).row()) << button;
    EXPECT_TRUE(form->BitBtn2->isEnabled()) << button;
    EXPECT_EQ(form->ExecMember, QStringLiteral("setup.exe")) << button;
  }
}

// Whatever LANG says, the file view names types in Japanese.
TEST_F(DesktopTest, TypeNamesAreJapanese) {
  Start();
  TFileView view;
  view.ShowFolder(shell::ShellFolder::Desktop()->ParseDisplayName(Home() + QStringLiteral("/files")));
  view.show();
  QTest::qWait(100);
  ASSERT_GE(view.topLevelItemCount(), 1);
  const QString type = view.topLevelItem(0)->text(2);
  EXPECT_EQ(type, QStringLiteral("Zip アーカイブ")) << qPrintable(QString::fromLocal8Bit(qgetenv("LANG")));
}

// Qt's own buttons and the file view's entries speak Japanese too, and a
// link in the file view carries the arrow.
TEST_F(DesktopTest, StandardButtonsAndTheFileViewAreJapanese) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("t"), QStringLiteral("x"), QMessageBox::Yes | QMessageBox::No);
  EXPECT_TRUE(box.button(QMessageBox::Yes)->text().contains(QStringLiteral("はい")));
  EXPECT_TRUE(box.button(QMessageBox::No)->text().contains(QStringLiteral("いいえ")));
  QFile::link(archive, Home() + QStringLiteral("/files/link.zip"));
  TFileView view;
  view.ShowFolder(shell::ShellFolder::Desktop()->ParseDisplayName(Home() + QStringLiteral("/files")));
  view.show();
  QTest::qWait(100);
  const auto icon = [&view](const QString& name) {
    for (int i = 0; i < view.topLevelItemCount(); ++i)
      if (view.topLevelItem(i)->text(0).startsWith(name)) return view.topLevelItem(i)->icon(0).pixmap(16, 16).toImage();
    return QImage();
  };
  ASSERT_FALSE(icon(QStringLiteral("game")).isNull());
  EXPECT_NE(icon(QStringLiteral("game")), icon(QStringLiteral("link")));
}

// "起動ページに戻る" shows a house, not Qt's folder, where the theme has no home icon.
TEST_F(DesktopTest, TheViewersHomeButtonIsAHouse) {
  const QString theme = QIcon::themeName();
  QIcon::setThemeName(QStringLiteral("hicolor"));
  TForm2 viewer;
  const QImage shown = viewer.ToolButton1->icon().pixmap(16, 16).toImage();
  const QImage folder = viewer.style()->standardIcon(QStyle::SP_DirHomeIcon).pixmap(16, 16).toImage();
  QIcon::setThemeName(theme);
  EXPECT_NE(shown, folder);
  EXPECT_EQ(viewer.ToolButton1->toolTip(), QStringLiteral("起動ページに戻る"));
}

// A link to a file shows the shortcut arrow, as a link to a folder does.
TEST_F(DesktopTest, LinkedFilesAndFoldersCarryTheArrow) {
  QFile::link(archive, Home() + QStringLiteral("/files/link.zip"));
  Write(QStringLiteral("files/sub/x"), "x");
  QFile::link(Home() + QStringLiteral("/files/sub"), Home() + QStringLiteral("/files/linksub"));
  const QImage real = shell::PathIcon(archive).pixmap(16, 16).toImage();
  const QImage linked = shell::PathIcon(Home() + QStringLiteral("/files/link.zip")).pixmap(16, 16).toImage();
  EXPECT_NE(real, linked);
  EXPECT_EQ(real.pixel(12, 3), linked.pixel(12, 3));  // the same picture, marked in its corner
  const QImage folder = shell::PathIcon(Home() + QStringLiteral("/files/sub")).pixmap(16, 16).toImage();
  const QImage linkedFolder = shell::PathIcon(Home() + QStringLiteral("/files/linksub")).pixmap(16, 16).toImage();
  EXPECT_NE(folder, linkedFolder);
  EXPECT_EQ(folder.pixel(12, 3), linkedFolder.pixel(12, 3));
  EXPECT_EQ(linked.pixel(4, 11), linkedFolder.pixel(4, 11));  // one arrow for both
}

}  // namespace
