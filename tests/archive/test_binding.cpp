#include "Arcive/ArchiveFile.h"
#include "Arcive/LHA32.h"
#include "Arcive/ZIP32.h"
#include "platform/folders.h"
#include "platform/library.h"
#include "platform/msgwindow.h"
#include "archive_support.h"
#include "support.h"

#include <QFile>
#include <QRegularExpression>

namespace {

class BindingTest : public ZotTest {
 protected:
  // A fake archive the given formats accept.
  QString FakeArchive(const QString& name, const QByteArray& formats, const QByteArray& members) {
    return Write(name, "FAKE " + formats + "\n" + members);
  }
  // Lists every member with "*.*".
  std::vector<CaMemberInfoEx> List(TArchiveFile& file) {
    std::vector<CaMemberInfoEx> out;
    EXPECT_EQ(file.OpenArchive(nullptr, 0), 0);
    CaMemberInfoEx rec{};
    for (int st = file.FindFirst("*.*", &rec); st == 0; st = file.FindNext(&rec)) out.push_back(rec);
    file.CloseArchive();
    return out;
  }
  QString ModulePath(const char* name) const { return Home() + QStringLiteral("/windows/") + QLatin1String(name); }
};

TEST_F(BindingTest, MissingLibraryIsReportedWithItsDescription) {
  EXPECT_EQ(MessageOf<ENoArchiverDLL>([] { TLha32 arc; }),
            QStringLiteral("LHA 形式書庫 を扱うには UNLHA32.DLL が 必要です。"));
  // The binding made by that first attempt stays: a later archiver is
  // created, and its operations try to load the module again.
  TArchiveFile file;
  file.SetFileName(QStringLiteral("/x/tool.lzh"));
  EXPECT_EQ(file.ArchiverType(), atLha);
  EXPECT_EQ(MessageOf<ENoArchiverDLL>([&] { file.OpenArchive(nullptr, 0); }),
            QStringLiteral("LHA 形式書庫 を扱うには UNLHA32.DLL が 必要です。"));

  InstallModule("fake_unlha32", "unlha32.so");
  const QString arc = FakeArchive(QStringLiteral("a.lzh"), "lha", "readme.txt|10|5|0|0\n");
  file.SetFileName(arc);
  EXPECT_EQ(List(file).size(), 1u);
}

TEST_F(BindingTest, MissingRequiredEntryNamesTheModuleFile) {
  InstallModule("fake_unlha32_nofindnext", "unlha32.so");
  const QString arc = FakeArchive(QStringLiteral("a.lzh"), "lha", "a.txt|1|1|0|0\nb.txt|1|1|0|0\n");
  TArchiveFile file;
  file.SetFileName(arc);
  ASSERT_EQ(file.OpenArchive(nullptr, 0), 0);
  CaMemberInfoEx rec{};
  EXPECT_EQ(file.FindFirst("*.*", &rec), 0);
  EXPECT_EQ(MessageOf<EEntryNotFound>([&] { file.FindNext(&rec); }),
            ModulePath("unlha32.so") + QStringLiteral(" に UnlhaFindNext のエントリが見つかりません。"));
}

TEST_F(BindingTest, AnOperationThatDoesNotLoadNamesTheProgramWhenNothingIsLoaded) {
  TArchiverDll dll(QStringLiteral("LHA 形式書庫"), QStringLiteral("UNLHA32.DLL"), QStringLiteral("Unlha"));
  CaMemberInfoEx rec{};
  EXPECT_EQ(MessageOf<EEntryNotFound>([&] { dll.FindNext(nullptr, &rec); }),
            platform::ProgramPath() + QStringLiteral(" に UnlhaFindNext のエントリが見つかりません。"));
}

TEST_F(BindingTest, ExtendedInfoComesFromTheModuleOrFallsBackToTheDosFields) {
  // 2024-05-17 13:45:30 as DOS date and time.
  const uint16_t date = ((2024 - 1980) << 9) | (5 << 5) | 17;
  const uint16_t time = (13 << 11) | (45 << 5) | 15;
  const QByteArray members = "big.bin|4294967295|123|" + QByteArray::number(date) + "|" + QByteArray::number(time) +
                             "\nsmall.txt|7|3|" + QByteArray::number(date) + "|" + QByteArray::number(time) + "\n";
  const QString arc = FakeArchive(QStringLiteral("a.lzh"), "lha", members);
  const uint64_t expectedTime = 133604271300000000ull;  // 2024-05-17 13:45:30 as a file time, no zone shift
  ASSERT_EQ(DosDateTimeToFileTime(date, time), expectedTime);

  InstallModule("fake_unlha32_noopt", "unlha32.so");
  {
    TArchiveFile file;
    file.SetFileName(arc);
    const auto recs = List(file);
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_STREQ(recs[0].info.path, "big.bin");
    for (const CaMemberInfoEx& r : recs) {
      EXPECT_EQ(r.write_time, expectedTime);
      EXPECT_EQ(r.access_time, expectedTime);
      EXPECT_EQ(r.create_time, expectedTime);
      EXPECT_EQ(r.original_size64, r.info.original_size);
      EXPECT_EQ(r.compressed_size64, r.info.compressed_size);
    }
    EXPECT_EQ(recs[0].original_size64, 4294967295ull);
  }
  TLha32::FreeDLL();
  InstallModule("fake_unlha32", "unlha32.so");
  TArchiveFile file;
  file.SetFileName(arc);
  const auto recs = List(file);
  ASSERT_EQ(recs.size(), 2u);
  EXPECT_EQ(recs[1].write_time, 0x01D0000000000001ull);
  EXPECT_EQ(recs[1].access_time, 0x01B0000000000001ull);
  EXPECT_EQ(recs[1].create_time, 0x01C0000000000001ull);
  EXPECT_EQ(recs[1].original_size64, 5000000001ull);
  EXPECT_EQ(recs[1].compressed_size64, 6000000001ull);
}

TEST_F(BindingTest, DosDatesBecomeFileTimes) {
  auto dos = [](int y, int mo, int d, int h, int mi, int s) {
    return DosDateTimeToFileTime(static_cast<uint16_t>(((y - 1980) << 9) | (mo << 5) | d),
                                 static_cast<uint16_t>((h << 11) | (mi << 5) | (s / 2)));
  };
  EXPECT_EQ(dos(1980, 1, 1, 0, 0, 0), 119600064000000000ull);
  EXPECT_EQ(dos(2000, 2, 29, 23, 59, 58), 125963423980000000ull);
  EXPECT_EQ(dos(2107, 12, 31, 0, 0, 0), 159992064000000000ull);
  EXPECT_EQ(dos(2023, 2, 29, 0, 0, 0), 0u);  // no such day
  EXPECT_EQ(dos(2024, 13, 1, 0, 0, 0), 0u);
  EXPECT_EQ(dos(2024, 1, 1, 24, 0, 0), 0u);
}

TEST_F(BindingTest, ALibraryIsLoadedOnceAndAgainAfterFreeDLL) {
  InstallModule("fake_unlha32", "unlha32.so");
  const QString arc = FakeArchive(QStringLiteral("a.lzh"), "lha", "a.txt|1|1|0|0\n");
  TArchiverDll dll(QStringLiteral("LHA 形式書庫"), QStringLiteral("UNLHA32.DLL"), QStringLiteral("Unlha"));
  const int before = platform::LibraryLoadCount();
  dll.LoadDLL();
  dll.LoadDLL();
  EXPECT_EQ(platform::LibraryLoadCount(), before + 1);
  void* h = dll.OpenArchive(nullptr, Ansi(arc), 0);
  ASSERT_NE(h, nullptr);
  dll.CloseArchive(h);
  EXPECT_NE(dll.EntryAddress(enOpenArchive), nullptr);

  dll.FreeDLL();
  EXPECT_EQ(dll.Handle, nullptr);
  for (int e = 0; e < enEntryCount; ++e) EXPECT_EQ(dll.EntryAddress(TArchiverEntry(e)), nullptr);
  h = dll.OpenArchive(nullptr, Ansi(arc), 0);
  EXPECT_NE(h, nullptr);
  dll.CloseArchive(h);
  EXPECT_EQ(platform::LibraryLoadCount(), before + 2);
  EXPECT_EQ(ModuleLog().filter(QRegularExpression(QStringLiteral("^lha (load|unload)$"))),
            (QStringList{QStringLiteral("lha load"), QStringLiteral("lha unload"), QStringLiteral("lha load")}));
}

class ZipBindingTest : public BindingTest {};

TEST_F(ZipBindingTest, OnlyLmzip32ListsAndExtractsButCannotTakeAnOwnerWindow) {
  InstallModule("fake_lmzip32", "lmzip32.so");
  const QString arc = FakeArchive(QStringLiteral("a.zip"), "zip lmzip", "a.txt|1|1|0|0\n");
  TArchiveFile file;
  file.SetFileName(arc);
  EXPECT_EQ(List(file).size(), 1u);
  EXPECT_EQ(file.Extract(nullptr, nullptr, Home() + QStringLiteral("/out"), AllMembers()), 0);
  EXPECT_TRUE(ModuleLog().contains(QStringLiteral("lmzip Command -x  \"%1\" \"%2/out/\" |").arg(arc, Home())))
      << ModuleLog().join(QLatin1Char('\n')).toStdString();
  // The "UnZip..." entries were found under their "Unzip..." names.
  EXPECT_TRUE(ModuleLog().contains(QStringLiteral("lmzip OpenArchive 0 ") + arc));

  TZip32 zip;
  EXPECT_EQ(MessageOf<EEntryNotFound>([&] { zip.SetOwnerWindow(reinterpret_cast<void*>(1), nullptr); }),
            platform::ProgramPath() + QStringLiteral(" に UnZipSetOwnerWindowEx のエントリが見つかりません。"));
}

TEST_F(ZipBindingTest, OnlyUnzip32ExtractsButCannotPack) {
  InstallModule("fake_unzip32", "unzip32.so");
  const QString arc = FakeArchive(QStringLiteral("a.zip"), "zip", "a.txt|1|1|0|0\n");
  TZip32 zip;
  QByteArray out;
  EXPECT_EQ(MessageOf<EArchiver>([&] { zip.Pack(nullptr, arc, TArchiverOptions(), Home(), {}, false, out); }),
            QStringLiteral("ZIP 形式書庫の作成には ZIP32J.DLL または LMZIP32.DLL が必要です。"));
  EXPECT_EQ(zip.Extract(nullptr, arc, MainWindowOptions(), Home(), AllMembers(), false, out), 0);
  EXPECT_EQ(zip.CommandLine, "-x  \"" + Ansi(arc) + "\" \"" + Ansi(Home()) + "/\" ");
  EXPECT_TRUE(zip.SetOwnerWindow(reinterpret_cast<void*>(1), nullptr));
  EXPECT_TRUE(zip.HasOwnerWindow());
  EXPECT_TRUE(zip.KillOwnerWindow(reinterpret_cast<void*>(1)));
  EXPECT_FALSE(zip.HasOwnerWindow());
  // The write time is asked for under the family's own spelling.
  TArchiveFile file;
  file.SetFileName(arc);
  EXPECT_EQ(List(file).size(), 1u);
  EXPECT_TRUE(ModuleLog().contains(QStringLiteral("zip UnzipGetWriteTimeEx")));
}

TEST_F(ZipBindingTest, NoZipModuleAtAllStillMakesAnArchiver) {
  TZip32 zip;  // never fails for missing modules
  QByteArray out;
  EXPECT_EQ(MessageOf<EArchiver>([&] { zip.Extract(nullptr, QStringLiteral("a.zip"), MainWindowOptions(), Home(),
                                                   AllMembers(), false, out); }),
            QStringLiteral("ZIP 形式書庫の解凍には UNZIP32.DLL または LMZIP32.DLL が必要です。"));
  EXPECT_EQ(MessageOf<EEntryNotFound>([&] { zip.OpenArchive(nullptr, QStringLiteral("a.zip"), 0); }),
            QStringLiteral("UnZipOpenArchive のエントリが DLL に見つかりませんでした。"));
  EXPECT_FALSE(IsZipArchive(Write(QStringLiteral("x.zip"), "FAKE zip\n")));
}

TEST_F(ZipBindingTest, PackPrefersZip32jAndLmzipRebuildsTheArchive) {
  InstallModule("fake_unzip32", "unzip32.so");
  InstallModule("fake_lmzip32", "lmzip32.so");
  const QString arc = FakeArchive(QStringLiteral("a.zip"), "zip", "a.txt|1|1|0|0\n");
  TArchiverOptions o;
  QByteArray out;
  {
    TZip32 zip;
    EXPECT_EQ(zip.Pack(nullptr, arc, o, Home() + QStringLiteral("/src"), {QStringLiteral("b.txt")}, false, out), 0);
    EXPECT_EQ(zip.CommandLine, "-ru  \"" + Ansi(arc) + "\" \"b.txt\" ");
    EXPECT_FALSE(QFile::exists(arc));  // LMZIP32 rebuilds from the given files only
  }
  TZip32::FreeDLL();
  InstallModule("fake_zip32j", "zip32j.so");
  FakeArchive(QStringLiteral("a.zip"), "zip", "");
  TZip32 zip;
  EXPECT_EQ(zip.Pack(nullptr, arc, o, Home() + QStringLiteral("/src"), {QStringLiteral("b.txt")}, false, out), 0);
  EXPECT_EQ(zip.CommandLine, " -D  \"" + Ansi(arc) + "\" \"" + Ansi(Home()) + "/src/\" \"b.txt\" ");
  EXPECT_TRUE(QFile::exists(arc));
  EXPECT_TRUE(ModuleLog().contains(QStringLiteral("zip32j Command %1|").arg(QString::fromUtf8(zip.CommandLine))));
}

TEST_F(BindingTest, ProgressReachesTheHandlerAndAbortIsTheReply) {
  InstallModule("fake_unlha32", "unlha32.so");
  const QString arc = FakeArchive(QStringLiteral("a.lzh"), "lha", "a.txt|1|1|0|0\n");
  TArchiveFile file;
  file.SetFileName(arc);
  file.Options.jse = 0;
  file.Options.jso = 1;
  file.Options.x = 1;
  std::vector<std::pair<int, QString>> seen;
  file.OnProgress = [&](TArchiveFile* sender, int state, void* lpEis, bool& abort) {
    EXPECT_EQ(sender, &file);
    EXPECT_FALSE(abort);
    const auto* info = static_cast<const CaExtractingInfo*>(lpEis);
    seen.emplace_back(state, QString::fromUtf8(info->member_path));
    abort = seen.size() == 2;
  };
  EXPECT_EQ(file.Extract(nullptr, nullptr, Home() + QStringLiteral("/out"), AllMembers()), static_cast<int>(CA_ERROR_CANCEL));
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], std::make_pair(int(CA_STATE_BEGIN), QStringLiteral("member0")));
  EXPECT_EQ(seen[1], std::make_pair(int(CA_STATE_INPROCESS), QStringLiteral("member1")));
  const QStringList log = ModuleLog();
  EXPECT_TRUE(log.contains(QStringLiteral("lha aborted at 1")));
  // Registered before the command, released after it; the progress switch is on.
  const int set = log.indexOf(QStringLiteral("lha SetOwnerWindowEx -"));
  const int kill = log.indexOf(QStringLiteral("lha KillOwnerWindowEx"));
  ASSERT_GE(set, 0);
  EXPECT_GT(kill, set);
  EXPECT_TRUE(file.LastCommandLine.contains(" -n1 "));
  EXPECT_EQ(platform::RegisterWindowMessage("WM_ARCEXTRACT"), ArcExtractMessage());

  // Without a handler nothing is registered.
  ClearModuleLog();
  file.OnProgress = nullptr;
  EXPECT_EQ(file.Extract(nullptr, nullptr, Home() + QStringLiteral("/out"), AllMembers()), 0);
  EXPECT_EQ(ModuleLog().filter(QStringLiteral("OwnerWindow")).size(), 0);
  EXPECT_FALSE(file.LastCommandLine.contains(" -n1 "));
}

}  // namespace
