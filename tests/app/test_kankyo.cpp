// The settings dialog and the folder choice dialog, driven with the mouse
// and the keyboard from the main window's toolbar button.
#include "app/IniFile.h"
#include "app/choice.h"
#include "app/kankyo.h"
#include "app/main.h"
#include "app/memo.h"
#include "components/FTVEX/FTVEX.h"
#include "craft.h"
#include "platform/folders.h"
#include "window_support.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>

#include <memory>

namespace {

class KankyoTest : public WindowTest {
 protected:
  void SetUp() override {
    ZotTest::SetUp();
    CanCloseSettings = false;  // as at the start of a run
    ChosenFolder.clear();
    StartWindow("[Option]\nErrorDialog=1\nExt4=.old\n");
  }
  // Clicks the toolbar's "環境設定" and works the dialog while it is shown.
  void Open(const std::function<void(TDirDlg&)>& drive, const std::function<void(TForm3&)>& browse = {}) {
    onModal = [&](QDialog& d) {
      if (auto* choice = qobject_cast<TForm3*>(&d)) {
        if (browse) browse(*choice);
      } else {
        drive(static_cast<TDirDlg&>(d));
      }
      return d.result();
    };
    QTest::mouseClick(form->ToolBar1->widgetForAction(form->ToolButton4), Qt::LeftButton);
    onModal = nullptr;
  }
  static void TypeFolder(TDirDlg& d, const QString& text) {
    QTest::mouseClick(d.Edit2, Qt::LeftButton);
    d.Edit2->selectAll();
    QTest::keyClick(d.Edit2, Qt::Key_Backspace);
    QTest::keyClicks(d.Edit2, text);
  }
  static void TypeRow(TDirDlg& d, int row, const QString& text) {
    QTableWidget* grid = d.StringGrid1;
    const QRect cell = grid->visualItemRect(grid->item(row, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    if (text.isEmpty()) {
      QTest::keyClick(grid, Qt::Key_F2);
      if (auto* editor = grid->findChild<QLineEdit*>()) {
        editor->selectAll();
        QTest::keyClick(editor, Qt::Key_Backspace);
        QTest::keyClick(editor, Qt::Key_Return);
      }
    } else {
      QTest::keyClicks(grid, text.left(1));  // any key starts editing
      auto* editor = grid->findChild<QLineEdit*>();
      ASSERT_TRUE(editor);
      QTest::keyClicks(editor, text.mid(1));
      QTest::keyClick(editor, Qt::Key_Return);
    }
    QTest::qWait(20);
  }
};

TEST_F(KankyoTest, AnEmptyFolderClearsTheCopyFolderAndAnExistingOneGetsItsSeparator) {
  Settings.CopyDir = QStringLiteral("/old/");
  Open([&](TDirDlg& d) {
    EXPECT_EQ(d.Edit2->text(), QStringLiteral("/old/"));
    EXPECT_TRUE(d.CheckBox1->isChecked());
    TypeFolder(d, QString());
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
  });
  EXPECT_EQ(Settings.CopyDir, QString());
  QDir().mkpath(Home() + QStringLiteral("/Tools"));
  Open([&](TDirDlg& d) {
    TypeFolder(d, Home() + QStringLiteral("/Tools"));
    QTest::mouseClick(d.CheckBox1, Qt::LeftButton);
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
  });
  EXPECT_EQ(Settings.CopyDir, Home() + QStringLiteral("/Tools/"));
  EXPECT_FALSE(Settings.ErrorDialog);
  EXPECT_TRUE(messages.empty());
}

TEST_F(KankyoTest, AMissingFolderIsMadeOnYesAndKeepsTheDialogOnNo) {
  const QString missing = Home() + QStringLiteral("/new/Copies");
  answer = QMessageBox::No;
  Open([&](TDirDlg& d) {
    TypeFolder(d, missing);
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    EXPECT_TRUE(d.isVisible());
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, QStringLiteral("このディレクトリは存在しません。\n\n") + missing +
                                    QStringLiteral("\n\n新規ディレクトリを作成しますか？"));
    EXPECT_EQ(messages[1].text, QStringLiteral("ディレクトリの作成に失敗しました。"));
    EXPECT_FALSE(QFileInfo::exists(missing));
    answer = QMessageBox::Yes;
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
  });
  EXPECT_TRUE(QFileInfo(missing).isDir());
  EXPECT_EQ(Settings.CopyDir, missing + QLatin1Char('/'));
}

TEST_F(KankyoTest, AFileInThePlaceOfTheFolderIsNeverReplaced) {
  const QString file = Write(QStringLiteral("precious"), "p");
  Open([&](TDirDlg& d) {
    TypeFolder(d, file);
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    EXPECT_TRUE(d.isVisible());
    QTest::mouseClick(d.BitBtn2, Qt::LeftButton);
  });
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, QStringLiteral("ディレクトリの作成に失敗しました。"));
  EXPECT_EQ(ReadAll(file), QStringLiteral("p"));
  EXPECT_EQ(Settings.CopyDir, QString());
}

TEST_F(KankyoTest, CancelTakesOverTheExtensionsButNotTheFolderOrTheCheckBox) {
  Open([&](TDirDlg& d) {
    EXPECT_EQ(d.StringGrid1->item(0, 0)->text(), QStringLiteral(".txt"));
    EXPECT_EQ(d.StringGrid1->item(1, 0)->text(), QStringLiteral(".rtf"));
    EXPECT_FALSE(d.StringGrid1->item(0, 0)->flags() & Qt::ItemIsEditable);
    EXPECT_EQ(d.StringGrid1->item(4, 0)->text(), QStringLiteral(".old"));
    TypeRow(d, 2, QStringLiteral("TXT2"));
    TypeRow(d, 3, QStringLiteral(".Md"));
    TypeRow(d, 4, QString());
    TypeFolder(d, Home());
    QTest::mouseClick(d.CheckBox1, Qt::LeftButton);
    QTest::mouseClick(d.BitBtn2, Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
  });
  EXPECT_EQ(ExtensionTable[2], QStringLiteral(".txt2"));
  EXPECT_EQ(ExtensionTable[3], QStringLiteral(".md"));
  EXPECT_EQ(ExtensionTable[4], QString());
  EXPECT_EQ(Settings.CopyDir, QString());
  EXPECT_TRUE(Settings.ErrorDialog);
}

TEST_F(KankyoTest, TheCloseButtonIsRefusedUntilOkOrCancelSettledIt) {
  Open([&](TDirDlg& d) {
    d.close();
    EXPECT_TRUE(d.isVisible());  // first opening of the run
    QTest::keyClick(&d, Qt::Key_Escape);  // Esc is Cancel
    EXPECT_FALSE(d.isVisible());
  });
  Open([&](TDirDlg& d) {
    d.close();
    EXPECT_FALSE(d.isVisible());  // Cancel has settled it
  });
}

TEST_F(KankyoTest, BrowsingPutsTheChosenFolderInTheBoxExactly) {
  const QString tools = Home() + QStringLiteral("/Apps/Tools");
  QDir().mkpath(tools);
  Open(
      [&](TDirDlg& d) {
        EXPECT_EQ(d.SpeedButton2->accessibleName(), QStringLiteral("フォルダーを選択"));
        QTest::mouseClick(d.SpeedButton2, Qt::LeftButton);
        EXPECT_EQ(d.Edit2->text(), tools);
        QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
      },
      [&](TForm3& choice) {
        EXPECT_EQ(choice.windowTitle(), QStringLiteral("フォルダー選択"));
        ASSERT_TRUE(choice.FolderTreeViewEx1->SelectPath(tools));
        QTest::mouseClick(choice.BitBtn1, Qt::LeftButton);
      });
  EXPECT_EQ(Settings.CopyDir, tools + QLatin1Char('/'));
  EXPECT_EQ(ChosenFolder, tools);
}

TEST_F(KankyoTest, NewTextExtensionsCountAtOnceAndReachTheSettingsFile) {
  const QString zip = Write(QStringLiteral("files/notes.zip"), craft::Zip({{"notes.md", "# notes"}, {"a.exe", "x"}}));
  form->FolderTreeViewEx1->RefreshTree();
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(zip));
  EXPECT_EQ(ListCaptions(*form), (QStringList{QStringLiteral("a.exe"), QStringLiteral("notes.md")}));
  QDir().mkpath(Home() + QStringLiteral("/c"));
  Open([&](TDirDlg& d) {
    TypeRow(d, 2, QStringLiteral("md"));
    TypeFolder(d, Home() + QStringLiteral("/c"));
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
  });
  ASSERT_TRUE(ClickEntry(*form, QStringLiteral("notes.md")));
  auto* viewer = qobject_cast<TForm2*>(ViewerForm.data());
  ASSERT_TRUE(viewer);
  EXPECT_EQ(viewer->RichEdit1->toPlainText(), QStringLiteral("# notes"));
  QFile::remove(ConfigFile());  // written anew, in the program's own order
  form->close();
  const QString ini = ReadAll(ConfigFile());
  const qsizetype copyDir = ini.indexOf(QStringLiteral("CopyDir=") + Home() + QStringLiteral("/c/\n"));
  const qsizetype errorDialog = ini.indexOf(QStringLiteral("ErrorDialog=1\n"));
  const qsizetype ext2 = ini.indexOf(QStringLiteral("Ext2=.md\n"));
  const qsizetype ext4 = ini.indexOf(QStringLiteral("Ext4=.old\n"));
  EXPECT_GE(copyDir, 0);
  EXPECT_GT(errorDialog, copyDir);
  EXPECT_GT(ext2, errorDialog);
  EXPECT_GT(ext4, ext2);
}

}  // namespace
