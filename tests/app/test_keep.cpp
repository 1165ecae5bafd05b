// Files a program or the user made or changed in the temporary folder are
// offered for keeping before it is deleted, at the close and at the start.
#include "app/keep.h"
#include "components/FTVEX/FTVEX.h"
#include "craft.h"
#include "window_support.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <fcntl.h>
#include <sys/stat.h>

namespace {

class KeepTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    Write(QStringLiteral("arc/game.zip"),
          craft::Zip({{"setup.exe", "#!/bin/sh\nexit 0\n#" + QByteArray(300, '-') + "\n"}, {"data.txt", "level=1\n"}}));
    StartWindow();
    run = TempRoot + QStringLiteral("game");
    destination = Home() + QStringLiteral("/kept");
  }
  // "ピポラ！" on the program, clicked.
  void Run() {
    ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(Home() + QStringLiteral("/arc/game.zip")));
    ASSERT_TRUE(ClickEntry(*form, QStringLiteral("setup.exe")));
    QTest::mouseClick(form->BitBtn2, Qt::LeftButton);
    ASSERT_EQ(starts.size(), 1u);
  }
  // What the program does while it runs: a new file, and a member rewritten
  // with other content of the same size and its old modification time.
  void PlayTheGame() {
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(run + QStringLiteral("/data.txt")).constData(), &before), 0);
    QFile data(run + QStringLiteral("/data.txt"));
    ASSERT_TRUE(data.open(QIODevice::WriteOnly));
    data.write("level=7\n");
    data.close();
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(run + QStringLiteral("/data.txt")).constData(), times, 0), 0);
    QFile save(run + QStringLiteral("/saves/slot1.sav"));
    QDir().mkpath(run + QStringLiteral("/saves"));
    ASSERT_TRUE(save.open(QIODevice::WriteOnly));
    save.write("progress");
  }
  // Answers the keeping dialog through its widgets: the destination typed,
  // then the button clicked; what the list showed is kept.
  void AnswerWith(QPushButton* TKeepForm::*button, const QString& typed = QString()) {
    onModal = [this, button, typed](QDialog& d) {
      auto* form = qobject_cast<TKeepForm*>(&d);
      if (!form) return int(QDialog::Rejected);
      listed.clear();
      for (int i = 0; i < form->ListView1->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = form->ListView1->topLevelItem(i);
        listed << item->text(1) + QLatin1Char('/') + item->text(0);
        EXPECT_EQ(item->checkState(0), Qt::Checked);
      }
      title = form->windowTitle();
      if (!typed.isEmpty()) {
        form->Edit1->clear();
        QTest::mouseClick(form->Edit1, Qt::LeftButton);
        QTest::keyClicks(form->Edit1, typed);
      }
      QTest::mouseClick(form->*button, Qt::LeftButton);
      return d.result();
    };
  }
  QString run, destination, title;
  QStringList listed;
};

TEST_F(KeepTest, SaveAndCloseKeepsWhatTheProgramMadeAndChangedAndNothingElse) {
  Run();
  PlayTheGame();
  AnswerWith(&TKeepForm::BitBtn1, destination);
  EXPECT_TRUE(form->close());
  EXPECT_EQ(modalDialogs, QStringList{QStringLiteral("KeepForm")});
  EXPECT_EQ(title, QStringLiteral("変更されたファイルの保存"));
  EXPECT_EQ(listed, (QStringList{QStringLiteral("game/data.txt"), QStringLiteral("game/saves/slot1.sav")}));
  // Below the chosen folder with their paths in the run folder.
  EXPECT_EQ(ReadAll(destination + QStringLiteral("/data.txt")), QStringLiteral("level=7\n"));
  EXPECT_EQ(ReadAll(destination + QStringLiteral("/saves/slot1.sav")), QStringLiteral("progress"));
  EXPECT_FALSE(QFileInfo::exists(destination + QStringLiteral("/setup.exe")));
  EXPECT_FALSE(QFileInfo::exists(TempRoot));
}

TEST_F(KeepTest, TheDefaultPlaceIsAFolderNamedAfterTheArchiveAndTakenNamesAreNeverReplaced) {
  Run();
  PlayTheGame();
  const QString kept = Home() + QStringLiteral("/ピポラ！/game");
  Write(QStringLiteral("ピポラ！/game/data.txt"), "mine");
  AnswerWith(&TKeepForm::BitBtn1);
  EXPECT_TRUE(form->close());
  EXPECT_EQ(ReadAll(kept + QStringLiteral("/data.txt")), QStringLiteral("mine"));
  EXPECT_EQ(ReadAll(kept + QStringLiteral("/data (2).txt")), QStringLiteral("level=7\n"));
  EXPECT_EQ(ReadAll(kept + QStringLiteral("/saves/slot1.sav")), QStringLiteral("progress"));
}

TEST_F(KeepTest, CloseWithoutSavingOrCancel) {
  Run();
  PlayTheGame();
  // Cancel: the window stays and so does every file.
  AnswerWith(&TKeepForm::BitBtn3);
  EXPECT_FALSE(form->close());
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(ReadAll(run + QStringLiteral("/saves/slot1.sav")), QStringLiteral("progress"));
  EXPECT_TRUE(QFileInfo::exists(run + QStringLiteral("/setup.exe")));
  // Asked again; without saving, nothing is kept and TempRoot goes.
  AnswerWith(&TKeepForm::BitBtn2);
  EXPECT_TRUE(form->close());
  EXPECT_EQ(modalDialogs.size(), 2);
  EXPECT_FALSE(QFileInfo::exists(TempRoot));
  EXPECT_FALSE(QFileInfo::exists(Home() + QStringLiteral("/ピポラ！")));
}

TEST_F(KeepTest, AFolderThatCannotBeWrittenIsSaidAndNothingIsDeleted) {
  Run();
  PlayTheGame();
  Write(QStringLiteral("taken"), "a file where the folder would go");
  AnswerWith(&TKeepForm::BitBtn1, Home() + QStringLiteral("/taken"));
  EXPECT_FALSE(form->close());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].text.startsWith(QStringLiteral("「game/data.txt」を保存できませんでした。")));
  EXPECT_TRUE(messages[0].text.contains(QStringLiteral("一時解凍フォルダーはそのまま残しています。")));
  EXPECT_EQ(ReadAll(run + QStringLiteral("/saves/slot1.sav")), QStringLiteral("progress"));
  EXPECT_TRUE(form->isVisible());
}

TEST_F(KeepTest, FilesOnlyExtractedAndReadNeverCount) {
  Run();
  // The viewer extracts a member into TempRoot and reads it; running again
  // extracts everything once more over the same files.
  ASSERT_TRUE(ClickEntry(*form, QStringLiteral("data.txt")));
  form->N3Click();
  QTest::mouseClick(form->BitBtn2, Qt::LeftButton);
  ASSERT_TRUE(ClickEntry(*form, QStringLiteral("setup.exe")));
  QTest::mouseClick(form->BitBtn2, Qt::LeftButton);
  EXPECT_TRUE(keep::ChangedFiles(TempRoot).isEmpty());
  EXPECT_TRUE(form->close());
  EXPECT_TRUE(modalDialogs.isEmpty());
  EXPECT_FALSE(QFileInfo::exists(TempRoot));
}

TEST_F(KeepTest, ALeftoverIsOfferedAtTheStartBeforeItIsDeleted) {
  Run();
  PlayTheGame();
  // The session ends without its close (a crash, a power cut); the next
  // one is another process, working elsewhere.
  form.reset();
  QDir::setCurrent(Home());
  ASSERT_TRUE(QFileInfo::exists(run + QStringLiteral("/saves/slot1.sav")));
  AnswerWith(&TKeepForm::BitBtn1, destination);
  StartWindow();
  EXPECT_EQ(modalDialogs, QStringList{QStringLiteral("KeepForm")});
  EXPECT_EQ(listed, (QStringList{QStringLiteral("game/data.txt"), QStringLiteral("game/saves/slot1.sav")}));
  EXPECT_EQ(ReadAll(destination + QStringLiteral("/saves/slot1.sav")), QStringLiteral("progress"));
  EXPECT_FALSE(QFileInfo::exists(run));

  // A leftover without records: everything in it counts, the wine prefix never.
  form.reset();
  Write(QStringLiteral(".local/share/zot/old/notes.txt"), "n");
  Write(QStringLiteral(".local/share/zot/wine.prefix/system.reg"), "r");
  modalDialogs.clear();
  AnswerWith(&TKeepForm::BitBtn3);
  StartWindow();
  EXPECT_EQ(listed, QStringList{QStringLiteral("old/notes.txt")});
  // Cancelled: nothing deleted.
  EXPECT_TRUE(QFileInfo::exists(TempRoot + QStringLiteral("old/notes.txt")));
}

}  // namespace
