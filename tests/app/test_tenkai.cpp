// The extract dialog and its folder view, driven with the mouse and the
// keyboard on real archives.
#include "app/IniFile.h"
#include "app/main.h"
#include "app/tenkai.h"
#include "components/FTVEX/FTVEX.h"
#include "components/ShView/ShView.h"
#include "craft.h"
#include "platform/folders.h"
#include "window_support.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <memory>

namespace {

const QString kData = QStringLiteral(ZOT_TEST_DATA);

class TenkaiTest : public WindowTest {
 protected:
  void SetUp() override {
    ZotTest::SetUp();
    folder = Home() + QStringLiteral("/files");
    dest = Home() + QStringLiteral("/dest");
    QDir().mkpath(dest);
    QDir().mkpath(folder);
    QFile::copy(kData + QStringLiteral("/level2.lzh"), folder + QStringLiteral("/tool.beta.lzh"));
    StartWindow("[Option]\nErrorDialog=1\nCopyMode=0\n");
    ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder + QStringLiteral("/tool.beta.lzh")));
  }
  // Clicks "展開" in the main window and lets drive work the dialog while it is shown.
  void Open(const std::function<void(Tdevelop&)>& drive) {
    onModal = [&drive](QDialog& d) {
      drive(static_cast<Tdevelop&>(d));
      return d.result();
    };
    ASSERT_TRUE(form->BitBtn3->isEnabled());
    QTest::mouseClick(form->BitBtn3, Qt::LeftButton);
    onModal = nullptr;
  }
  static void Type(Tdevelop& d, const QString& text) {
    QLineEdit* edit = d.ComboBox1->lineEdit();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
  }
  // Picks an entry of "オリジナル圧縮ファイルの処理" with the keyboard.
  static void Choose(Tdevelop& d, int index) {
    d.ComboBox2->setFocus();
    QTest::keyClick(d.ComboBox2, Qt::Key_Home);
    for (int i = 0; i < index; ++i) QTest::keyClick(d.ComboBox2, Qt::Key_Down);
    ASSERT_EQ(d.ComboBox2->currentIndex(), index);
  }
  static void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(8, w->height() / 2)); }
  // A dialog that extracts into dest (plus the options given) and closes.
  void ExtractTo(const QString& where, bool named, int copy) {
    Open([&](Tdevelop& d) {
      if (d.RadioIndex() != 0) Click(d.RadioButtons[0]);
      Type(d, where);
      if (d.CheckBox1->isChecked() != named) Click(d.CheckBox1);
      Choose(d, copy);
      QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
      EXPECT_FALSE(d.isVisible());
    });
  }
  QString folder, dest;
};

TEST_F(TenkaiTest, NamedFolderAndTheArchiveInAnArciveFolder) {
  ExtractTo(dest, true, 3);
  EXPECT_EQ(ReadAll(dest + QStringLiteral("/tool/readme.txt")), QStringLiteral("hello\r\n"));
  EXPECT_EQ(ReadAll(dest + QStringLiteral("/tool/doc/a.txt")), QStringLiteral("body\n"));
  EXPECT_TRUE(QFileInfo(dest + QStringLiteral("/tool/arcive/tool.beta.lzh")).isFile());
  EXPECT_EQ(QFileInfo(dest + QStringLiteral("/tool/arcive/tool.beta.lzh")).size(),
            QFileInfo(folder + QStringLiteral("/tool.beta.lzh")).size());
  EXPECT_TRUE(messages.empty());
}

TEST_F(TenkaiTest, CopyBesideTheNamedFolderOrIntoTheDestination) {
  ExtractTo(dest, true, 1);
  EXPECT_TRUE(QFileInfo(dest + QStringLiteral("/tool.beta.lzh")).isFile());
  EXPECT_TRUE(QFileInfo(dest + QStringLiteral("/tool/readme.txt")).isFile());
  const QString flat = Home() + QStringLiteral("/flat");
  QDir().mkpath(flat);
  ExtractTo(flat, false, 1);
  EXPECT_TRUE(QFileInfo(flat + QStringLiteral("/tool.beta.lzh")).isFile());
  EXPECT_TRUE(QFileInfo(flat + QStringLiteral("/readme.txt")).isFile());
  // The collecting folder of the settings, made when missing; none without one.
  Settings.CopyDir = Home() + QStringLiteral("/collect/");
  ExtractTo(flat, false, 4);
  EXPECT_TRUE(QFileInfo(Home() + QStringLiteral("/collect/tool.beta.lzh")).isFile());
}

TEST_F(TenkaiTest, TypingAMissingFolderAndEnterAsksToMakeIt) {
  const QString made = Home() + QStringLiteral("/new/deeper");
  Open([&](Tdevelop& d) {
    Click(d.RadioButtons[0]);
    Type(d, dest);
    QTest::keyClick(d.ComboBox1->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(d.FolderView1->GetSelectedPath(), dest);
    answer = QMessageBox::No;
    Type(d, made);
    QTest::keyClick(d.ComboBox1->lineEdit(), Qt::Key_Return);
    EXPECT_FALSE(QFileInfo::exists(made));
    // Back to the tree's folder (which followed the typing as far as it named folders).
    EXPECT_EQ(d.ComboBox1->currentText(), d.FolderView1->GetSelectedPath());
    EXPECT_EQ(d.ComboBox1->currentText(), Home());
    answer = QMessageBox::Yes;
    Type(d, made);
    QTest::keyClick(d.ComboBox1->lineEdit(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(QFileInfo(made).isDir());
    EXPECT_EQ(d.FolderView1->GetSelectedPath(), made);
    EXPECT_TRUE(d.isVisible());  // Enter in the box does not extract
    QTest::mouseClick(d.BitBtn2, Qt::LeftButton);
  });
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].text, QStringLiteral("展開するフォルダーを新しく作成しますか？\n\n") + made);
  EXPECT_TRUE(QDir(made).isEmpty());
}

TEST_F(TenkaiTest, ATargetThatCannotBeMadeKeepsTheDialogOpenOnce) {
  Write(QStringLiteral("blocker"), "a file");
  Open([&](Tdevelop& d) {
    Click(d.RadioButtons[0]);
    Type(d, Home() + QStringLiteral("/blocker/sub"));
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    EXPECT_TRUE(d.isVisible());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QStringLiteral("圧縮ファイルの展開ができませんでした。"));
    QTest::mouseClick(d.BitBtn2, Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
  });
  EXPECT_FALSE(QFileInfo::exists(Home() + QStringLiteral("/blocker/sub")));
}

TEST_F(TenkaiTest, RecentDestinationsNewestFirstAndCaseCounts) {
  for (const char* name : {"one", "two", "Two"}) {
    QDir().mkpath(Home() + QLatin1Char('/') + QLatin1String(name));
    ExtractTo(Home() + QLatin1Char('/') + QLatin1String(name), false, 0);
  }
  ExtractTo(Home() + QStringLiteral("/two"), false, 0);  // known: no new row
  QStringList first, second;
  for (QStringList* rows : {&first, &second})
    Open([&](Tdevelop& d) {
      for (int i = 0; i < d.ComboBox1->count(); ++i) *rows << d.ComboBox1->itemText(i);
      QTest::mouseClick(d.BitBtn2, Qt::LeftButton);
    });
  EXPECT_EQ(first, (QStringList{Home() + QStringLiteral("/Two"), Home() + QStringLiteral("/two"),
                                Home() + QStringLiteral("/one"), QString(), QString()}));
  EXPECT_EQ(second, first);
}

TEST_F(TenkaiTest, BesideTheArchiveDisablesTheTreeAndTheBoxAndNeverHarmsTheArchive) {
  const QByteArray before = [&] {
    QFile f(folder + QStringLiteral("/tool.beta.lzh"));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
  }();
  Open([&](Tdevelop& d) {
    Click(d.RadioButtons[1]);
    EXPECT_FALSE(d.FolderView1->isEnabled());
    EXPECT_FALSE(d.ComboBox1->isEnabled());
    EXPECT_EQ(d.ComboBox1->currentText(), folder + QLatin1Char('/'));
    EXPECT_EQ(d.FolderView1->GetSelectedPath(), folder);
    if (d.CheckBox1->isChecked()) Click(d.CheckBox1);
    Choose(d, 2);  // into the folder it is extracted to: the archive's own
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
  });
  QFile after(folder + QStringLiteral("/tool.beta.lzh"));
  ASSERT_TRUE(after.open(QIODevice::ReadOnly));
  EXPECT_EQ(after.readAll(), before);
  EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/readme.txt")).isFile());
  EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/tool.beta.lzh.zot-part")));
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(Settings.CopyMode, 1);
}

TEST_F(TenkaiTest, FilesThatExistAreAskedAboutOnce) {
  const QString mine = Write(QStringLiteral("dest/readme.txt"), "mine");
  // Cancel: nothing is extracted and the dialog stays for another folder.
  choice = 2;
  Open([&](Tdevelop& d) {
    Click(d.RadioButtons[0]);
    Type(d, dest);
    QTest::mouseClick(d.BitBtn1, Qt::LeftButton);
    EXPECT_TRUE(d.isVisible());
    QTest::mouseClick(d.BitBtn2, Qt::LeftButton);
  });
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].text.contains(QStringLiteral("すでに 1 個あります")));
  EXPECT_TRUE(messages[0].text.contains(QStringLiteral("readme.txt")));
  EXPECT_FALSE(QFileInfo::exists(dest + QStringLiteral("/nums.txt")));
  // Keep: the user's file stays, the rest comes.
  choice = 1;
  ExtractTo(dest, false, 0);
  EXPECT_EQ(ReadAll(mine), QStringLiteral("mine"));
  EXPECT_TRUE(QFileInfo(dest + QStringLiteral("/nums.txt")).isFile());
  // Replace all.
  choice = 0;
  ExtractTo(dest, false, 0);
  EXPECT_EQ(ReadAll(mine), QStringLiteral("hello\r\n"));
}

// Names that look like wildcards are names: keeping the user's files never
// lets "*.txt" or "doc/?.txt" pick a kept one.
TEST_F(TenkaiTest, KeepingFilesHoldsForNamesThatLookLikeWildcards) {
  const QString arc = Write(QStringLiteral("files/wild.zip"),
                            craft::Zip({{"*.txt", "star"}, {"doc/?.txt", "query"}, {"doc/b.txt", "archive b"},
                                        {"a.txt", "archive a"}, {"@a.txt", "at"}}));
  const QString keptA = Write(QStringLiteral("dest/a.txt"), "mine a");
  const QString keptB = Write(QStringLiteral("dest/doc/b.txt"), "mine b");
  form->FolderTreeViewEx1->RefreshTree();
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(arc));
  choice = 1;  // 既存のファイルを残して残りを展開
  ExtractTo(dest, false, 0);
  EXPECT_EQ(ReadAll(keptA), QStringLiteral("mine a"));
  EXPECT_EQ(ReadAll(keptB), QStringLiteral("mine b"));
  EXPECT_EQ(ReadAll(dest + QStringLiteral("/*.txt")), QStringLiteral("star"));
  EXPECT_EQ(ReadAll(dest + QStringLiteral("/doc/?.txt")), QStringLiteral("query"));
  EXPECT_EQ(ReadAll(dest + QStringLiteral("/@a.txt")), QStringLiteral("at"));
  EXPECT_TRUE(messages.empty() || !messages.back().text.contains(QStringLiteral("応答ファイル")));
}

TEST_F(TenkaiTest, AFailedOrHostileExtractionIsSaidAndStaysInside) {
  const QString evil = Write(QStringLiteral("files/evil.zip"),
                             craft::Zip({{"../outside.txt", "x"}, {"bad.txt", "damaged", true}, {"ok.txt", "ok"}}));
  form->FolderTreeViewEx1->RefreshTree();
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(evil));
  ExtractTo(dest, false, 0);
  EXPECT_FALSE(QFileInfo::exists(Home() + QStringLiteral("/outside.txt")));
  EXPECT_EQ(ReadAll(dest + QStringLiteral("/ok.txt")), QStringLiteral("ok"));
  EXPECT_FALSE(QFileInfo::exists(dest + QStringLiteral("/bad.txt")));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].text.contains(evil));
  EXPECT_TRUE(messages[0].text.contains(QStringLiteral("bad.txt: 展開できません")));
  EXPECT_TRUE(messages[0].text.contains(QStringLiteral("../outside.txt: 展開先フォルダーの外を指す")));
}

TEST_F(TenkaiTest, CancelKeepsEveryChoiceInTheSettingsFile) {
  Open([&](Tdevelop& d) {
    Click(d.RadioButtons[0]);
    Type(d, dest);
    if (!d.CheckBox1->isChecked()) Click(d.CheckBox1);
    Choose(d, 3);
    QTest::mouseClick(d.BitBtn2, Qt::LeftButton);
  });
  EXPECT_FALSE(QFileInfo::exists(dest + QStringLiteral("/tool")));
  form->close();
  const TIniFile ini(ConfigFile());
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("Option"), QStringLiteral("CopyProcess"), -1), 3);
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("Option"), QStringLiteral("CopyMode"), -1), 0);
  EXPECT_TRUE(ini.ReadBool(QStringLiteral("Option"), QStringLiteral("CopyFlag"), false));
  EXPECT_EQ(ini.ReadString(QStringLiteral("Option"), QStringLiteral("Directory0"), QString()), dest);
  EXPECT_GE(ini.ReadInteger(QStringLiteral("Window"), QStringLiteral("DeveHeight"), 0), kDevelopMinHeight);
}

TEST_F(TenkaiTest, TheDialogKeepsItsWidthAndAFloorForItsHeight) {
  Open([&](Tdevelop& d) {
    const int width = d.width();
    d.resize(width + 100, 100);
    EXPECT_EQ(d.width(), width);
    EXPECT_EQ(d.minimumHeight(), d.height());
    // Nothing overlaps at the smallest height.
    EXPECT_LE(d.FolderView1->geometry().bottom(), d.ComboBox1->geometry().top());
    EXPECT_LE(d.ComboBox2->geometry().bottom(), d.BitBtn1->geometry().top());
    EXPECT_LE(d.BitBtn1->geometry().bottom(), d.height());
    QTest::mouseClick(d.BitBtn2, Qt::LeftButton);
  });
}

// The folder view by itself.
class FolderViewTest : public ZotTest {
 protected:
  void SetUp() override {
    ZotTest::SetUp();
    shell::SetComputerRoots({Home()});
  }
  void TearDown() override {
    shell::SetComputerRoots({});
    ZotTest::TearDown();
  }
};

TEST_F(FolderViewTest, SelectPathOpensTheWayAndReportsTheSamePath) {
  const QString deep = Home() + QStringLiteral("/a/b/.hidden/c");
  QDir().mkpath(deep);
  Write(QStringLiteral("a/file.txt"), "f");
  TFolderView view;
  view.show();
  EXPECT_EQ(view.topLevelItemCount(), 1);  // the desktop alone
  EXPECT_EQ(view.topLevelItem(0)->text(0), QStringLiteral("デスクトップ"));
  int changes = 0;
  QObject::connect(&view, &TFolderView::OnChange, [&] { ++changes; });
  view.SelectPath(deep);
  EXPECT_EQ(view.GetSelectedPath(), deep);
  EXPECT_GT(changes, 0);
  EXPECT_EQ(view.PreviousNode() != nullptr, true);
  // A file has no node; a path that does not exist changes nothing.
  view.SelectPath(Home() + QStringLiteral("/a/file.txt"));
  EXPECT_EQ(view.GetSelectedPath(), QString());
  view.SelectPath(deep);
  view.SelectPath(Home() + QStringLiteral("/nowhere"));
  EXPECT_EQ(view.GetSelectedPath(), deep);
}

TEST_F(FolderViewTest, RenamingInPlaceRenamesOnDisk) {
  QDir().mkpath(Home() + QStringLiteral("/p/old"));
  QDir().mkpath(Home() + QStringLiteral("/p/taken"));
  TFolderView view;
  view.show();
  view.SelectPath(Home() + QStringLiteral("/p/old"));
  QTreeWidgetItem* node = view.currentItem();
  ASSERT_TRUE(node);
  auto rename = [&](const QString& to) {
    QTest::keyClick(&view, Qt::Key_F2);
    auto* editor = view.findChild<QLineEdit*>();
    ASSERT_TRUE(editor);
    editor->selectAll();
    QTest::keyClicks(editor, to);
    QTest::keyClick(editor, Qt::Key_Return);
    QTest::qWait(20);  // the editor hands its text over from the event loop
  };
  rename(QStringLiteral("renamed one"));
  EXPECT_TRUE(QFileInfo(Home() + QStringLiteral("/p/renamed one")).isDir());
  EXPECT_FALSE(QFileInfo::exists(Home() + QStringLiteral("/p/old")));
  EXPECT_EQ(view.GetSelectedPath(), Home() + QStringLiteral("/p/renamed one"));
  // A name that is taken is refused, said, and the caption goes back.
  rename(QStringLiteral("taken"));
  EXPECT_EQ(node->text(0), QStringLiteral("renamed one"));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].text.contains(QStringLiteral("すでにあります")));
  EXPECT_TRUE(QDir(Home() + QStringLiteral("/p/taken")).exists());
  // The desktop keeps its name.
  view.setCurrentItem(view.topLevelItem(0));
  QTest::keyClick(&view, Qt::Key_F2);
  EXPECT_FALSE(view.findChild<QLineEdit*>() && view.findChild<QLineEdit*>()->isVisible());
}

}  // namespace
