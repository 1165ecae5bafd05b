// The main window browsing folders and listing archives, with the real
// archiver modules on fixture archives.
#include "app/IniFile.h"
#include "app/glyphs.h"
#include "app/kinds.h"
#include "app/main.h"
#include "components/FTVEX/FTVEX.h"
#include "platform/folders.h"
#include "window_support.h"

#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QTreeView>
#include <QStandardItemModel>

#include <memory>

namespace {

const QString kData = QStringLiteral(ZOT_TEST_DATA);

class ListingTest : public ZotTest {
 protected:
  void SetUp() override {
    ZotTest::SetUp();
    folder = Home() + QStringLiteral("/files");
    Write(QStringLiteral("files/plain.exe"), QByteArray("MZ") + QByteArray(400, '\0'));
    for (const char* name : {"kinds.zip", "level2.lzh", "basic.cab", "lhasfx.exe", "zipsfx.exe", "truncated.lzh"})
      QFile::copy(kData + QLatin1Char('/') + QLatin1String(name), folder + QLatin1Char('/') + QLatin1String(name));
    Write(QStringLiteral("files/readme.txt"), "not listed");
    Write(QStringLiteral("files/big.lzh"), QByteArray(1234567, 'x'));
    QDir().mkpath(folder + QStringLiteral("/sub"));
    shell::SetComputerRoots({Home()});
    Settings.ErrorDialog = true;
  }
  void TearDown() override {
    shell::SetComputerRoots({});
    ZotTest::TearDown();
  }
  std::unique_ptr<TForm1> Create(bool modules = true) {
    if (modules) platform::SetLibraryFolders(platform::ProgramFolder(), platform::ProgramFolder());
    Write(QStringLiteral(".config/zot/zot.ini"), "[Option]\nErrorDialog=1\n");
    auto form = std::make_unique<TForm1>();
    form->show();
    return form;
  }
  static int IconOf(TForm1& f, int row) {
    const QImage shown = f.ListView1->Items()->item(row, 0)->icon().pixmap(16).toImage();
    for (int i = 0; i < 4; ++i)
      if (glyphs::MemberIcon(i).pixmap(16).toImage() == shown) return i;
    return -1;
  }
  QString folder;
};

TEST_F(ListingTest, MembersAreListedByKind) {
  auto form = Create();
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder + QStringLiteral("/kinds.zip")));
  EXPECT_EQ(form->ArchivePath, folder + QStringLiteral("/kinds.zip"));
  // Programs, text, HTML (an upper-case .HTM once), then the rest, without extension last.
  EXPECT_EQ(ListCaptions(*form), (QStringList{QStringLiteral("setup.exe"), QStringLiteral("readme.txt"),
                                           QStringLiteral("PAGE.HTM"), QStringLiteral("index.htm"),
                                           QStringLiteral("data.bin"), QStringLiteral("NOEXT")}));
  const int icons[] = {0, 1, 2, 2, 3, 3};
  for (int r = 0; r < 6; ++r) EXPECT_EQ(IconOf(*form, r), icons[r]) << r;
  EXPECT_EQ(form->ListView1->Items()->item(1, 1)->text(), QStringLiteral("           7"));
  EXPECT_EQ(form->ListView1->Items()->item(1, 2)->text(), QStringLiteral("2024/05/17   13:45:30"));
  // Sizes and dates sit in the middle of their columns, as their headers do.
  EXPECT_EQ(form->ListView1->Items()->item(1, 1)->textAlignment(), Qt::AlignCenter);
  EXPECT_EQ(form->ListView1->Items()->item(1, 2)->textAlignment(), Qt::AlignCenter);
  EXPECT_EQ(Settings.Folder, folder + QStringLiteral("/kinds.zip"));
}

TEST_F(ListingTest, ButtonsFollowTheSelection) {
  auto form = Create();
  auto state = [&] { return std::make_pair(form->BitBtn2->isEnabled(), form->BitBtn3->isEnabled()); };
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder));
  EXPECT_EQ(state(), std::make_pair(false, false));
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder + QStringLiteral("/plain.exe")));
  EXPECT_EQ(state(), std::make_pair(false, false));
  EXPECT_TRUE(ListCaptions(*form).isEmpty());
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder + QStringLiteral("/kinds.zip")));
  EXPECT_EQ(state(), std::make_pair(false, true));

  struct Row {
    const char* member;
    bool run;
    QString TForm1::*field;
  } rows[] = {{"setup.exe", true, &TForm1::ExecMember},
              {"readme.txt", false, &TForm1::TextMember},
              {"index.htm", true, &TForm1::HtmlMember},
              {"data.bin", false, nullptr}};
  for (const Row& r : rows) {
    SelectEntry(*form, QLatin1String(r.member));
    EXPECT_EQ(state(), std::make_pair(r.run, true)) << r.member;
    if (r.field) {
      EXPECT_EQ((*form).*(r.field), QLatin1String(r.member));
    }
  }
  // Folder mode: nothing runs from here; archives and programs are told apart.
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder));
  SelectEntry(*form, QStringLiteral("lhasfx.exe"));
  EXPECT_EQ(form->FolderArchive, folder + QStringLiteral("/lhasfx.exe"));
  SelectEntry(*form, QStringLiteral("plain.exe"));
  EXPECT_EQ(form->FolderProgram, folder + QStringLiteral("/plain.exe"));
  SelectEntry(*form, QStringLiteral("basic.cab"));
  EXPECT_EQ(form->FolderArchive, folder + QStringLiteral("/basic.cab"));
  EXPECT_FALSE(form->BitBtn2->isEnabled());
}

TEST_F(ListingTest, FoldersListTheirArchivesAndPrograms) {
  auto form = Create();
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder));
  QStringList captions = ListCaptions(*form);
  captions.sort();
  EXPECT_EQ(captions, (QStringList{QStringLiteral("basic.cab"), QStringLiteral("big.lzh"), QStringLiteral("kinds.zip"),
                                    QStringLiteral("level2.lzh"), QStringLiteral("lhasfx.exe"),
                                    QStringLiteral("plain.exe"), QStringLiteral("truncated.lzh"),
                                    QStringLiteral("zipsfx.exe")}));
  const int big = ListCaptions(*form).indexOf(QStringLiteral("big.lzh"));
  EXPECT_EQ(form->ListView1->Items()->item(big, 1)->text(), QStringLiteral("   1,234,567"));
  EXPECT_TRUE(form->ListView1->Items()->item(big, 2)->text().contains(QStringLiteral("   ")));
  EXPECT_FALSE(form->ListView1->Items()->item(big, 0)->icon().isNull());
}

TEST_F(ListingTest, SelfExtractingProgramsListTheirMembers) {
  auto form = Create();
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder + QStringLiteral("/lhasfx.exe")));
  EXPECT_EQ(ListCaptions(*form).first(), QStringLiteral("bin/setup.exe"));
  EXPECT_TRUE(form->BitBtn3->isEnabled());
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder + QStringLiteral("/zipsfx.exe")));
  EXPECT_TRUE(ListCaptions(*form).contains(QStringLiteral("doc/a.txt")));
}

TEST_F(ListingTest, WithoutTheZipModuleAZipListsNothingButCanBeExtracted) {
  auto form = Create(false);
  EXPECT_FALSE(HasZipDll);
  ASSERT_FALSE(form->FolderTreeViewEx1->SelectPath(folder + QStringLiteral("/kinds.zip")) &&
               !form->ArchivePath.isEmpty());
  form->FolderTreeViewEx1Change(folder + QStringLiteral("/kinds.zip"));
  EXPECT_TRUE(ListCaptions(*form).isEmpty());
  EXPECT_TRUE(form->ArchivePath.isEmpty());
  EXPECT_FALSE(form->BitBtn2->isEnabled());
  EXPECT_TRUE(form->BitBtn3->isEnabled());
  // Nor are ZIP files listed in their folder.
  form->FolderTreeViewEx1Change(folder);
  EXPECT_FALSE(ListCaptions(*form).contains(QStringLiteral("kinds.zip")));
  EXPECT_TRUE(ListCaptions(*form).contains(QStringLiteral("plain.exe")));
}

TEST_F(ListingTest, APassThatFailsStillClosesTheArchiveAndTheNextPassesRun) {
  auto form = Create(false);
  HasLhaDll = true;
  InstallModule("fake_unlha32_nofindnext", "unlha32.so");
  // Two members of each kind: FindNext (missing in this module) is needed in every pass.
  const QString arc = Write(QStringLiteral("files/fake.lzh"), "FAKE lha\na.exe|1|1|0|0\nb.exe|1|1|0|0\n"
                                                            "a.txt|1|1|0|0\nb.txt|1|1|0|0\nx.bin|1|1|0|0\ny.bin|1|1|0|0\n");
  ClearModuleLog();
  form->FolderTreeViewEx1Change(arc);
  const QStringList log = ModuleLog();
  EXPECT_EQ(log.filter(QStringLiteral("OpenArchive")).size(), 7);
  EXPECT_EQ(log.filter(QStringLiteral("CloseArchive")).size(), 7);
  // The passes that found a member failed on the next one: ".exe", ".txt" and "*.*".
  EXPECT_EQ(messages.size(), 3u);
  // What each pass found before it failed is listed.
  EXPECT_EQ(ListCaptions(*form), (QStringList{QStringLiteral("a.exe"), QStringLiteral("a.txt")}));
}

TEST_F(ListingTest, ErrorsOfTheArchiveLayerAreShownForEveryPass) {
  auto form = Create();
  // The module goes away after the start-up check found it.
  platform::SetLibraryFolders(Home() + QStringLiteral("/none"), Home() + QStringLiteral("/none"));
  form->FolderTreeViewEx1Change(folder + QStringLiteral("/level2.lzh"));
  // ".com", ".exe", ".txt", ".rtf", ".html", ".htm" and "*.*": each pass tries and tells.
  ASSERT_EQ(messages.size(), 7u);
  for (const Message& m : messages) EXPECT_EQ(m.text, QStringLiteral("LHA 形式書庫 を扱うには UNLHA32.DLL が 必要です。"));
  EXPECT_TRUE(ListCaptions(*form).isEmpty());
  // A damaged archive simply lists nothing.
  platform::SetLibraryFolders(platform::ProgramFolder(), platform::ProgramFolder());
  form->FolderTreeViewEx1Change(folder + QStringLiteral("/truncated.lzh"));
  EXPECT_EQ(messages.size(), 7u);
}

TEST_F(ListingTest, PopupMenuOnlyForArchiveMembers) {
  auto form = Create();
  auto request = [&] {
    QTreeView* view = form->ListView1->ReportView();
    emit view->customContextMenuRequested(QPoint(10, 10));
    const bool shown = form->PopupMenu1->isVisible();
    form->PopupMenu1->hide();
    return shown;
  };
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder));
  SelectEntry(*form, QStringLiteral("kinds.zip"));
  EXPECT_FALSE(request());
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder + QStringLiteral("/kinds.zip")));
  EXPECT_FALSE(request());  // nothing selected yet
  SelectEntry(*form, QStringLiteral("readme.txt"));
  EXPECT_TRUE(request());
  QStringList items;
  for (QAction* a : form->PopupMenu1->actions()) items << a->text();
  EXPECT_EQ(items, (QStringList{QStringLiteral("実行"), QStringLiteral("見る")}));
}

TEST_F(ListingTest, TheSameEntryIsNotClassifiedTwice) {
  auto form = Create();
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder + QStringLiteral("/kinds.zip")));
  SelectEntry(*form, QStringLiteral("setup.exe"));
  form->ExecMember.clear();
  SelectEntry(*form, QStringLiteral("setup.exe"));
  EXPECT_TRUE(form->ExecMember.isEmpty());
  // A new listing starts over.
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder + QStringLiteral("/level2.lzh")));
  ASSERT_TRUE(form->FolderTreeViewEx1->SelectPath(folder + QStringLiteral("/kinds.zip")));
  SelectEntry(*form, QStringLiteral("setup.exe"));
  EXPECT_EQ(form->ExecMember, QStringLiteral("setup.exe"));
}

}  // namespace

namespace {

// What makes a member a program, from its name and the module's flags.
TEST(MemberKindTest, WhatMakesAMemberAProgram) {
  const QString saved = ExtensionTable[0];
  ExtensionTable[0] = QStringLiteral(".txt");  // as the window sets it
  const uint8_t x = CA_MEMBER_EXECUTABLE, elf = CA_MEMBER_ELF, script = CA_MEMBER_SCRIPT;
  struct Row {
    const char* name;
    uint8_t flags;
    bool native;
    TMemberKind kind;
  } rows[] = {
      {"setup.exe", 0, false, mkProgram},          {"SETUP.COM", x, false, mkProgram},
      {"bin/tool", uint8_t(x | elf), true, mkProgram}, {"run", uint8_t(x | script), true, mkProgram},
      {"tool", elf, false, mkOther},               {"run", script, false, mkOther},   // no execute bit
      {"notes.txt", x, false, mkText},             {"data.bin", x, false, mkOther},   // bit, but neither
      {"install.sh", 0, true, mkProgram},          {"App-1.2.AppImage", 0, true, mkProgram},
      {"readme.txt", uint8_t(x | script), true, mkProgram}, {"wine.exe", uint8_t(x | elf), false, mkProgram},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(IsLinuxProgram(QLatin1String(r.name), r.flags), r.native) << r.name;
    EXPECT_EQ(MemberKindOf(QLatin1String(r.name), r.flags), r.kind) << r.name;
  }
  ExtensionTable[0] = saved;
}

}  // namespace

namespace {

// A missing optional module hides only its own kinds; the start-up check's
// three modules are the window's flags, as before.
TEST(MemberKindTest, AMissingModuleHidesOnlyItsKinds) {
  const bool lha = HasLhaDll, zip = HasZipDll, cab = HasCabDll;
  HasLhaDll = HasZipDll = true;
  HasCabDll = false;
  NoteArchiveModules([](const char* module) { return std::string(module) != "7-zip32.dll"; });
  const QStringList endings = ShownEndings();
  for (const char* shown : {".exe", ".lzh", ".lha", ".zip", ".rar", ".tar", ".tar.xz", ".tzst", ".tgz"})
    EXPECT_TRUE(endings.contains(QLatin1String(shown))) << shown;
  EXPECT_FALSE(endings.contains(QStringLiteral(".7z")));
  EXPECT_FALSE(endings.contains(QStringLiteral(".cab")));
  EXPECT_FALSE(ArchiveModulePresent(QStringLiteral("/x/tool.7z")));
  EXPECT_TRUE(ArchiveModulePresent(QStringLiteral("/x/App-1.2.TAR.XZ")));
  EXPECT_FALSE(ArchiveModulePresent(QStringLiteral("/x/notes.gz")));
  NoteArchiveModules([](const char*) { return false; });
  HasLhaDll = lha;
  HasZipDll = zip;
  HasCabDll = cab;
}

}  // namespace
