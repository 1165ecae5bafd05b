#include "shell/shellfolder.h"
#include "support.h"

#include <QFile>

#include <unistd.h>

namespace {

using namespace shell;

class ShellTest : public ZotTest {
 protected:
  void SetUp() override {
    ZotTest::SetUp();
    Write(QStringLiteral("root/dir/sub/deep.txt"), "d");
    Write(QStringLiteral("root/dir/file2.txt"), "2");
    Write(QStringLiteral("root/dir/file10.txt"), "10");
    Write(QStringLiteral("root/dir/File1.TXT"), "1");
    Write(QStringLiteral("root/dir/.hidden"), "h");
    Write(QStringLiteral("root/empty/only.txt"), "o");
    QDir().mkpath(Home() + QStringLiteral("/root/bare"));
    ASSERT_EQ(::symlink("dir", QFile::encodeName(Home() + QStringLiteral("/root/link")).constData()), 0);
    root = Home() + QStringLiteral("/root");
    SetComputerRoots({QStringLiteral("/"), root});
  }
  void TearDown() override {
    SetComputerRoots({});
    ZotTest::TearDown();
  }
  QStringList Names(const std::shared_ptr<ShellFolder>& folder, uint32_t flags) {
    std::vector<IdList> items = folder->EnumObjects(flags);
    std::sort(items.begin(), items.end(), [&](const IdList& a, const IdList& b) { return folder->CompareIDs(a, b) < 0; });
    QStringList out;
    for (const IdList& i : items) out << folder->GetDisplayNameOf(i, kInFolder);
    return out;
  }
  QString root;
};

TEST_F(ShellTest, ItemIdentifierListsKeepTheBinaryForm) {
  const IdList a = MakeItem(kFile, "ab");
  EXPECT_EQ(a, QByteArray("\x05\x00" "Fab" "\x00\x00", 7));
  EXPECT_EQ(ItemCount(a), 1);
  EXPECT_EQ(ItemSize(a), 7);
  const IdList ab = Concat(a, MakeItem(kFile, "c"));
  EXPECT_EQ(ItemCount(ab), 2);
  EXPECT_EQ(ItemSize(ab), 5 + 4 + 2);
  EXPECT_EQ(FirstItem(ab), a);
  EXPECT_EQ(LastItem(ab), MakeItem(kFile, "c"));
  EXPECT_EQ(WithoutLast(ab), a);
  EXPECT_EQ(NextItem(ab.constData()), ab.constData() + 5);
  EXPECT_EQ(NextItem(NextItem(ab.constData())), nullptr);  // the next is the terminator
  EXPECT_EQ(ItemCount(EmptyList()), 0);
  EXPECT_EQ(ItemSize(IdList()), 0);
  EXPECT_EQ(Concat(IdList(), a), a);
  EXPECT_TRUE(FirstItem(EmptyList()).isNull());
  // A damaged list is read as far as it is whole.
  EXPECT_EQ(ItemCount(QByteArray("\x05\x00" "Fab" "\x40\x00" "F", 8)), 1);
}

TEST_F(ShellTest, DesktopComputerAndFolders) {
  auto desktop = ShellFolder::Desktop();
  EXPECT_EQ(Names(desktop, kFolders), QStringList{QStringLiteral("コンピュータ")});
  auto computer = desktop->BindToObject(MakeItem(kComputer, QByteArray()));
  ASSERT_TRUE(computer);
  EXPECT_EQ(computer->Path(), QString());
  EXPECT_EQ(Names(computer, kFolders).size(), 2);
  auto dir = desktop->BindToObject(desktop->ParseDisplayName(root + QStringLiteral("/dir")));
  ASSERT_TRUE(dir);
  EXPECT_EQ(dir->Path(), root + QStringLiteral("/dir"));
  // Folders first, then names as a person sorts them.
  EXPECT_EQ(Names(dir, kFolders | kNonFolders),
            (QStringList{QStringLiteral("sub"), QStringLiteral("File1.TXT"), QStringLiteral("file2.txt"),
                         QStringLiteral("file10.txt")}));
  EXPECT_EQ(Names(dir, kNonFolders | kIncludeHidden).first(), QStringLiteral(".hidden"));
  EXPECT_EQ(Names(dir, kFolders), QStringList{QStringLiteral("sub")});
  EXPECT_FALSE(desktop->BindToObject(desktop->ParseDisplayName(root + QStringLiteral("/dir/file2.txt"))));
}

TEST_F(ShellTest, Attributes) {
  auto desktop = ShellFolder::Desktop();
  auto top = desktop->BindToObject(desktop->ParseDisplayName(root));
  ASSERT_TRUE(top);
  const uint32_t all = 0xF20B0010;
  auto attr = [&](const char* name) { return top->GetAttributesOf(MakeItem(kFile, name), all); };
  EXPECT_EQ(attr("dir"), uint32_t(kFolderAttr | kFileSystem | kHasSubfolder | kFileSysAncestor | kCanRename));
  EXPECT_EQ(attr("empty"), uint32_t(kFolderAttr | kFileSystem | kFileSysAncestor | kCanRename));
  EXPECT_EQ(attr("link") & (kLink | kFolderAttr), uint32_t(kLink | kFolderAttr));
  EXPECT_EQ(attr("missing"), 0u);
  // A hidden subfolder counts: the tree shows hidden folders by default.
  QDir().mkpath(root + QStringLiteral("/bare/.inner"));
  EXPECT_EQ(attr("bare") & kHasSubfolder, uint32_t(kHasSubfolder));
  auto dir = top->BindToObject(MakeItem(kFile, "dir"));
  EXPECT_EQ(dir->GetAttributesOf(MakeItem(kFile, "file2.txt"), all), uint32_t(kFileSystem | kCanRename));
  EXPECT_EQ(dir->GetAttributesOf(MakeItem(kFile, ".hidden"), kGhosted), uint32_t(kGhosted));
  // Only what the mask asks for comes back.
  EXPECT_EQ(top->GetAttributesOf(MakeItem(kFile, "dir"), kFolderAttr), uint32_t(kFolderAttr));
}

TEST_F(ShellTest, PathsParseAndComeBack) {
  auto desktop = ShellFolder::Desktop();
  const QString file = root + QStringLiteral("/dir/sub/deep.txt");
  const IdList list = desktop->ParseDisplayName(file);
  ASSERT_FALSE(list.isNull());
  // Computer, the deepest computer folder holding it, then one entry a part.
  EXPECT_EQ(ItemCount(list), 5);
  const IdList second = FirstItem(list.mid(ItemSize(FirstItem(list)) - 2));
  EXPECT_EQ(KindOf(second), kRoot);
  EXPECT_EQ(NameOf(second), root.toUtf8());
  EXPECT_EQ(PathFromIdList(list), file);
  EXPECT_EQ(DisplayName(list), QStringLiteral("deep.txt"));
  EXPECT_EQ(PathFromIdList(desktop->ParseDisplayName(QStringLiteral("/"))), QStringLiteral("/"));
  EXPECT_TRUE(desktop->ParseDisplayName(root + QStringLiteral("/none")).isNull());
  EXPECT_TRUE(desktop->ParseDisplayName(QStringLiteral("relative/path")).isNull());
  EXPECT_EQ(PathFromIdList(MakeItem(kComputer, QByteArray())), QString());
  EXPECT_EQ(DisplayName(SpecialFolderLocation(kCsidlDrives)), QStringLiteral("コンピュータ"));
  EXPECT_EQ(DisplayName(SpecialFolderLocation(kCsidlBitBucket)), QStringLiteral("ごみ箱"));
  EXPECT_TRUE(SpecialFolderLocation(kCsidlFavorites).isNull());
  EXPECT_FALSE(ItemIcon(list, false).isNull());
}

}  // namespace
