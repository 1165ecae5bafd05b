#include "Arcive/ZIP32.h"

#include "Arcive/FILTERS.h"
#include "platform/library.h"
#include "platform/mbcs.h"

#include <QFile>
#include <QFileInfo>

namespace {

const char* const kLibraryNames[] = {"UNZIP32.DLL", "ZIP32J.DLL", "LMZIP32.DLL"};

enum class Report { Zip, ModulePath };

}  // namespace

// Where one entry is looked for, and how its absence is reported.
struct TZipDll::Lookup {
  const char* name;
  std::initializer_list<Library> order;
  bool loadFirst;
  bool required;
  Report report = Report::Zip;
};

namespace {

using L = TZipDll::Library;
const std::initializer_list<L> kListingOrder = {TZipDll::LmZip32, TZipDll::Zip32J, TZipDll::UnZip32};
const std::initializer_list<L> kCheckOrder = {TZipDll::UnZip32, TZipDll::Zip32J, TZipDll::LmZip32};

}  // namespace

TZipDll::~TZipDll() { TZipDll::FreeDLL(); }

void TZipDll::LoadDLL() {
  for (int lib = 0; lib < LibraryCount; ++lib)
    if (!handles_[lib]) handles_[lib] = platform::LoadLibrary(QLatin1String(kLibraryNames[lib]));
}

void TZipDll::FreeDLL() {
  for (void*& h : handles_) {
    platform::FreeLibrary(h);
    h = nullptr;
  }
  zip_ = unzip_ = nullptr;
  TCustomArchiverDll::FreeDLL();
}

void* TZipDll::Resolve(void*& cache, const Lookup& lookup) {
  if (lookup.loadFirst) LoadDLL();
  if (cache) return cache;
  for (Library lib : lookup.order) {
    if (!handles_[lib]) continue;
    QByteArray name(lookup.name);
    // LMZIP32 spells "UnZip..." as "Unzip...".
    if (lib == LmZip32 && name.size() > 2 && name[2] == 'Z') name[2] = 'z';
    if ((cache = platform::GetProcAddress(handles_[lib], name.constData()))) return cache;
  }
  if (!lookup.required) return nullptr;
  if (lookup.report == Report::ModulePath) {
    const QString path = platform::GetModuleFileName(handles_[UnZip32]).left(256);
    throw EEntryNotFound(QStringLiteral("%1 に %2 のエントリが見つかりません。").arg(path, QLatin1String(lookup.name)));
  }
  throw EEntryNotFound(QStringLiteral("%1 のエントリが DLL に見つかりませんでした。").arg(QLatin1String(lookup.name)));
}

int TZipDll::Command(void*, const QByteArray&, char*, int) {
  throw EArchiver(QStringLiteral("ZIP 形式書庫のコマンドは Zip または UnZip で実行します。"));
}

int TZipDll::CheckArchive(const QByteArray& file, int mode) {
  Resolve(Entries[enCheckArchive], {"UnZipCheckArchive", kCheckOrder, true, true});
  return TCustomArchiverDll::CheckArchive(file, mode);
}

int TZipDll::CloseArchive(void* arc) {
  Resolve(Entries[enCloseArchive], {"UnZipCloseArchive", kListingOrder, true, true});
  return TCustomArchiverDll::CloseArchive(arc);
}

int TZipDll::ExtractMem(void* wnd, const QByteArray& cmd, unsigned char* buf, uint32_t size, void* time,
                        uint16_t* attr, uint32_t* written) {
  Resolve(Entries[enExtractMem], {"UnZipExtractMem", kCheckOrder, false, true});
  return TCustomArchiverDll::ExtractMem(wnd, cmd, buf, size, time, attr, written);
}

int TZipDll::FindFirst(void* arc, const QByteArray& wildcard, CaMemberInfoEx* record) {
  Resolve(Entries[enFindFirst], {"UnZipFindFirst", kListingOrder, true, true});
  return TCustomArchiverDll::FindFirst(arc, wildcard, record);
}

int TZipDll::FindNext(void* arc, CaMemberInfoEx* record) {
  Resolve(Entries[enFindNext], {"UnZipFindNext", kListingOrder, false, true});
  return TCustomArchiverDll::FindNext(arc, record);
}

bool TZipDll::KillOwnerWindowEx(void* wnd) {
  Resolve(Entries[enKillOwnerWindowEx], {"UnZipKillOwnerWindowEx", {UnZip32}, false, true, Report::ModulePath});
  return TCustomArchiverDll::KillOwnerWindowEx(wnd);
}

void* TZipDll::OpenArchive(void* wnd, const QByteArray& file, uint32_t mode) {
  Resolve(Entries[enOpenArchive], {"UnZipOpenArchive", kListingOrder, true, true});
  return TCustomArchiverDll::OpenArchive(wnd, file, mode);
}

bool TZipDll::SetOwnerWindowEx(void* wnd, void* callback) {
  Resolve(Entries[enSetOwnerWindowEx], {"UnZipSetOwnerWindowEx", {UnZip32}, false, true, Report::ModulePath});
  return TCustomArchiverDll::SetOwnerWindowEx(wnd, callback);
}

bool TZipDll::GetWriteTimeEx(void* arc, uint64_t* t) {
  return Resolve(Entries[enGetWriteTimeEx], {"UnzipGetWriteTimeEx", kListingOrder, false, false}) &&
         TCustomArchiverDll::GetWriteTimeEx(arc, t);
}

bool TZipDll::GetCreateTimeEx(void* arc, uint64_t* t) {
  return Resolve(Entries[enGetCreateTimeEx], {"UnZipGetCreateTimeEx", kListingOrder, false, false}) &&
         TCustomArchiverDll::GetCreateTimeEx(arc, t);
}

bool TZipDll::GetAccessTimeEx(void* arc, uint64_t* t) {
  return Resolve(Entries[enGetAccessTimeEx], {"UnZipGetAccessTimeEx", kListingOrder, false, false}) &&
         TCustomArchiverDll::GetAccessTimeEx(arc, t);
}

int TZipDll::GetArchiveType(const QByteArray&) { return 0; }  // no ZIP module has it

int TZipDll::CallCommand(void* entry, void* wnd, const QByteArray& cmd, char* out, int size) {
  if (size < 0) throw EAssertionFailed(QStringLiteral("出力バッファの大きさが負です。"));
  return reinterpret_cast<CaCommandFn>(entry)(wnd, cmd.constData(), size == 0 ? nullptr : out,
                                              static_cast<uint32_t>(size));
}

int TZipDll::Zip(void* wnd, const QByteArray& cmd, char* out, int size) {
  return CallCommand(Resolve(zip_, {"Zip", {Zip32J, LmZip32}, true, true}), wnd, cmd, out, size);
}

int TZipDll::UnZip(void* wnd, const QByteArray& cmd, char* out, int size) {
  return CallCommand(Resolve(unzip_, {"UnZip", {UnZip32, LmZip32}, true, true}), wnd, cmd, out, size);
}

namespace {
TSlot<TZipDll> g_zip([] { return new TZipDll; });
}  // namespace

// Each load looks again for whichever of the three modules is still missing.
void TZip32::LoadDLL() {
  if (g_zip.Exists()) g_zip.Get().LoadDLL();
  else g_zip.Load();
}

void TZip32::FreeDLL() { g_zip.Free(); }
TZipDll& TZip32::Dll() { return g_zip.Get(); }

QByteArray ZipNameFilter(const QByteArray& name) {
  QByteArray out;
  int start = 0;
  if (name.startsWith('-')) {
    out = "[-]";
    start = 1;
  }
  for (int i = start; i < name.size();) {
    const int len = platform::CharLength(name, i);
    const char c = name.at(i);
    if (len == 1 && c == '\\') out += '/';
    else if (len == 1 && c == '[') out += "[[]";
    else out += name.mid(i, len);
    i += len;
  }
  return out;
}

namespace {

void Finish(const TArchiver& arc, TCmdOpt& cmd, const TArchiverOptions& options, const QString& arcFileName,
            const QString& folder, bool resFile, const TFileList& files) {
  cmd.Add(options.UserOptions);
  arc.AddArchiveAndDir(cmd, arcFileName, folder);
  arc.AddFileList(cmd, options, resFile, files);
}

}  // namespace

namespace {

// The extraction builder; the alternative one is the same without the name
// filter and the progress switch.
QByteArray ExtractLike(const TArchiver& arc, bool alternative, const QByteArray& word, const QString& arcFileName,
                       const TArchiverOptions& options, const QString& folder, const TFileList& files, bool resFile) {
  TCmdOpt cmd;
  if (!alternative) cmd.NameFilter = ZipNameFilter;
  if (options.c == 1) cmd.Add("-o");
  if (!alternative && (options.n > 0 || arc.HasOwnerWindow())) cmd.Add("--i");
  if (options.x == 0) cmd.Add("-j");
  Finish(arc, cmd, options, arcFileName, folder, resFile, files);
  return word + cmd.Text;
}

}  // namespace

QByteArray UnzipStyleCommandLine(const TArchiver& arc, const QByteArray& word, const QString& arcFileName,
                                 const TArchiverOptions& options, const QString& folder, const TFileList& files,
                                 bool resFile) {
  return ExtractLike(arc, false, word, arcFileName, options, folder, files, resFile);
}

QByteArray TZip32::BuildExtractCommandLine(const QByteArray& word, const QString& arcFileName,
                                           const TArchiverOptions& options, const QString& folder,
                                           const TFileList& files, bool resFile) const {
  return ExtractLike(*this, false, word, arcFileName, options, folder, files, resFile);
}

QByteArray TZip32::BuildAlternativeCommandLine(const QByteArray& word, const QString& arcFileName,
                                               const TArchiverOptions& options, const QString& folder,
                                               const TFileList& files, bool resFile) const {
  return ExtractLike(*this, true, word, arcFileName, options, folder, files, resFile);
}

QByteArray TZip32::BuildCreateCommandLine(const QByteArray& word, const QString& arcFileName,
                                          const TArchiverOptions& options, const QString& folder,
                                          const TFileList& files, bool resFile) const {
  TCmdOpt cmd;
  cmd.NameFilter = ZipNameFilter;
  if (options.a > 0) cmd.Add("-S");
  if (options.a < 2) cmd.Add("-D");
  if (options.l > 0) cmd.Add("-v");
  if (options.n > 0) cmd.Add("-q");
  if (options.r > 0) cmd.Add("-r");
  if (options.n > 0) cmd.Add("-o");
  if (options.u > 0) cmd.Add("-u");
  if (options.x == 0) cmd.Add("-j");
  if (options.jc > 0) cmd.Add("-FF");
  if (options.ji > 0) cmd.Add("-k");
  if (options.jm >= 0) cmd.Add('-' + QByteArray::number(options.jm));
  if (options.gd > 0) cmd.Add("-J");
  Finish(*this, cmd, options, arcFileName, folder, resFile, files);
  return word + cmd.Text;
}

void* TZip32::OpenArchive(void* wnd, const QString& arcFileName, uint32_t mode) {
  return Dll().OpenArchive(wnd, Ansi(ExpandFileName(arcFileName)), mode);
}

int TZip32::FindFirst(void* arc, CaMemberInfoEx* record, const QByteArray& wildcard) {
  return Dll().FindFirst(arc, wildcard, record);
}

int TZip32::FindNext(void* arc, CaMemberInfoEx* record) { return Dll().FindNext(arc, record); }

int TZip32::CloseArchive(void* arc) { return Dll().CloseArchive(arc); }

int TZip32::Extract(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
                    const TFileList& files, bool resFile, QByteArray& output) {
  if (!Dll().Loaded(TZipDll::UnZip32) && !Dll().Loaded(TZipDll::LmZip32))
    throw EArchiver(QStringLiteral("ZIP 形式書庫の解凍には UNZIP32.DLL または LMZIP32.DLL が必要です。"));
  CommandLine = BuildExtractCommandLine("-x", arcFileName, options, folder, files, resFile);
  return Dll().UnZip(wnd, CommandLine, output.data(), static_cast<int>(output.size()));
}

int TZip32::Pack(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& baseFolder,
                 const TFileList& files, bool resFile, QByteArray& output) {
  if (Dll().Loaded(TZipDll::Zip32J)) {
    CommandLine = BuildCreateCommandLine(QByteArray(), arcFileName, options, baseFolder, files, resFile);
  } else if (Dll().Loaded(TZipDll::LmZip32)) {
    CommandLine = BuildAlternativeCommandLine("-ru", arcFileName, options, QString(), files, resFile);
    // LMZIP32 rebuilds the archive from the given files only.
    QFile::remove(arcFileName);
  } else {
    throw EArchiver(QStringLiteral("ZIP 形式書庫の作成には ZIP32J.DLL または LMZIP32.DLL が必要です。"));
  }
  return Dll().Zip(wnd, CommandLine, output.data(), static_cast<int>(output.size()));
}

int TZip32::RemoveItems(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString&,
                        const TFileList& files, bool resFile, QByteArray& output) {
  CommandLine = BuildCreateCommandLine("-d", arcFileName, options, QString(), files, resFile);
  return Dll().Zip(wnd, CommandLine, output.data(), static_cast<int>(output.size()));
}

int TZip32::Update(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
                   const TFileList& files, bool resFile, QByteArray& output) {
  CommandLine = BuildCreateCommandLine("-f", arcFileName, options, folder, files, resFile);
  return Dll().Zip(wnd, CommandLine, output.data(), static_cast<int>(output.size()));
}

int TZip32::MakeSfx(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
                    QByteArray& output) {
  if (!Dll().Loaded(TZipDll::Zip32J))
    throw EArchiver(QStringLiteral("ZIP 形式書庫からの自己解凍書庫作成には ZIP32J.DLL が必要です。"));
  const bool dos = options.gw <= 0;
  const QString stub = platform::SearchPath(dos ? QStringLiteral("sfx16.dat") : QStringLiteral("sfx32gui.dat"));
  if (stub.isEmpty())
    throw EArchiver(dos ? QStringLiteral("zip 書庫からのDOS自己解凍書庫の作成には sfx16.dat が必要です。")
                        : QStringLiteral("zip 書庫からのWin32自己解凍書庫の作成には sfx32gui.dat が必要です。"));
  const QString out = SfxOutputPath(arcFileName, folder);
  WriteStubAndArchive(stub, arcFileName, out);
  CommandLine = "-A " + Ansi(out);
  return Dll().Zip(wnd, CommandLine, output.data(), static_cast<int>(output.size()));
}

int TZip32::ExtractMem(void* wnd, const QString& arcFileName, const TArchiverOptions& options,
                       const QString& member, unsigned char* buf, uint32_t size, uint32_t* written) {
  CommandLine = BuildExtractCommandLine(QByteArray(), arcFileName, options, QString(), {QStringList{member}}, false);
  return Dll().ExtractMem(wnd, CommandLine, buf, size, nullptr, nullptr, written);
}

bool TZip32::CheckArchive(const QString& arcFileName, int mode, int) {
  return Dll().CheckArchive(Ansi(arcFileName), mode) != 0;
}

bool TZip32::SetOwnerWindow(void* wnd, void* callback) {
  const bool accepted = Dll().SetOwnerWindowEx(wnd, callback);
  TArchiver::SetOwnerWindow(wnd, callback);
  return accepted;
}

bool TZip32::KillOwnerWindow(void* wnd) {
  const bool accepted = Dll().KillOwnerWindowEx(wnd);
  TArchiver::KillOwnerWindow(wnd);
  return accepted;
}

bool IsZipArchive(const QString& path) {
  try {
    TZip32::LoadDLL();
    if (TZip32::Dll().CheckArchive(Ansi(ExpandFileName(path)), 24) <= 0) return false;
    TZip32::LoadDLL();
    const QString full = ExpandFileName(path);
    if (!QFileInfo::exists(full)) return false;
    void* h = TZip32::Dll().OpenArchive(nullptr, Ansi(full), CA_OPEN_PROBE);
    if (h) TZip32::Dll().CloseArchive(h);
    return h != nullptr;
  } catch (...) {
    return false;
  }
}
