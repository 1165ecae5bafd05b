#include "Arcive/ARCHIVES.h"

#include "platform/library.h"
#include "platform/mbcs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QByteArray Ansi(const QString& text) { return text.toUtf8(); }

QString ExpandFileName(const QString& path) { return QDir::cleanPath(QDir::current().absoluteFilePath(path)); }

namespace {

// "<XX>" for a byte (see common_archiver.h). Names are UTF-8, where no byte
// of a multi-byte character is ASCII, so only whole characters are escaped.
QByteArray Escape(char c) { return '<' + QByteArray::number(uchar(c), 16).toUpper().rightJustified(2, '0') + '>'; }

// literal: a member's name, in which "*", "?", "[" and a leading "@" are
// characters of the name too (see LiteralName).
QByteArray Escaped(const QByteArray& s, bool literal) {
  QByteArray out;
  out.reserve(s.size() + 2);
  for (qsizetype i = 0; i < s.size(); ++i) {
    const char c = s[i];
    if (c == '"' || c == '<' || (c >= 0x01 && c < 0x20) ||
        (literal && (c == '*' || c == '?' || c == '[' || (i == 0 && c == '@'))))
      out += Escape(c);
    else
      out += c;
  }
  return out;
}

// Between double quotes, with the characters that would end the quotes or
// the line escaped.
QByteArray Quoted(const QByteArray& s, bool literal = false) { return '"' + Escaped(s, literal) + '"'; }

}  // namespace

QByteArray LiteralName(const QByteArray& name) { return Escaped(name, true); }

namespace {

template <typename Fn>
Fn Entry(void* address) {
  // Reached only when a binding calls before resolving, which is a fault of ours.
  if (!address) throw EEntryNotFound(QStringLiteral("エントリが解決されていません。"));
  return reinterpret_cast<Fn>(address);
}

}  // namespace

uint64_t DosDateTimeToFileTime(uint16_t date, uint16_t time) {
  const int year = (date >> 9) + 1980, month = (date >> 5) & 15, day = date & 31;
  const int hour = time >> 11, minute = (time >> 5) & 63, second = (time & 31) * 2;
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (month < 1 || month > 12 || day < 1 || day > kDays[month - 1] + (month == 2 && leap)) return 0;
  if (hour > 23 || minute > 59 || second > 59) return 0;
  // Days from the civil date, years counted from March so leap days come last.
  const int y = year - (month <= 2);
  const int era = y / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const int64_t days1970 = era * 146097LL + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;
  const int64_t days = days1970 + 134774;  // 1601-01-01 to 1970-01-01
  return static_cast<uint64_t>(days * 86400 + hour * 3600 + minute * 60 + second) * 10000000ull;
}

void TCustomArchiverDll::FreeDLL() {
  for (void*& e : Entries) e = nullptr;
}

int TCustomArchiverDll::Command(void* wnd, const QByteArray& cmd, char* out, int size) {
  if (size < 0) throw EAssertionFailed(QStringLiteral("出力バッファの大きさが負です。"));
  return Entry<CaCommandFn>(Entries[enCommand])(wnd, cmd.constData(), size == 0 ? nullptr : out,
                                               static_cast<uint32_t>(size));
}

int TCustomArchiverDll::CheckArchive(const QByteArray& file, int mode) {
  return Entry<CaCheckArchiveFn>(Entries[enCheckArchive])(file.constData(), mode);
}

int TCustomArchiverDll::CloseArchive(void* arc) { return Entry<CaCloseArchiveFn>(Entries[enCloseArchive])(arc); }

int TCustomArchiverDll::ExtractMem(void* wnd, const QByteArray& cmd, unsigned char* buf, uint32_t size, void* time,
                                   uint16_t* attr, uint32_t* written) {
  return Entry<CaExtractMemFn>(Entries[enExtractMem])(wnd, cmd.constData(), buf, size, time, attr, written);
}

int TCustomArchiverDll::FindFirst(void* arc, const QByteArray& wildcard, CaMemberInfoEx* record) {
  const int status = Entry<CaFindFirstFn>(Entries[enFindFirst])(arc, wildcard.constData(), record);
  if (status == 0) FillExtendedInfo(arc, record);
  return status;
}

int TCustomArchiverDll::FindNext(void* arc, CaMemberInfoEx* record) {
  const int status = Entry<CaFindNextFn>(Entries[enFindNext])(arc, record);
  if (status == 0) FillExtendedInfo(arc, record);
  return status;
}

bool TCustomArchiverDll::KillOwnerWindowEx(void* wnd) {
  return Entry<CaKillOwnerWindowExFn>(Entries[enKillOwnerWindowEx])(wnd) != 0;
}

void* TCustomArchiverDll::OpenArchive(void* wnd, const QByteArray& file, uint32_t mode) {
  return Entry<CaOpenArchiveFn>(Entries[enOpenArchive])(wnd, file.constData(), mode);
}

bool TCustomArchiverDll::SetOwnerWindowEx(void* wnd, void* callback) {
  return Entry<CaSetOwnerWindowExFn>(Entries[enSetOwnerWindowEx])(wnd, callback) != 0;
}

namespace {

bool CallOptional(void* address, void* arc, uint64_t* value) {
  return address && reinterpret_cast<CaGetTimeExFn>(address)(arc, value) != 0;
}

}  // namespace

bool TCustomArchiverDll::GetWriteTimeEx(void* arc, uint64_t* t) { return CallOptional(Entries[enGetWriteTimeEx], arc, t); }
bool TCustomArchiverDll::GetCreateTimeEx(void* arc, uint64_t* t) { return CallOptional(Entries[enGetCreateTimeEx], arc, t); }
bool TCustomArchiverDll::GetAccessTimeEx(void* arc, uint64_t* t) { return CallOptional(Entries[enGetAccessTimeEx], arc, t); }
bool TCustomArchiverDll::GetOriginalSizeEx(void* arc, uint64_t* n) {
  return CallOptional(Entries[enGetOriginalSizeEx], arc, n);
}
bool TCustomArchiverDll::GetCompressedSizeEx(void* arc, uint64_t* n) {
  return CallOptional(Entries[enGetCompressedSizeEx], arc, n);
}

int TCustomArchiverDll::GetArchiveType(const QByteArray& file) {
  return Entry<CaGetArchiveTypeFn>(Entries[enGetArchiveType])(file.constData());
}

void TCustomArchiverDll::FillExtendedInfo(void* arc, CaMemberInfoEx* record) {
  uint64_t dosTime = 0;
  auto dos = [record, &dosTime] {
    if (!dosTime) dosTime = DosDateTimeToFileTime(record->info.dos_date, record->info.dos_time);
    return dosTime;
  };
  uint64_t v = 0;
  record->write_time = GetWriteTimeEx(arc, &v) ? v : dos();
  record->access_time = GetAccessTimeEx(arc, &v) ? v : dos();
  record->create_time = GetCreateTimeEx(arc, &v) ? v : dos();
  record->original_size64 = GetOriginalSizeEx(arc, &v) ? v : record->info.original_size;
  record->compressed_size64 = GetCompressedSizeEx(arc, &v) ? v : record->info.compressed_size;
}

bool TCustomArchiverDll::ResolveEntry(TArchiverEntry e, void* module, const QByteArray& name, bool required) {
  if (Entries[e]) return true;
  Entries[e] = platform::GetProcAddress(module, name.constData());
  if (Entries[e]) return true;
  if (required) {
    const QString path = platform::GetModuleFileName(module).left(256);
    throw EEntryNotFound(QStringLiteral("%1 に %2 のエントリが見つかりません。").arg(path, QString::fromUtf8(name)));
  }
  return false;
}

TArchiverDll::TArchiverDll(const QString& description, const QString& dllName, const QString& prefix)
    : Description(description), DllName(dllName), Prefix(prefix) {}

TArchiverDll::~TArchiverDll() { TArchiverDll::FreeDLL(); }

void TArchiverDll::LoadDLL() {
  if (!Handle) Handle = platform::LoadLibrary(DllName);
  if (!Handle)
    throw ENoArchiverDLL(QStringLiteral("%1 を扱うには %2 が 必要です。").arg(Description, DllName));
}

void TArchiverDll::FreeDLL() {
  TCustomArchiverDll::FreeDLL();
  if (Handle) {
    platform::FreeLibrary(Handle);
    Handle = nullptr;
  }
}

void TArchiverDll::Lookup(TArchiverEntry e, const char* suffix, bool loadFirst, bool required) {
  if (loadFirst) LoadDLL();
  // Called for every member found: build the name only when it is needed.
  if (!Entries[e]) ResolveEntry(e, Handle, Ansi(Prefix) + suffix, required);
}

bool TArchiverDll::LookupOptional(TArchiverEntry e, const char* suffix) {
  return Entries[e] || ResolveEntry(e, Handle, Ansi(Prefix) + suffix, false);
}

int TArchiverDll::Command(void* wnd, const QByteArray& cmd, char* out, int size) {
  Lookup(enCommand, "", true);
  return TCustomArchiverDll::Command(wnd, cmd, out, size);
}

int TArchiverDll::CheckArchive(const QByteArray& file, int mode) {
  Lookup(enCheckArchive, "CheckArchive", true);
  return TCustomArchiverDll::CheckArchive(file, mode);
}

int TArchiverDll::CloseArchive(void* arc) {
  Lookup(enCloseArchive, "CloseArchive", true);
  return TCustomArchiverDll::CloseArchive(arc);
}

int TArchiverDll::ExtractMem(void* wnd, const QByteArray& cmd, unsigned char* buf, uint32_t size, void* time,
                             uint16_t* attr, uint32_t* written) {
  Lookup(enExtractMem, "ExtractMem", false);
  return TCustomArchiverDll::ExtractMem(wnd, cmd, buf, size, time, attr, written);
}

int TArchiverDll::FindFirst(void* arc, const QByteArray& wildcard, CaMemberInfoEx* record) {
  Lookup(enFindFirst, "FindFirst", true);
  return TCustomArchiverDll::FindFirst(arc, wildcard, record);
}

int TArchiverDll::FindNext(void* arc, CaMemberInfoEx* record) {
  Lookup(enFindNext, "FindNext", false);
  return TCustomArchiverDll::FindNext(arc, record);
}

bool TArchiverDll::KillOwnerWindowEx(void* wnd) {
  Lookup(enKillOwnerWindowEx, "KillOwnerWindowEx", false);
  return TCustomArchiverDll::KillOwnerWindowEx(wnd);
}

void* TArchiverDll::OpenArchive(void* wnd, const QByteArray& file, uint32_t mode) {
  Lookup(enOpenArchive, "OpenArchive", true);
  return TCustomArchiverDll::OpenArchive(wnd, file, mode);
}

bool TArchiverDll::SetOwnerWindowEx(void* wnd, void* callback) {
  Lookup(enSetOwnerWindowEx, "SetOwnerWindowEx", false);
  return TCustomArchiverDll::SetOwnerWindowEx(wnd, callback);
}

bool TArchiverDll::GetWriteTimeEx(void* arc, uint64_t* t) {
  return LookupOptional(enGetWriteTimeEx, "GetWriteTimeEx") && TCustomArchiverDll::GetWriteTimeEx(arc, t);
}
bool TArchiverDll::GetCreateTimeEx(void* arc, uint64_t* t) {
  return LookupOptional(enGetCreateTimeEx, "GetCreateTimeEx") && TCustomArchiverDll::GetCreateTimeEx(arc, t);
}
bool TArchiverDll::GetAccessTimeEx(void* arc, uint64_t* t) {
  return LookupOptional(enGetAccessTimeEx, "GetAccessTimeEx") && TCustomArchiverDll::GetAccessTimeEx(arc, t);
}
bool TArchiverDll::GetOriginalSizeEx(void* arc, uint64_t* n) {
  return LookupOptional(enGetOriginalSizeEx, "GetOriginalSizeEx") && TCustomArchiverDll::GetOriginalSizeEx(arc, n);
}
bool TArchiverDll::GetCompressedSizeEx(void* arc, uint64_t* n) {
  return LookupOptional(enGetCompressedSizeEx, "GetCompressedSizeEx") &&
         TCustomArchiverDll::GetCompressedSizeEx(arc, n);
}

int TArchiverDll::GetArchiveType(const QByteArray& file) {
  Lookup(enGetArchiveType, "GetArchiveType", true);
  return TCustomArchiverDll::GetArchiveType(file);
}

TBindingSlot::TBindingSlot(const char* description, const char* dllName, const char* prefix)
    : TSlot([=] {
        return new TArchiverDll(QString::fromUtf8(description), QString::fromUtf8(dllName), QString::fromUtf8(prefix));
      }) {}

void TPersistent::AssignTo(TPersistent& dest) const {
  throw EConvertError(QStringLiteral("%1 を %2 に代入できません。")
                          .arg(QLatin1String(ClassName()), QLatin1String(dest.ClassName())));
}

void TArchiverOptions::Clear() {
  for (int8_t* v : {&a, &c, &e, &f, &h, &i, &l, &m, &n, &o, &p, &r, &s, &t, &u, &x, &y, &z, &jc, &jd, &je, &jf,
                    &jh, &ji, &jm, &jn, &jp, &jr, &jsb, &jsc, &jsd, &jse, &jsf, &jsl, &jso, &jss, &jst, &jsv, &jsz,
                    &jw, &jyc, &jyd, &jyk, &jyn, &jyo, &ga, &gd, &ge, &gf, &gj, &gm, &gn, &go, &gp, &gs, &gu, &gw})
    *v = -1;
  for (QByteArray* v : {&w, &jo, &job, &jz, &gr}) *v = NulMarker();
  jx.clear();
  UserOptions.clear();
  UserFileList.clear();
  PackFilter = pfComponent;
  ResFileName.clear();
  ResFileUsage = ResUse(ruOnPack) | ResUse(ruOnUnpack) | ResUse(ruOnRemoveItem);
}

void TArchiverOptions::AssignTo(TPersistent& dest) const {
  if (auto* d = dynamic_cast<TArchiverOptions*>(&dest)) {
    *d = *this;
    return;
  }
  TPersistent::AssignTo(dest);
}

std::vector<QByteArray> CollectNames(const TFileList& files) {
  std::vector<QByteArray> names;
  auto add = [&names](const QByteArray& s) {
    if (!s.isEmpty()) names.push_back(s);
  };
  for (const TFileItem& item : files) {
    if (auto* s = std::get_if<QByteArray>(&item)) {
      add(*s);
    } else if (auto* q = std::get_if<QString>(&item)) {
      add(Ansi(*q));
    } else if (auto* c = std::get_if<const char*>(&item)) {
      if (*c) add(QByteArray(*c));
    } else if (auto* arr = std::get_if<TCStrArray>(&item)) {
      for (const char* const* p = arr->items; p && *p; ++p) add(QByteArray(*p));
    } else if (auto* list = std::get_if<QStringList>(&item)) {
      for (const QString& line : *list) add(Ansi(line));
    } else if (auto* v = std::get_if<QVariant>(&item)) {
      if (v->typeId() == QMetaType::QVariantList || v->typeId() == QMetaType::QStringList) {
        for (const QVariant& e : v->toList()) add(Ansi(e.toString()));
      } else if (v->isValid() && !v->isNull()) {
        add(Ansi(v->toString()));
      }
    }
  }
  return names;
}

bool EndsWithPathDelimiter(const QByteArray& folder) {
  const int last = platform::LastCharStart(folder);
  if (last < 0 || platform::CharLength(folder, last) != 1) return false;
  return folder.at(last) == '/' || folder.at(last) == '\\';
}

void TCmdOpt::Add(const QByteArray& s) {
  Text += ' ';
  Text += s;
}

void TCmdOpt::AddStr(const QByteArray& name, const QByteArray& value) {
  if (IsNulMarker(value)) return;
  if (name.isEmpty()) {
    Add(Quoted(value));
    return;
  }
  const QByteArray sw = name.startsWith(' ') ? name.mid(1) : '-' + name;
  Add(SpaceBeforeValue ? sw + ' ' + Quoted(value) : Quoted(sw + value));
}

void TCmdOpt::AddNum(const QByteArray& name, int n) {
  if (n >= 0) Add('-' + name + QByteArray::number(n));
}

void TCmdOpt::AddFlag(const QByteArray& name, bool on) {
  if (on) Add('-' + name);
}

void TCmdOpt::AddDir(const QByteArray& name, const QByteArray& folder) {
  if (folder.isEmpty() || IsNulMarker(folder)) return;
  AddFile(name, EndsWithPathDelimiter(folder) ? folder : folder + '/');
}

QByteArray TCmdOpt::Filter(const QByteArray& name) const { return NameFilter ? NameFilter(name) : name; }

void TCmdOpt::AddFiltered(const QByteArray& name, const QByteArray& file) { AddFile(name, Filter(file)); }

int TCmdOpt::AddFiles(const QByteArray& name, const TFileList& files, bool literal) {
  const std::vector<QByteArray> names = CollectNames(files);
  for (const QByteArray& n : names) {
    if (!literal) {
      AddFiltered(name, n);
      continue;
    }
    const QByteArray v = Filter(n);
    if (!IsNulMarker(v)) Add(name.isEmpty() ? Quoted(v, true) : '-' + name + ' ' + Quoted(v, true));
  }
  return static_cast<int>(names.size());
}

int TCmdOpt::AddResponseFile(const TFileList& files, const QString& path) {
  const std::vector<QByteArray> names = CollectNames(files);
  QByteArray block;
  for (const QByteArray& n : names) block += Quoted(Filter(n), true) + "\r\n";
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(block) != block.size())
    throw Exception(QStringLiteral("ファイル %1 を作成できません。%2").arg(path, f.errorString()));
  f.close();
  AddFile(QByteArray(), '@' + Ansi(path));
  return static_cast<int>(names.size());
}

TArchiver::TArchiver(LoadFn loadDll) : loadDll_(loadDll) { loadDll_(); }

void TArchiver::LoadDLL() { throw EArchiver(QStringLiteral("Abstract method 'TArchiver.LoadDLL' was called")); }

void TArchiver::FreeDLL() { throw EArchiver(QStringLiteral("Abstract method 'TArchiver.FreeDLL' was called")); }

void* TArchiver::OpenArchive(void*, const QString&, uint32_t) { return nullptr; }
int TArchiver::FindFirst(void*, CaMemberInfoEx*, const QByteArray&) { return -1; }
int TArchiver::FindNext(void*, CaMemberInfoEx*) { return -1; }
int TArchiver::CloseArchive(void*) { return 0; }

int TArchiver::Pack(void*, const QString&, const TArchiverOptions&, const QString&, const TFileList&, bool,
                    QByteArray&) {
  throw EArchiver(QStringLiteral("この形式では書庫ファイルの作成をサポートしておりません。"));
}

int TArchiver::RemoveItems(void*, const QString&, const TArchiverOptions&, const QString&, const TFileList&, bool,
                           QByteArray&) {
  throw EArchiver(QStringLiteral("この形式の書庫ではファイルの削除をサポートしておりません。"));
}

int TArchiver::Update(void*, const QString&, const TArchiverOptions&, const QString&, const TFileList&, bool,
                      QByteArray&) {
  throw EArchiver(QStringLiteral("この形式の書庫では書庫の更新をサポートしておりません。"));
}

int TArchiver::MakeSfx(void*, const QString&, const TArchiverOptions&, const QString&, QByteArray&) {
  throw EArchiver(QStringLiteral("この形式では自己解凍書庫の作成をサポートしておりません。"));
}

int TArchiver::ExtractMem(void*, const QString&, const TArchiverOptions&, const QString&, unsigned char*, uint32_t,
                          uint32_t*) {
  throw EArchiver(QStringLiteral("この形式ではメモリへの展開をサポートしておりません。"));
}

bool TArchiver::CheckArchive(const QString&, int, int) {
  throw EArchiver(QStringLiteral("この形式では書庫チェック機能をサポートしておりません。"));
}

bool TArchiver::SetOwnerWindow(void* wnd, void*) {
  OwnerWindow = wnd;
  return false;
}

bool TArchiver::KillOwnerWindow(void*) {
  OwnerWindow = nullptr;
  return false;
}

void TArchiver::RequireDLL() { loadDll_(); }

void TArchiver::AddArchiveAndDir(TCmdOpt& cmd, const QString& arcFileName, const QString& folder) const {
  cmd.AddFile(QByteArray(), Ansi(arcFileName));
  cmd.AddDir(QByteArray(), Ansi(folder));
}

int TArchiver::AddFileList(TCmdOpt& cmd, const TArchiverOptions& options, bool resFile,
                           const TFileList& files) const {
  const bool useFile = resFile && !options.ResFileName.isEmpty() && !IsNulMarker(Ansi(options.ResFileName));
  const int count = useFile ? cmd.AddResponseFile(files, options.ResFileName) : cmd.AddFiles(QByteArray(), files, true);
  cmd.Add(options.UserFileList);
  return count;
}

void* TDllArchiver::OpenArchive(void* wnd, const QString& arcFileName, uint32_t mode) {
  return Dll().OpenArchive(wnd, Ansi(ExpandFileName(arcFileName)), mode);
}

int TDllArchiver::FindFirst(void* arc, CaMemberInfoEx* record, const QByteArray& wildcard) {
  return Dll().FindFirst(arc, wildcard, record);
}

int TDllArchiver::FindNext(void* arc, CaMemberInfoEx* record) { return Dll().FindNext(arc, record); }

int TDllArchiver::CloseArchive(void* arc) { return Dll().CloseArchive(arc); }

bool TDllArchiver::CheckArchive(const QString& arcFileName, int mode, int extra) {
  return Dll().CheckArchive(Ansi(arcFileName), mode + extra) != 0;
}

bool TDllArchiver::SetOwnerWindow(void* wnd, void* callback) {
  TArchiver::SetOwnerWindow(wnd, callback);
  return Dll().SetOwnerWindowEx(wnd, callback);
}

bool TDllArchiver::KillOwnerWindow(void* wnd) {
  const bool accepted = Dll().KillOwnerWindowEx(wnd);
  TArchiver::KillOwnerWindow(wnd);
  return accepted;
}

int TDllArchiver::Run(void* wnd, const QByteArray& commandLine, QByteArray& output) {
  CommandLine = commandLine;
  return Dll().Command(wnd, commandLine, output.data(), static_cast<int>(output.size()));
}

QByteArray TDllArchiver::BuildCommandLine(const QByteArray& word, const QString& arcFileName,
                                          const TArchiverOptions& options, const QString& folder,
                                          const TFileList& files, bool resFile) const {
  TCmdOpt cmd;
  AddSwitches(cmd, word, options);
  cmd.Add(options.UserOptions);
  AddTargets(cmd, arcFileName, folder);
  AddFileList(cmd, options, resFile, files);
  return word + cmd.Text;
}

void TDllArchiver::AddSwitches(TCmdOpt&, const QByteArray&, const TArchiverOptions&) const {}

void TDllArchiver::AddTargets(TCmdOpt& cmd, const QString& arcFileName, const QString& folder) const {
  AddArchiveAndDir(cmd, arcFileName, folder);
}

int TDllArchiver::RunOperation(const TOperationWord& op, void* wnd, const QString& arcFileName,
                               const TArchiverOptions& options, const QString& folder, const TFileList& files,
                               bool callerResFile, TResFileUse use, QByteArray& output) {
  const bool resFile = op.callerResFile ? callerResFile : options.Uses(use);
  return Run(wnd, BuildCommandLine(op.word, arcFileName, options, folder, files, resFile), output);
}

int TDllArchiver::Extract(void* wnd, const QString& arcFileName, const TArchiverOptions& options,
                          const QString& folder, const TFileList& files, bool resFile, QByteArray& output) {
  const QString archive = ops_.expandOnExtract ? ExpandFileName(arcFileName) : arcFileName;
  return RunOperation(ops_.extract, wnd, archive, options, folder, files, resFile, ruOnUnpack, output);
}

int TDllArchiver::Pack(void* wnd, const QString& arcFileName, const TArchiverOptions& options,
                       const QString& baseFolder, const TFileList& files, bool resFile, QByteArray& output) {
  if (!ops_.pack.word) return TArchiver::Pack(wnd, arcFileName, options, baseFolder, files, resFile, output);
  return RunOperation(ops_.pack, wnd, arcFileName, options, baseFolder, files, resFile, ruOnPack, output);
}

int TDllArchiver::RemoveItems(void* wnd, const QString& arcFileName, const TArchiverOptions& options,
                              const QString& folder, const TFileList& files, bool resFile, QByteArray& output) {
  if (!ops_.remove.word) return TArchiver::RemoveItems(wnd, arcFileName, options, folder, files, resFile, output);
  // Removing names members only: no folder on the command line.
  return RunOperation(ops_.remove, wnd, arcFileName, options, QString(), files, resFile, ruOnRemoveItem, output);
}

int TDllArchiver::Update(void* wnd, const QString& arcFileName, const TArchiverOptions& options,
                         const QString& folder, const TFileList& files, bool resFile, QByteArray& output) {
  if (!ops_.update.word) return TArchiver::Update(wnd, arcFileName, options, folder, files, resFile, output);
  return RunOperation(ops_.update, wnd, arcFileName, options, folder, files, resFile, ruOnUpdate, output);
}

int TDllArchiver::MakeSfx(void* wnd, const QString& arcFileName, const TArchiverOptions& options,
                          const QString& folder, QByteArray& output) {
  if (!ops_.sfx.word) return TArchiver::MakeSfx(wnd, arcFileName, options, folder, output);
  return Run(wnd, BuildCommandLine(ops_.sfx.word, arcFileName, options, folder, {}, false), output);
}

int TDllArchiver::ExtractMem(void* wnd, const QString& arcFileName, const TArchiverOptions& options,
                             const QString& member, unsigned char* buf, uint32_t size, uint32_t* written) {
  if (!ops_.memory) return TArchiver::ExtractMem(wnd, arcFileName, options, member, buf, size, written);
  CommandLine = BuildCommandLine(QByteArray(), arcFileName, options, QString(), {member}, false);
  return Dll().ExtractMem(wnd, CommandLine, buf, size, nullptr, nullptr, written);
}
