// Running from the temporary folder, viewing members and the history window.
#include "Arcive/ZIP32.h"
#include "app/IniFile.h"
#include "app/filelist.h"
#include "app/main.h"
#include "app/memo.h"
#include "app/password.h"
#include "app/tenkai.h"
#include "components/FTVEX/FTVEX.h"
#include "platform/folders.h"
#include "platform/inuse.h"
#include "platform/process.h"
#include "craft.h"
#include "window_support.h"

#include <QFile>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolBar>

#include <memory>

#include <sys/stat.h>

namespace {

const QString kData = QStringLiteral(ZOT_TEST_DATA);

class RunTest : public WindowTest {
 protected:
  void SetUp() override {
    ZotTest::SetUp();
    folder = Home() + QStringLiteral("/files");
    Write(QStringLiteral("files/tool.exe"), "#!/bin/sh\nexit 0\n#" + QByteArray(300, '-') + "\n");
    Write(QStringLiteral("files/win.exe"), QByteArray("MZ") + QByteArray(300, '\0'));
    QFile::copy(kData + QStringLiteral("/level2.lzh"), folder + QStringLiteral("/tool.beta.lzh"));
    QFile::copy(kData + QStringLiteral("/docs.zip"), folder + QStringLiteral("/docs.zip"));
    StartWindow();
  }
  void Select(const QString& caption) { SelectEntry(*form, caption); }
  TForm2* Viewer() { return qobject_cast<TForm2*>(ViewerForm.data()); }
  QString folder;
};

TEST_F(RunTest, RunButtonExtractsEverythingAndStartsTheProgramInItsFolder) {
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder + QStringLiteral("/tool.beta.lzh")));
  Select(QStringLiteral("bin/setup.exe"));
  ASSERT_TRUE(form->BitBtn2->isEnabled());
  EXPECT_FALSE(form->BitBtn4->isEnabled());
  form->BitBtn2->click();
  const QString run = TempRoot + QStringLiteral("tool");
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].program, run + QStringLiteral("/bin/setup.exe"));
  EXPECT_EQ(starts[0].workDir, run + QStringLiteral("/bin"));
  EXPECT_EQ(QDir::currentPath(), run + QStringLiteral("/bin"));
  EXPECT_EQ(History, QStringList{run + QStringLiteral("/bin/setup.exe")});
  EXPECT_TRUE(form->BitBtn4->isEnabled());
  // Every member is there, beside the program.
  EXPECT_EQ(ReadAll(run + QStringLiteral("/doc/a.txt")), QStringLiteral("body\n"));
  form->BitBtn2->click();
  EXPECT_EQ(History.size(), 2);
  EXPECT_EQ(History[0], History[1]);
  EXPECT_TRUE(messages.empty());
}

TEST_F(RunTest, RunOnAMemberOpensItWithTheDesktop) {
  FakeOnPath(QStringLiteral("xdg-open"));
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder + QStringLiteral("/tool.beta.lzh")));
  form->ToolButton2->setChecked(false);  // no automatic viewing here
  Select(QStringLiteral("readme.txt"));
  form->N2->trigger();
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].args, QStringList{TempRoot + QStringLiteral("readme.txt")});
  EXPECT_TRUE(QFile::exists(TempRoot + QStringLiteral("readme.txt")));
  EXPECT_FALSE(QFile::exists(TempRoot + QStringLiteral("tool")));  // only that member
  EXPECT_FALSE(QFile::exists(TempRoot + QStringLiteral("nums.txt")));
}

TEST_F(RunTest, DoubleClicksOpenArchivesAndStartPlainPrograms) {
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder));
  Select(QStringLiteral("tool.beta.lzh"));
  form->ListView1DblClick();
  EXPECT_EQ(form->ArchivePath, folder + QStringLiteral("/tool.beta.lzh"));
  EXPECT_TRUE(form->ListView1->Items()->rowCount() > 0);
  EXPECT_TRUE(starts.empty());

  // Clicking the selected folder lists it again.
  form->FolderTreeViewEx1Click(folder);
  Select(QStringLiteral("tool.exe"));
  form->ListView1DblClick();
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].program, folder + QStringLiteral("/tool.exe"));
  EXPECT_EQ(starts[0].workDir, folder);
  EXPECT_TRUE(History.isEmpty());

  // A Windows program without wine says why it cannot start.
  Select(QStringLiteral("win.exe"));
  form->ListView1DblClick();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].text.contains(QStringLiteral("wine")));
}

TEST_F(RunTest, TextViewShowsTheMemberAndRemovesIt) {
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder + QStringLiteral("/tool.beta.lzh")));
  Select(QStringLiteral("doc/a.txt"));  // automatic viewing is on
  ASSERT_TRUE(Viewer());
  EXPECT_EQ(Viewer()->windowTitle(), QStringLiteral("テキスト　ビューア 【") + TempRoot + QStringLiteral("doc/a.txt】"));
  EXPECT_EQ(Viewer()->RichEdit1->toPlainText(), QStringLiteral("body\n"));
  EXPECT_FALSE(Viewer()->ToolBar1->isVisible());
  EXPECT_FALSE(QFile::exists(TempRoot + QStringLiteral("doc/a.txt")));

  // "見る" on a program does nothing; automatic viewing off waits for "見る".
  Select(QStringLiteral("bin/setup.exe"));
  Viewer()->RichEdit1->setPlainText(QStringLiteral("unchanged"));
  form->N3->trigger();
  EXPECT_EQ(Viewer()->RichEdit1->toPlainText(), QStringLiteral("unchanged"));
  form->ToolButton2->trigger();
  Select(QStringLiteral("readme.txt"));
  EXPECT_EQ(Viewer()->RichEdit1->toPlainText(), QStringLiteral("unchanged"));
  form->N3->trigger();
  EXPECT_EQ(Viewer()->RichEdit1->toPlainText(), QStringLiteral("hello\n"));
}

TEST_F(RunTest, JapaneseTextInAnyEncodingAndRtfWithItsFormatting) {
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder + QStringLiteral("/docs.zip")));
  Select(QStringLiteral("readme.txt"));
  ASSERT_TRUE(Viewer());
  EXPECT_TRUE(Viewer()->RichEdit1->toPlainText().startsWith(QStringLiteral("ピポラ！のテスト\n日本語のテキストです。")));
  form->TextMember.clear();
  Select(QStringLiteral("euc.txt"));
  form->N3->trigger();
  EXPECT_EQ(Viewer()->RichEdit1->toPlainText(), QStringLiteral("日本語の EUC-JP 文書\n"));

  Select(QStringLiteral("sample.rtf"));
  const QTextDocument* doc = Viewer()->RichEdit1->document();
  EXPECT_TRUE(doc->toPlainText().startsWith(QStringLiteral("Plain Bold Red 日本 日\nSecond line")));
  bool bold = false, red = false, italic = false;
  for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      const QTextFragment f = it.fragment();
      if (f.text() == QStringLiteral("Bold")) bold = f.charFormat().fontWeight() == QFont::Bold;
      if (f.text().contains(QStringLiteral("Red"))) red = f.charFormat().foreground().color() == QColor(255, 0, 0);
      if (f.text() == QStringLiteral("Second")) italic = f.charFormat().fontItalic();
    }
  EXPECT_TRUE(bold);
  EXPECT_TRUE(red);
  EXPECT_TRUE(italic);
}

TEST_F(RunTest, ViewerKeepsItsPlaceAcrossCloseAndReopen) {
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder + QStringLiteral("/tool.beta.lzh")));
  Select(QStringLiteral("readme.txt"));
  ASSERT_TRUE(Viewer());
  EXPECT_EQ(Viewer()->size(), QSize(400, 400));
  Viewer()->resize(520, 310);
  Viewer()->move(40, 50);
  QPointer<TForm2> first = Viewer();
  // Kept as the desktop shows it, frame included.
  const QSize outer = first->frameGeometry().size();
  QTest::keyClick(Viewer(), Qt::Key_Escape);
  EXPECT_TRUE(WaitUntil([&] { return first.isNull(); }));
  EXPECT_EQ(Settings.MemoWidth, outer.width());
  EXPECT_EQ(Settings.MemoHeight, outer.height());
  form->N3->trigger();
  ASSERT_TRUE(Viewer());
  EXPECT_EQ(Viewer()->size(), QSize(520, 310));
  EXPECT_EQ(Viewer()->pos(), QPoint(40, 50));
}

TEST_F(RunTest, HtmlMembersShowInTheBrowserPaneFromTheRunFolder) {
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder + QStringLiteral("/docs.zip")));
  Select(QStringLiteral("index.htm"));
  ASSERT_TRUE(form->BitBtn2->isEnabled());
  form->BitBtn2->click();
  ASSERT_TRUE(Viewer());
  const QString page = TempRoot + QStringLiteral("docs/index.htm");
  EXPECT_EQ(Viewer()->windowTitle(), QStringLiteral("Html　ビューア 【") + page + QStringLiteral("】"));
  EXPECT_EQ(Viewer()->StartUrl, page);
  EXPECT_FALSE(Viewer()->ToolBar1->isHidden());
  TWebBrowser* web = Viewer()->WebBrowser1;
  EXPECT_TRUE(web->toPlainText().contains(QStringLiteral("ようこそ")));  // Shift-JIS read by its meta charset
  // Links and pictures resolve beside the page.
  EXPECT_FALSE(web->loadResource(QTextDocument::ImageResource, web->source().resolved(QUrl(QStringLiteral("img/dot.png")))).isNull());
  // The user's own files are out of a page's reach.
  Write(QStringLiteral("secret.txt"), "s");
  EXPECT_TRUE(web->loadResource(QTextDocument::HtmlResource, QUrl::fromLocalFile(Home() + QStringLiteral("/secret.txt"))).isNull());
  EXPECT_TRUE(web->loadResource(QTextDocument::HtmlResource, web->source().resolved(QUrl(QStringLiteral("../../../../secret.txt")))).isNull());
  web->setSource(web->source().resolved(QUrl(QStringLiteral("sub/next.htm"))));
  EXPECT_TRUE(web->toPlainText().contains(QStringLiteral("次のページ")));
  Viewer()->ToolButton2->trigger();  // back
  EXPECT_TRUE(web->toPlainText().contains(QStringLiteral("ようこそ")));
  // An address on the web goes to the desktop's browser; the page stays.
  FakeOnPath(QStringLiteral("xdg-open"));
  emit web->anchorClicked(QUrl(QStringLiteral("https://zot.example.org/")));
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].args, QStringList{QStringLiteral("https://zot.example.org/")});
  EXPECT_TRUE(web->toPlainText().contains(QStringLiteral("ようこそ")));
  starts.clear();
  Viewer()->ToolButton2->trigger();  // nothing further back: no error
  Viewer()->ToolButton1->trigger();  // home
  EXPECT_EQ(web->source(), QUrl::fromLocalFile(page));
  EXPECT_TRUE(History.isEmpty());
}

TEST_F(RunTest, HistoryWindowStartsProgramsAgain) {
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder + QStringLiteral("/tool.beta.lzh")));
  Select(QStringLiteral("bin/setup.exe"));
  form->BitBtn2->click();
  form->BitBtn2->click();
  starts.clear();
  TForm4 history(form.get());
  EXPECT_EQ(history.windowTitle(), QStringLiteral("履歴"));
  ASSERT_EQ(history.ListBox1->count(), 2);
  EXPECT_EQ(history.ListBox1->item(0)->text(), QStringLiteral("setup.exe"));
  history.BitBtn1->click();  // nothing selected: nothing starts
  EXPECT_TRUE(starts.empty());
  history.ListBox1->item(1)->setSelected(true);
  history.BitBtn1->click();
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].program, History[1]);
  EXPECT_EQ(History.size(), 2);  // starting again adds no entry
  EXPECT_EQ(history.BitBtn1->text(), QStringLiteral("実  行"));
  EXPECT_EQ(history.BitBtn2->text(), QStringLiteral("閉じる(&C)"));
}

TEST_F(RunTest, EndToEndARealProgramRunsAndItsFilesGoAtClose) {
  platform::SetLauncher({});  // really start it
  // A native program packed, with its executable bit, by our own ZIP module.
  QDir().mkpath(Home() + QStringLiteral("/pack"));
  ASSERT_TRUE(QFile::copy(QStringLiteral(MARKER_PROGRAM), Home() + QStringLiteral("/pack/setup.exe")));
  {
    TZip32 zip;
    QByteArray out(512, '\0');
    ASSERT_EQ(zip.Pack(nullptr, folder + QStringLiteral("/game.zip"), TArchiverOptions(),
                       Home() + QStringLiteral("/pack"), {QStringLiteral("setup.exe")}, false, out),
              0)
        << out.constData();
  }
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder + QStringLiteral("/game.zip")));
  Select(QStringLiteral("setup.exe"));
  form->BitBtn2->click();
  const QString marker = TempRoot + QStringLiteral("game/marker");
  ASSERT_TRUE(WaitUntil([&] { return QFile::exists(marker) && !ReadAll(marker).isEmpty(); }, 10000));
  EXPECT_EQ(ReadAll(marker), QStringLiteral("ran in ") + TempRoot + QStringLiteral("game\n"));
  // The program ends by itself; until then it holds its own file.
  const std::string program = QFile::encodeName(TempRoot + QStringLiteral("game/setup.exe")).toStdString();
  ASSERT_TRUE(WaitUntil([&] { return platform::PathsInUse(program).empty(); }, 10000));
  EXPECT_TRUE(form->close());
  EXPECT_FALSE(QFileInfo::exists(TempRoot));
}

// Hostile archives met through the window, as a user meets them.
TEST_F(RunTest, ClickingAMemberThatLeavesTheFolderTouchesNothingOutside) {
  // TempRoot's parent holds a file of the user's that "../victim.txt" names.
  const QString victim = Write(QStringLiteral(".local/share/victim.txt"), "mine");
  const QString zip = Write(QStringLiteral("files/evil.zip"),
                            craft::Zip({{"../victim.txt", "evil"}, {"doc/../../victim.txt", "evil"}, {"ok.txt", "ok"}}));
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(zip));
  ASSERT_TRUE(form->ToolButton2->isChecked());  // automatic viewing
  for (const char* name : {"../victim.txt", "doc/../../victim.txt"}) {
    messages.clear();
    ASSERT_TRUE(ClickEntry(*form, QString::fromUtf8(name))) << name;
    EXPECT_EQ(ReadAll(victim), QStringLiteral("mine")) << name;
    ASSERT_FALSE(messages.empty()) << name;
    EXPECT_TRUE(messages.back().text.contains(QStringLiteral("展開先フォルダーの外を指している"))) << name;
    EXPECT_FALSE(Viewer() && Viewer()->isVisible()) << name;
    // "実行" and "見る" on it refuse just the same.
    form->N2->trigger();
    form->N3->trigger();
    EXPECT_TRUE(starts.empty());
    EXPECT_EQ(ReadAll(victim), QStringLiteral("mine"));
  }
  // An honest member beside them still shows.
  ASSERT_TRUE(ClickEntry(*form, QStringLiteral("ok.txt")));
  ASSERT_TRUE(Viewer());
  EXPECT_EQ(Viewer()->RichEdit1->toPlainText(), QStringLiteral("ok"));
}

TEST_F(RunTest, AQuoteInTheArchiveNameCannotRedirectTheRun) {
  // The decoy "x" would, read by mistake, write into the home folder.
  Write(QStringLiteral("files/x"), craft::Zip({{".bashrc", "evil"}, {".config/autostart/evil.desktop", "evil"}}));
  const QString bashrc = Write(QStringLiteral(".bashrc"), "mine");
  const QString zip = Write(QStringLiteral("files/x\" \"*\" \".zip"),
                            craft::Zip({{"setup.exe", "#!/bin/sh\n", false, 0100755}, {"readme.txt", "r"}}));
  QDir::setCurrent(Home());
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(zip));
  ASSERT_TRUE(ClickEntry(*form, QStringLiteral("setup.exe")));
  ASSERT_TRUE(form->BitBtn2->isEnabled());
  QTest::mouseClick(form->BitBtn2, Qt::LeftButton);
  EXPECT_EQ(ReadAll(bashrc), QStringLiteral("mine"));
  EXPECT_FALSE(QFileInfo::exists(Home() + QStringLiteral("/.config/autostart")));
  // The run folder is the archive's name up to its first ".".
  const QString run = TempRoot + QStringLiteral("x\" \"*\" \"");
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].program, run + QStringLiteral("/setup.exe"));
  EXPECT_EQ(ReadAll(run + QStringLiteral("/readme.txt")), QStringLiteral("r"));
  EXPECT_TRUE(messages.empty());
}

TEST_F(RunTest, LockedFoldersInTheRunFolderGoAtCloseWithoutAQuestion) {
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder + QStringLiteral("/tool.beta.lzh")));
  ASSERT_TRUE(ClickEntry(*form, QStringLiteral("bin/setup.exe")));
  QTest::mouseClick(form->BitBtn2, Qt::LeftButton);
  // What a started program may leave: folders without write or search permission.
  const QString run = TempRoot + QStringLiteral("tool");
  QDir().mkpath(run + QStringLiteral("/cache/inner"));
  Write(QStringLiteral(".local/share/zot/tool/cache/inner/f"), "f");
  ::chmod(QFile::encodeName(run + QStringLiteral("/cache/inner")).constData(), 0000);
  ::chmod(QFile::encodeName(run + QStringLiteral("/cache")).constData(), 0555);
  ::chmod(QFile::encodeName(run + QStringLiteral("/bin")).constData(), 0555);
  messages.clear();
  QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
  EXPECT_FALSE(form->isVisible());
  EXPECT_FALSE(QFileInfo::exists(TempRoot));
  EXPECT_TRUE(messages.empty());
}

TEST_F(RunTest, SpecialFilesNamedLikeProgramsNeitherListNorBlock) {
  ASSERT_EQ(::mkfifo(QFile::encodeName(folder + QStringLiteral("/pipe.exe")).constData(), 0644), 0);
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder));
  EXPECT_FALSE(ListCaptions(*form).contains(QStringLiteral("pipe.exe")));
  // Selected in the tree (a file manager might hand it over), it lists nothing.
  form->FolderTreeViewEx1Change(folder + QStringLiteral("/pipe.exe"));
  EXPECT_TRUE(ListCaptions(*form).isEmpty());
  EXPECT_FALSE(form->IsSelfExtracting(folder + QStringLiteral("/pipe.exe")));
}

TEST_F(RunTest, AFailedMemberIsSaidAndNotShown) {
  const QString zip = Write(QStringLiteral("files/crc.zip"), craft::Zip({{"bad.txt", "damaged", true}}));
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(zip));
  ASSERT_TRUE(ClickEntry(*form, QStringLiteral("bad.txt")));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].text.contains(QStringLiteral("bad.txt: 展開できません。書庫が壊れています")));
  EXPECT_FALSE(Viewer() && Viewer()->isVisible());
  EXPECT_FALSE(QFileInfo::exists(TempRoot + QStringLiteral("bad.txt")));
}

// The sandbox as the window's user meets it: on by default, wrapping every
// start in bwrap, and a check item in the ﾌｧｲﾙ menu that turns it off.
class SandboxTest : public RunTest {
 protected:
  void SetUp() override {
    ZotTest::SetUp();
    folder = Home() + QStringLiteral("/files");
    Write(QStringLiteral("files/tool.exe"), "#!/bin/sh\nexit 0\n#" + QByteArray(300, '-') + "\n");
  }
  void Start() {
    StartWindow("[Option]\nErrorDialog=1\n");
    ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder));
  }
  void RunTool() {
    ASSERT_TRUE(ClickEntry(*form, QStringLiteral("tool.exe"), true));
  }
  void ClickMenuItem(QMenu* menu, QAction* item) {
    QMenuBar* bar = form->menuBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    ASSERT_TRUE(WaitUntil([&] { return menu->isVisible(); }));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
  }
};

TEST_F(SandboxTest, OnByDefaultInsideBwrapAndTheMenuItemTurnsItOffForGood) {
  FakeOnPath(QStringLiteral("bwrap"));
  Start();
  EXPECT_TRUE(form->Sandbox1->isChecked());
  RunTool();
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].program, Home() + QStringLiteral("/bin/bwrap"));
  const QStringList& a = starts[0].args;
  // The home folder hidden and read-only, the program's folder writable,
  // no network, the program last.
  const qsizetype home = a.indexOf(QDir::homePath(), a.indexOf(QStringLiteral("--tmpfs")));
  EXPECT_EQ(a.value(home - 1), QStringLiteral("--tmpfs"));
  EXPECT_EQ(a.value(a.indexOf(QStringLiteral("--bind")) + 1), folder);
  EXPECT_TRUE(a.contains(QStringLiteral("--remount-ro")));
  EXPECT_TRUE(a.contains(QStringLiteral("--unshare-all")));
  EXPECT_EQ(a.value(a.indexOf(QStringLiteral("--chdir")) + 1), folder);
  EXPECT_EQ(a.mid(a.indexOf(QStringLiteral("--"))), (QStringList{QStringLiteral("--"), folder + QStringLiteral("/tool.exe")}));
  EXPECT_TRUE(messages.empty());

  ClickMenuItem(form->File1, form->Sandbox1);
  EXPECT_FALSE(form->Sandbox1->isChecked());
  RunTool();
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_EQ(starts[1].program, folder + QStringLiteral("/tool.exe"));
  form->close();
  // Written after every other [Option] key.
  const QString ini = ReadAll(ConfigFile());
  EXPECT_TRUE(ini.contains(QStringLiteral("Directory5=\nSandbox=0\n"))) << ini.toStdString();

  // The next start keeps it off.
  form.reset();
  form = std::make_unique<TForm1>();
  form->show();
  EXPECT_FALSE(form->Sandbox1->isChecked());
}

TEST_F(SandboxTest, WithoutBubblewrapItSaysSoOnceAndRunsTheProgram) {
  Start();
  RunTool();
  RunTool();
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_EQ(starts[0].program, folder + QStringLiteral("/tool.exe"));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].text.contains(QStringLiteral("サンドボックスを使えないため")));
  EXPECT_TRUE(messages[0].text.contains(QStringLiteral("bwrap")));
}

// An archive made with zip -P: every way of getting a member out asks for
// the password in the password form, typed like a user types it.
class PasswordRunTest : public RunTest {
 protected:
  void SetUp() override {
    RunTest::SetUp();
    Write(QStringLiteral("pack/setup.exe"), "#!/bin/sh\nexit 0\n");
    Write(QStringLiteral("pack/readme.txt"), "secret text\n");
    QProcess zip;
    zip.setWorkingDirectory(Home() + QStringLiteral("/pack"));
    zip.start(QStringLiteral("/usr/bin/zip"), {QStringLiteral("-q"), QStringLiteral("-P"), QStringLiteral("open sesame"),
                                               folder + QStringLiteral("/locked.zip"), QStringLiteral("setup.exe"),
                                               QStringLiteral("readme.txt")});
    ASSERT_TRUE(zip.waitForFinished());
    ASSERT_EQ(zip.exitCode(), 0) << "tools/deps.sh installs zip";
    ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder + QStringLiteral("/locked.zip")));
  }
  // Answers each password form with the next of answers ("" = キャンセル)
  // and passes other dialogs to other.
  void Answer(QStringList answers, std::function<int(QDialog&)> other = {}) {
    onModal = [this, answers, other](QDialog& d) mutable {
      auto* f = qobject_cast<TPasswordForm*>(&d);
      if (!f) return other ? other(d) : int(QDialog::Accepted);
      forms.push_back({f->windowTitle(), f->Label1->text(), f->Label2->isVisible(), f->Edit1->echoMode(),
                       f->Edit1->accessibleName()});
      const QString a = answers.isEmpty() ? QString() : answers.takeFirst();
      if (a.isEmpty()) {
        QTest::mouseClick(f->BitBtn2, Qt::LeftButton);
      } else {
        QTest::keyClicks(f->Edit1, a);
        shown.push_back(f->Edit1->displayText());
        QTest::mouseClick(f->BitBtn1, Qt::LeftButton);
      }
      return d.result();
    };
  }
  struct Form {
    QString title, text;
    bool wrongShown;
    QLineEdit::EchoMode echo;
    QString accessibleName;
  };
  std::vector<Form> forms;
  QStringList shown;  // what the field showed after typing
};

TEST_F(PasswordRunTest, RunAsksTheUserAndStartsTheProgramWithTheRightPassword) {
  ASSERT_TRUE(ClickEntry(*form, QStringLiteral("setup.exe")));
  Answer({QStringLiteral("open sesame")});
  QTest::mouseClick(form->BitBtn2, Qt::LeftButton);
  ASSERT_EQ(forms.size(), 1u);
  EXPECT_EQ(forms[0].title, QStringLiteral("パスワードの入力"));
  EXPECT_TRUE(forms[0].text.contains(folder + QStringLiteral("/locked.zip")));
  EXPECT_TRUE(forms[0].text.contains(QStringLiteral("setup.exe")));
  EXPECT_FALSE(forms[0].wrongShown);
  EXPECT_EQ(forms[0].echo, QLineEdit::Password);
  EXPECT_EQ(forms[0].accessibleName, QStringLiteral("パスワード"));
  EXPECT_FALSE(shown[0].contains(QStringLiteral("sesame")));  // masked
  ASSERT_EQ(starts.size(), 1u);
  EXPECT_EQ(starts[0].program, TempRoot + QStringLiteral("locked/setup.exe"));
  // One answer for the whole archive.
  EXPECT_EQ(ReadAll(TempRoot + QStringLiteral("locked/readme.txt")), QStringLiteral("secret text\n"));
  EXPECT_TRUE(messages.empty());
  // Nothing of it is kept in the settings.
  form->close();
  EXPECT_FALSE(ReadAll(ConfigFile()).contains(QStringLiteral("sesame")));
}

TEST_F(PasswordRunTest, EncryptedMembersAreListedWithALockAndSaySo) {
  EXPECT_EQ(ListCaptions(*form), (QStringList{QStringLiteral("setup.exe"), QStringLiteral("readme.txt")}));
  for (int row = 0; row < 2; ++row) {
    QStandardItem* item = form->ListView1->Items()->item(row, 0);
    EXPECT_EQ(item->data(Qt::AccessibleDescriptionRole).toString(), QStringLiteral("パスワードで保護されています"));
    EXPECT_EQ(item->toolTip(), QStringLiteral("パスワードで保護されています"));
  }
  // A plain archive's members carry no such mark.
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder + QStringLiteral("/docs.zip")));
  ASSERT_GT(form->ListView1->Items()->rowCount(), 0);
  EXPECT_TRUE(form->ListView1->Items()->item(0, 0)->toolTip().isEmpty());
}

TEST_F(PasswordRunTest, ThreeWrongPasswordsSayItAndStartNothing) {
  ASSERT_TRUE(ClickEntry(*form, QStringLiteral("setup.exe")));
  Answer({QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")});
  QTest::mouseClick(form->BitBtn2, Qt::LeftButton);
  ASSERT_EQ(forms.size(), 3u);
  EXPECT_FALSE(forms[0].wrongShown);
  EXPECT_TRUE(forms[1].wrongShown);
  EXPECT_TRUE(forms[2].wrongShown);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].text.contains(QStringLiteral("setup.exe: パスワードが違います。"))) << messages[0].text.toStdString();
  EXPECT_TRUE(starts.empty());
  EXPECT_TRUE(History.isEmpty());
  EXPECT_FALSE(QFileInfo::exists(TempRoot + QStringLiteral("locked/setup.exe")));
}

TEST_F(PasswordRunTest, TheViewerRunAndExtractAskTheSameWay) {
  // The viewer (automatic viewing is on): a click on the text member.
  Answer({QStringLiteral("open sesame")});
  ASSERT_TRUE(ClickEntry(*form, QStringLiteral("readme.txt")));
  ASSERT_EQ(forms.size(), 1u);
  ASSERT_TRUE(Viewer());
  EXPECT_EQ(Viewer()->RichEdit1->toPlainText(), QStringLiteral("secret text\n"));

  // "実行" from the list's menu, cancelled: nothing is opened.
  FakeOnPath(QStringLiteral("xdg-open"));
  form->ToolButton2->setChecked(false);
  QFile::remove(TempRoot + QStringLiteral("readme.txt"));
  Answer({QString()});
  ASSERT_TRUE(ClickEntry(*form, QStringLiteral("readme.txt")));
  form->N2->trigger();
  EXPECT_EQ(forms.size(), 2u);
  EXPECT_TRUE(starts.empty());
  ASSERT_FALSE(messages.empty());
  EXPECT_TRUE(messages.back().text.contains(QStringLiteral("パスワードが入力されなかったため展開しませんでした。")));

  // "展開" into a folder typed in the dialog.
  const QString dest = Home() + QStringLiteral("/dest");
  QDir().mkpath(dest);
  Answer({QStringLiteral("open sesame")}, [&](QDialog& d) {
    auto& t = static_cast<Tdevelop&>(d);
    if (t.RadioIndex() != 0) QTest::mouseClick(t.RadioButtons[0], Qt::LeftButton, {}, QPoint(8, 8));
    QLineEdit* edit = t.ComboBox1->lineEdit();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, dest);
    if (t.CheckBox1->isChecked()) QTest::mouseClick(t.CheckBox1, Qt::LeftButton, {}, QPoint(8, 8));
    QTest::mouseClick(t.BitBtn1, Qt::LeftButton);
    return d.result();
  });
  QTest::mouseClick(form->BitBtn3, Qt::LeftButton);
  EXPECT_EQ(forms.size(), 3u);
  EXPECT_EQ(ReadAll(dest + QStringLiteral("/readme.txt")), QStringLiteral("secret text\n"));
  EXPECT_TRUE(QFileInfo::exists(dest + QStringLiteral("/setup.exe")));
}

}  // namespace
