#include "app/IniFile.h"
#include "app/func.h"
#include "app/glyphs.h"
#include "app/main.h"
#include "components/FTVEX/FTVEX.h"
#include "platform/inuse.h"
#include "window_support.h"

#include <QFile>
#include <QFontMetrics>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QSplitter>
#include <QStandardItemModel>
#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QToolBar>
#include <QTreeView>

#include <memory>

namespace {

class MainWindowTest : public ZotTest {
 protected:
  void SetUp() override {
    ZotTest::SetUp();
    Settings.ErrorDialog = false;
  }
  std::unique_ptr<TForm1> Create() {
    auto form = std::make_unique<TForm1>();
    form->show();
    return form;
  }
  QString TempRootPath() const { return Home() + QStringLiteral("/.local/share/zot/"); }
  void AllLibraries() {
    for (const char* name : {"unlha32.so", "unzip32.so", "cab32.so"})
      Write(QStringLiteral("system/") + QLatin1String(name), "");
  }
};

TEST_F(MainWindowTest, FirstStartUsesTheDesignedLayout) {
  AllLibraries();
  auto form = Create();
  EXPECT_EQ(form->windowTitle(), QStringLiteral("ピポラ！"));
  EXPECT_EQ(form->size(), QSize(635, 391));
  EXPECT_EQ(form->ListView1->ViewStyle(), vsReport);
  EXPECT_TRUE(form->ToolButton9->isChecked());
  EXPECT_TRUE(form->Report1->isChecked());
  EXPECT_TRUE(form->ToolButton2->isChecked());
  EXPECT_TRUE(form->Text->isChecked());
  EXPECT_EQ(form->TreeWidth(), 210);
  // The designed widths, or wider where the font in use needs it for a
  // full size and date.
  const QFontMetrics fm = form->ListView1->ReportView()->fontMetrics();
  EXPECT_EQ(form->ListView1->ColumnWidth(0), 150);
  EXPECT_EQ(form->ListView1->ColumnWidth(1), std::max(80, fm.horizontalAdvance(QStringLiteral("999,999,999,999")) + 16));
  EXPECT_EQ(form->ListView1->ColumnWidth(2), std::max(130, fm.horizontalAdvance(QStringLiteral("9999/99/99   99:99:99")) + 16));
  EXPECT_FALSE(form->BitBtn2->isEnabled());
  EXPECT_FALSE(form->BitBtn3->isEnabled());
  EXPECT_FALSE(form->BitBtn4->isEnabled());
  EXPECT_TRUE(form->BitBtn1->isEnabled());
  EXPECT_TRUE(modalDialogs.isEmpty());
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(TempRoot, TempRootPath());
  EXPECT_TRUE(QFileInfo(TempRoot).isDir());
  EXPECT_EQ(QFileInfo(TempRoot).permissions() & (QFile::ReadOther | QFile::ReadGroup | QFile::WriteOther), 0);
}

TEST_F(MainWindowTest, ControlsCarryTheirCaptionsHintsAndShortcuts) {
  auto form = Create();
  struct Row {
    QAction* action;
    const char* text;
    QKeySequence shortcut;
  } rows[] = {
      {form->Options1, "環境設定(&O)", {}},
      {form->Refresh1, "最新の情報に更新", QKeySequence(Qt::Key_F5)},
      {form->Exit1, "終了(&X)", {}},
      {form->LargeIcon1, "大きいアイコン", {}},
      {form->SmallIcon1, "小さいアイコン", {}},
      {form->List1, "一覧", {}},
      {form->Report1, "詳細", {}},
      {form->Text, "テキスト自動閲覧", {}},
      {form->Contents1, "目次(&C)", QKeySequence(Qt::Key_F1)},
      {form->About1, "ﾊﾞｰｼﾞｮﾝ情報(&A)...", {}},
      {form->N2, "実行", QKeySequence(Qt::CTRL | Qt::Key_X)},
      {form->N3, "見る", QKeySequence(Qt::CTRL | Qt::Key_T)},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(r.action->text(), QString::fromUtf8(r.text));
    EXPECT_EQ(r.action->shortcut(), r.shortcut) << r.text;
  }
  QStringList menus;
  for (QAction* a : form->menuBar()->actions()) menus << a->text();
  EXPECT_EQ(menus, (QStringList{QStringLiteral("ﾌｧｲﾙ(&F)"), QStringLiteral("表示(&V)"), QStringLiteral("ﾍﾙﾌﾟ(&H)")}));

  // Toolbar: hints in order, and each icon-only button named for screen readers.
  QStringList hints;
  for (QAction* a : form->ToolBar1->actions()) {
    if (a->isSeparator()) {
      hints << QStringLiteral("|");
      continue;
    }
    hints << a->toolTip();
    EXPECT_EQ(form->ToolBar1->widgetForAction(a)->accessibleName(), a->toolTip());
  }
  EXPECT_EQ(hints.join(QLatin1Char(',')),
            QStringLiteral("環境設定,最新の情報に更新,|,大きいアイコン,小さいアイコン,一覧,詳細,|,テキスト自動閲覧"));

  EXPECT_EQ(form->BitBtn2->text(), QStringLiteral("ピポラ！"));
  EXPECT_EQ(form->BitBtn2->toolTip(), QStringLiteral("一時的に解凍、実行"));
  EXPECT_EQ(form->BitBtn3->text(), QStringLiteral("展開"));
  EXPECT_EQ(form->BitBtn3->toolTip(), QStringLiteral("指定フォルダーに解凍"));
  EXPECT_EQ(form->BitBtn4->text(), QStringLiteral("履歴"));
  EXPECT_EQ(form->BitBtn1->text(), QStringLiteral("終了"));
  QStringList columns;
  for (int c = 0; c < 3; ++c)
    columns << form->ListView1->Items()->headerData(c, Qt::Horizontal).toString();
  EXPECT_EQ(columns, (QStringList{QStringLiteral("ファイル名"), QStringLiteral("サイズ"), QStringLiteral("更新日時")}));
  EXPECT_FALSE(form->ListView1->ReportView()->header()->sectionsClickable());
}

TEST_F(MainWindowTest, ResizePlacesPanelAndButtons) {
  auto form = Create();
  for (QSize size : {QSize(635, 391), QSize(900, 600), QSize(400, 300)}) {
    form->resize(size);
    QCoreApplication::processEvents();
    const int ch = form->Client->height();
    const int cw = form->Client->width();
    EXPECT_EQ(form->ToolBar1->geometry(), QRect(0, 0, cw, 24));
    EXPECT_EQ(form->Panel1->geometry(), QRect(0, 24, cw, ch - 24 - 50));
    EXPECT_EQ(form->BitBtn2->geometry(), QRect(24, ch - 40, 96, 36));
    EXPECT_EQ(form->BitBtn3->geometry(), QRect(128, ch - 40, 96, 36));
    EXPECT_EQ(form->BitBtn4->geometry(), QRect(232, ch - 40, 96, 36));
    EXPECT_EQ(form->BitBtn1->geometry(), QRect(cw - 102, ch - 40, 96, 36));  // wholly inside, 6 from the edge
    // The tree keeps its width; the list takes the rest.
    EXPECT_EQ(form->TreeWidth(), 210);
  }
}

TEST_F(MainWindowTest, ViewModesPressOneButtonAndCheckOneMenuItem) {
  auto form = Create();
  struct Row {
    QAction* trigger;
    TViewStyle style;
    int mode;
    QAction* button;
    QAction* item;
  } rows[] = {
      {form->ToolButton6, vsIcon, 1, form->ToolButton6, form->LargeIcon1},
      {form->SmallIcon1, vsSmallIcon, 2, form->ToolButton7, form->SmallIcon1},
      {form->ToolButton8, vsList, 3, form->ToolButton8, form->List1},
      {form->Report1, vsReport, 4, form->ToolButton9, form->Report1},
      // Choosing the current mode again from the menu keeps it checked.
      {form->Report1, vsReport, 4, form->ToolButton9, form->Report1},
  };
  for (const Row& r : rows) {
    r.trigger->trigger();
    EXPECT_EQ(form->ListView1->ViewStyle(), r.style);
    EXPECT_EQ(Settings.ViewMode, r.mode);
    for (QAction* b : {form->ToolButton6, form->ToolButton7, form->ToolButton8, form->ToolButton9})
      EXPECT_EQ(b->isChecked(), b == r.button);
    for (QAction* i : {form->LargeIcon1, form->SmallIcon1, form->List1, form->Report1})
      EXPECT_EQ(i->isChecked(), i == r.item);
  }
  // Column widths survive a trip through the icon views.
  form->ListView1->SetColumnWidth(0, 222);
  form->ToolButton6->trigger();
  form->ToolButton9->trigger();
  EXPECT_EQ(form->ListView1->ColumnWidth(0), 222);
}

TEST_F(MainWindowTest, AutomaticViewingToggleKeepsButtonMenuAndGlyphInStep) {
  auto form = Create();
  const QImage onImage = glyphs::ImageList1(glyphs::kAutoViewOn).pixmap(16).toImage();
  const QImage offImage = glyphs::ImageList1(glyphs::kAutoViewOff).pixmap(16).toImage();
  ASSERT_NE(onImage, offImage);
  auto glyph = [&] { return form->ToolButton2->icon().pixmap(16).toImage(); };

  form->ToolButton2->trigger();  // the toolbar button goes up
  EXPECT_FALSE(form->ToolButton2->isChecked());
  EXPECT_FALSE(form->Text->isChecked());
  EXPECT_EQ(glyph(), offImage);

  form->Text->trigger();  // the menu item puts it down again
  EXPECT_TRUE(form->ToolButton2->isChecked());
  EXPECT_TRUE(form->Text->isChecked());
  EXPECT_EQ(glyph(), onImage);

  form->Text->trigger();
  EXPECT_FALSE(form->ToolButton2->isChecked());
  EXPECT_EQ(glyph(), offImage);
}

TEST_F(MainWindowTest, SettingsRoundTripThroughTheFile) {
  AllLibraries();
  {
    auto form = Create();
    form->resize(700, 450);
    form->move(40, 30);
    QCoreApplication::processEvents();
    form->SetTreeWidth(250);
    form->ListView1->SetColumnWidth(0, 200);
    form->ListView1->SetColumnWidth(2, 111);
    form->ToolButton7->trigger();
    form->ToolButton2->trigger();
    Settings.Folder = QStringLiteral("/srv/アーカイブ/tool.lzh");
    Settings.Directory[3] = QStringLiteral("/home/u/展開先/");
    ExtensionTable[2] = QStringLiteral(".doc");
    EXPECT_TRUE(form->close());
  }
  Settings = TSettings();
  ExtensionTable[2].clear();
  auto form = Create();
  EXPECT_EQ(form->size(), QSize(700, 450));
  EXPECT_EQ(form->TreeWidth(), 250);
  EXPECT_EQ(form->ListView1->ColumnWidth(0), 200);
  EXPECT_EQ(form->ListView1->ColumnWidth(1), form->ListView1->DefaultColumnWidth(1));
  EXPECT_EQ(form->ListView1->ColumnWidth(2), 111);
  EXPECT_EQ(form->ListView1->ViewStyle(), vsSmallIcon);
  EXPECT_TRUE(form->SmallIcon1->isChecked());
  EXPECT_FALSE(form->ToolButton2->isChecked());
  EXPECT_FALSE(form->Text->isChecked());
  EXPECT_EQ(Settings.Folder, QStringLiteral("/srv/アーカイブ/tool.lzh"));
  EXPECT_EQ(Settings.Directory[3], QStringLiteral("/home/u/展開先/"));
  EXPECT_EQ(ExtensionTable[2], QStringLiteral(".doc"));
}

TEST_F(MainWindowTest, SavedFileHoldsEveryKeyInOrder) {
  AllLibraries();
  auto form = Create();
  form->move(10, 20);
  form->resize(640, 400);
  QCoreApplication::processEvents();
  ExtensionTable[3] = QStringLiteral(".log");
  const QSize outer = form->frameGeometry().size();  // sizes are kept with the frame
  form->close();
  // One section header per section, keys in their order of first writing.
  const QString expected = QStringLiteral(
      "[Window]\nLeft=%1\nTop=%2\nHeight=%6\nWidth=%7\nMemoHeight=400\nMemoWidth=400\nMemoLeft=0\n"
      "MemoTop=0\nMemoFlag=1\nDeveHeight=290\nDeveLeft=0\nDeveTop=0\n"
      "[Option]\nViewMode=4\nCopyDir=\nCopyProcess=0\nCopyMode=1\nCopyFlag=0\nErrorDialog=0\nSeparate=210\n"
      "Ext2=\nExt3=.log\nExt4=\nDirectory0=\nDirectory1=\nDirectory2=\nDirectory3=\nDirectory4=\nDirectory5=\nSandbox=1\n"
      "[Header]\nCol[0]=150\nCol[1]=%4\nCol[2]=%5\n"
      "[Tree]\nFolder=%3\n")
                               .arg(form->pos().x())
                               .arg(form->pos().y())
                               .arg(Home())  // a first start opens at home
                               .arg(form->ListView1->DefaultColumnWidth(1))
                               .arg(form->ListView1->DefaultColumnWidth(2))
                               .arg(outer.height())
                               .arg(outer.width());
  EXPECT_EQ(ReadAll(ConfigFile()), expected);
}

TEST_F(MainWindowTest, UnknownViewModeIsKeptAndPressesNoButton) {
  AllLibraries();
  Write(QStringLiteral(".config/zot/zot.ini"),
        "[Option]\nViewMode=7\nSeparate=0x100\nErrorDialog=2\n[Header]\nCol[0]=-5\nCol[1]=abc\n");
  auto form = Create();
  EXPECT_EQ(Settings.ViewMode, 7);
  for (QAction* a : {form->ToolButton6, form->ToolButton7, form->ToolButton8, form->ToolButton9, form->LargeIcon1,
                     form->SmallIcon1, form->List1, form->Report1})
    EXPECT_FALSE(a->isChecked());
  EXPECT_EQ(form->TreeWidth(), 256);
  EXPECT_TRUE(Settings.ErrorDialog);
  EXPECT_EQ(form->ListView1->ColumnWidth(0), 150);  // below -2: the usual width
  EXPECT_EQ(form->ListView1->ColumnWidth(1), form->ListView1->DefaultColumnWidth(1));
  form->close();
  const TIniFile ini(ConfigFile());
  EXPECT_EQ(ini.ReadInteger(QStringLiteral("Option"), QStringLiteral("ViewMode"), 0), 7);
  EXPECT_EQ(ini.ReadString(QStringLiteral("Option"), QStringLiteral("ErrorDialog"), QString()),
            QStringLiteral("1"));
}

TEST_F(MainWindowTest, LibraryCheckDialogOnlyWhenALibraryIsMissing) {
  struct Row {
    QStringList present;
    bool errorDialog;
    bool shown;
    bool lha, zip, cab;
  } rows[] = {
      {{}, false, true, false, false, false},
      {{QStringLiteral("system/unlha32.so"), QStringLiteral("windows/cab32.so")}, false, true, true, false, true},
      {{}, true, false, false, false, false},
      {{QStringLiteral("windows/unlha32.so"), QStringLiteral("windows/unzip32.so"),
        QStringLiteral("system/cab32.so")},
       false, false, true, true, true},
  };
  for (const Row& r : rows) {
    QDir(Home() + QStringLiteral("/windows")).removeRecursively();
    QDir(Home() + QStringLiteral("/system")).removeRecursively();
    for (const QString& p : r.present) Write(p, "");
    Settings = TSettings();
    Settings.ErrorDialog = r.errorDialog;
    QFile::remove(ConfigFile());
    if (r.errorDialog) Write(QStringLiteral(".config/zot/zot.ini"), "[Option]\nErrorDialog=1\n");
    modalDialogs.clear();
    TForm1 form;
    EXPECT_EQ(modalDialogs.contains(QStringLiteral("ErrDlg")), r.shown) << r.present.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(HasLhaDll, r.lha);
    EXPECT_EQ(HasZipDll, r.zip);
    EXPECT_EQ(HasCabDll, r.cab);
  }
}

TEST_F(MainWindowTest, LeftoverTempRootIsOfferedForDeletion) {
  AllLibraries();
  const QString old = Write(QStringLiteral(".local/share/zot/tool/setup.exe"), "MZ");

  answer = QMessageBox::No;
  { TForm1 form; }
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, QStringLiteral("一時解凍フォルダーの中身をすべて削除します。"));
  EXPECT_EQ(messages[0].icon, QMessageBox::Warning);
  EXPECT_EQ(messages[0].buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_TRUE(QFile::exists(old));

  answer = QMessageBox::Yes;
  auto form = Create();
  EXPECT_EQ(messages.size(), 2u);
  EXPECT_FALSE(QFile::exists(old));
  EXPECT_TRUE(QFileInfo(TempRoot).isDir());  // made anew for this run
}

TEST_F(MainWindowTest, CloseRemovesTempRootAndSavesSettings) {
  AllLibraries();
  auto form = Create();
  Write(QStringLiteral(".local/share/zot/tool/readme.txt"), "r");
  EXPECT_TRUE(form->close());
  EXPECT_TRUE(messages.empty());
  EXPECT_FALSE(QFileInfo::exists(TempRoot));
  EXPECT_TRUE(QFile::exists(ConfigFile()));
  EXPECT_EQ(QDir::currentPath(), QCoreApplication::applicationDirPath());
}

TEST_F(MainWindowTest, CloseWhileAProgramRunsFromTempRootAsksFirst) {
  AllLibraries();
  auto form = Create();
  const QString held = Write(QStringLiteral(".local/share/zot/tool/app.dat"), "busy");
  QProcess program;
  program.setWorkingDirectory(Home() + QStringLiteral("/.local/share/zot/tool"));
  program.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("exec 3<app.dat; exec /bin/sleep 30")});
  ASSERT_TRUE(program.waitForStarted());
  ASSERT_TRUE(WaitUntil([&] { return !platform::PathsInUse(QFile::encodeName(held).toStdString()).empty(); }));

  answer = QMessageBox::No;
  form->ToolButton2->trigger();
  EXPECT_FALSE(form->close());
  EXPECT_TRUE(form->isVisible());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text,
            QStringLiteral("まだ一時解凍のアプリケーションが動作しています。\n強制終了しますか？\n\n"
                           "強制終了した場合、解凍動作中のアプリケーションが正常に動作しなくなる可能性があります。"));
  EXPECT_EQ(messages[0].icon, QMessageBox::Critical);
  EXPECT_EQ(messages[0].buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_TRUE(QFile::exists(held));
  // Saved even though the window stays.
  EXPECT_FALSE(TIniFile(ConfigFile()).ReadBool(QStringLiteral("Window"), QStringLiteral("MemoFlag"), true));

  // A later attempt tries again; Yes ends the program and leaves the files.
  answer = QMessageBox::Yes;
  EXPECT_TRUE(form->close());
  EXPECT_EQ(messages.size(), 2u);
  EXPECT_TRUE(QFile::exists(held));

  program.kill();
  program.waitForFinished();
}

TEST_F(MainWindowTest, CloseReleasesTheViewer) {
  AllLibraries();
  auto form = Create();
  ViewerForm = new QWidget;
  QPointer<QWidget> viewer = ViewerForm;
  form->close();
  EXPECT_TRUE(viewer.isNull());
  EXPECT_TRUE(ViewerForm.isNull());
}

TEST_F(MainWindowTest, EnterActivatesTheExitButton) {
  AllLibraries();
  auto form = Create();
  QTest::keyClick(form.get(), Qt::Key_Return);
  EXPECT_TRUE(WaitUntil([&] { return !form->isVisible(); }));
  EXPECT_TRUE(QFile::exists(ConfigFile()));
}

TEST_F(MainWindowTest, EnterOnAFocusedButtonIsThatButtonsAndTheKeypadEnterCounts) {
  AllLibraries();
  auto form = Create();
  for (QPushButton* b : {form->BitBtn2, form->BitBtn3, form->BitBtn4}) {
    b->setEnabled(true);
    QSignalSpy clicked(b, &QPushButton::clicked);
    QSignalSpy exits(form->BitBtn1, &QPushButton::clicked);
    b->setFocus();
    for (auto [key, mods] : {std::pair{Qt::Key_Return, Qt::NoModifier}, {Qt::Key_Enter, Qt::KeypadModifier}})
      QTest::keyClick(b, key, mods);
    EXPECT_EQ(clicked.count(), 2) << b->text().toStdString();
    EXPECT_EQ(exits.count(), 0) << b->text().toStdString();
    EXPECT_TRUE(form->isVisible());
  }
  // Elsewhere the keypad's Enter is the exit button's, like Return.
  form->ListView1->CurrentView()->setFocus();
  QTest::keyClick(form->ListView1->CurrentView(), Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_TRUE(WaitUntil([&] { return !form->isVisible(); }));
}

TEST_F(MainWindowTest, AWindowPlacedOffEveryScreenComesBack) {
  Write(QStringLiteral(".config/zot/zot.ini"), "[Window]\nLeft=-20000\nTop=15000\nHeight=391\nWidth=635\n");
  auto form = Create();
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_TRUE(area.contains(form->pos())) << form->pos().x() << "," << form->pos().y();
  // One that shows its top on a screen stays where it was put.
  form.reset();
  Write(QStringLiteral(".config/zot/zot.ini"), "[Window]\nLeft=30\nTop=40\n");
  form = Create();
  EXPECT_EQ(form->pos(), QPoint(30, 40));
}

TEST_F(MainWindowTest, ASettingsFileThatCannotBeWrittenIsToldOnce) {
  AllLibraries();
  QDir().mkpath(ConfigFile());  // a folder where the file should be
  auto form = Create();
  answer = QMessageBox::No;
  form->close();
  form->close();
  int told = 0;
  for (const Message& m : messages) told += m.text.contains(QStringLiteral("を保存できませんでした")) ? 1 : 0;
  EXPECT_EQ(told, 1);
}

TEST_F(MainWindowTest, RememberedFolderIsOpenedAtStart) {
  AllLibraries();
  QDir().mkpath(Home() + QStringLiteral("/data"));
  Write(QStringLiteral(".config/zot/zot.ini"), ("[Tree]\nFolder=" + Home() + "/data\n").toUtf8());
  auto form = Create();
  EXPECT_EQ(form->FolderTreeViewEx1->GetFolderName(), Home() + QStringLiteral("/data"));
}

TEST_F(MainWindowTest, AGoneFolderOpensAtHome) {
  AllLibraries();
  Write(QStringLiteral(".config/zot/zot.ini"), ("[Tree]\nFolder=" + Home() + "/gone/archive.lzh\n").toUtf8());
  auto form = Create();
  EXPECT_EQ(form->FolderTreeViewEx1->GetFolderName(), Home());
  EXPECT_EQ(Settings.Folder, Home() + QStringLiteral("/gone/archive.lzh"));  // kept until another choice
}

TEST_F(MainWindowTest, HelpOpensTheHtmlFileBesideTheProgram) {
  AllLibraries();
  auto form = Create();
  const QString help = HelpFilePath();
  EXPECT_TRUE(help.endsWith(QStringLiteral(".html")));
  const bool present = QFile::exists(help);
  FakeOnPath(QStringLiteral("xdg-open"));
  form->Contents1->trigger();
  if (present) {
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(starts[0].args, QStringList{help});
    EXPECT_TRUE(messages.empty());
  } else {
    EXPECT_TRUE(starts.empty());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.startsWith(QStringLiteral("ヘルプファイル")));
  }
}

}  // namespace
