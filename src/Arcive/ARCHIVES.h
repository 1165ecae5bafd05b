#pragma once
// The archive access family: the binding to one archiver module, the
// archiver base class, its options and the command-line builder.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <exception>
#include <functional>
#include <variant>
#include <vector>

#include "common_archiver.h"

// An error with a message for the user.
class Exception : public std::exception {
 public:
  explicit Exception(const QString& message) : message_(message), utf8_(message.toUtf8()) {}
  const QString& Message() const { return message_; }
  const char* what() const noexcept override { return utf8_.constData(); }

 private:
  QString message_;
  QByteArray utf8_;
};

class EArchiver : public Exception {
  using Exception::Exception;
};
class ENoArchiverDLL : public EArchiver {
  using EArchiver::EArchiver;
};
class EEntryNotFound : public EArchiver {
  using EArchiver::EArchiver;
};
// A caller broke an operation's precondition.
class EAssertionFailed : public Exception {
  using Exception::Exception;
};
// An assignment between incompatible objects.
class EConvertError : public Exception {
  using Exception::Exception;
};

// Strings handed to modules are 8-bit text in the system code page.
QByteArray Ansi(const QString& text);
// The marker that says a string option is not given: one NUL character.
inline QByteArray NulMarker() { return QByteArray(1, '\0'); }
inline bool IsNulMarker(const QByteArray& s) { return s.size() == 1 && s.at(0) == '\0'; }
// "x" -> "/abs/x" as the system would expand it.
QString ExpandFileName(const QString& path);

// The fifteen entries of a module, in the order their addresses are kept.
enum TArchiverEntry : int {
  enCommand,
  enOpenArchive,
  enCloseArchive,
  enFindFirst,
  enFindNext,
  enExtractMem,
  enCheckArchive,
  enSetOwnerWindowEx,
  enKillOwnerWindowEx,
  enGetWriteTimeEx,
  enGetCreateTimeEx,
  enGetAccessTimeEx,
  enGetOriginalSizeEx,
  enGetCompressedSizeEx,
  enGetArchiveType,
  enEntryCount
};

// Calls into a module through cached entry addresses, without any lookup.
class TCustomArchiverDll {
 public:
  virtual ~TCustomArchiverDll() = default;

  virtual void LoadDLL() = 0;
  virtual void FreeDLL();  // forgets every entry address
  virtual int Command(void* wnd, const QByteArray& cmd, char* out, int size);
  // The module's answer as it is: non-zero means a valid archive.
  virtual int CheckArchive(const QByteArray& file, int mode);
  virtual int CloseArchive(void* arc);
  virtual int ExtractMem(void* wnd, const QByteArray& cmd, unsigned char* buf, uint32_t size, void* time,
                         uint16_t* attr, uint32_t* written);
  virtual int FindFirst(void* arc, const QByteArray& wildcard, CaMemberInfoEx* record);
  virtual int FindNext(void* arc, CaMemberInfoEx* record);
  virtual bool KillOwnerWindowEx(void* wnd);
  virtual void* OpenArchive(void* wnd, const QByteArray& file, uint32_t mode);
  virtual bool SetOwnerWindowEx(void* wnd, void* callback);
  virtual bool GetWriteTimeEx(void* arc, uint64_t* time);
  virtual bool GetCreateTimeEx(void* arc, uint64_t* time);
  virtual bool GetAccessTimeEx(void* arc, uint64_t* time);
  virtual bool GetOriginalSizeEx(void* arc, uint64_t* size);
  virtual bool GetCompressedSizeEx(void* arc, uint64_t* size);
  virtual int GetArchiveType(const QByteArray& file);

  void* EntryAddress(TArchiverEntry e) const { return Entries[e]; }

 protected:
  // Completes the record with 64-bit times and sizes, falling back to the
  // DOS date and time and the 32-bit sizes where the module has no answer.
  void FillExtendedInfo(void* arc, CaMemberInfoEx* record);
  // Looks an entry up once and caches it. A missing required entry raises
  // EEntryNotFound naming the module's file; a missing optional one fails quietly.
  bool ResolveEntry(TArchiverEntry e, void* module, const QByteArray& name, bool required);

  void* Entries[enEntryCount] = {};
};

// One archiver module: "UNLHA32.DLL" with the prefix "Unlha", loaded on first use.
class TArchiverDll : public TCustomArchiverDll {
 public:
  TArchiverDll(const QString& description, const QString& dllName, const QString& prefix);
  ~TArchiverDll() override;

  void* Handle = nullptr;
  QString Description;  // "LHA 形式書庫"
  QString DllName;      // "UNLHA32.DLL"
  QString Prefix;       // "Unlha"

  void LoadDLL() override;
  void FreeDLL() override;
  int Command(void* wnd, const QByteArray& cmd, char* out, int size) override;
  int CheckArchive(const QByteArray& file, int mode) override;
  int CloseArchive(void* arc) override;
  int ExtractMem(void* wnd, const QByteArray& cmd, unsigned char* buf, uint32_t size, void* time, uint16_t* attr,
                 uint32_t* written) override;
  int FindFirst(void* arc, const QByteArray& wildcard, CaMemberInfoEx* record) override;
  int FindNext(void* arc, CaMemberInfoEx* record) override;
  bool KillOwnerWindowEx(void* wnd) override;
  void* OpenArchive(void* wnd, const QByteArray& file, uint32_t mode) override;
  bool SetOwnerWindowEx(void* wnd, void* callback) override;
  bool GetWriteTimeEx(void* arc, uint64_t* time) override;
  bool GetCreateTimeEx(void* arc, uint64_t* time) override;
  bool GetAccessTimeEx(void* arc, uint64_t* time) override;
  bool GetOriginalSizeEx(void* arc, uint64_t* size) override;
  bool GetCompressedSizeEx(void* arc, uint64_t* size) override;
  int GetArchiveType(const QByteArray& file) override;

 private:
  // Loads first when asked, then resolves prefix + suffix.
  void Lookup(TArchiverEntry e, const char* suffix, bool loadFirst, bool required = true);
  bool LookupOptional(TArchiverEntry e, const char* suffix);
};

// A DOS date and time as a file time, without time-zone conversion; 0 when invalid.
uint64_t DosDateTimeToFileTime(uint16_t date, uint16_t time);

// The framework's assignable base: copying into an unknown class is refused.
class TPersistent {
 public:
  virtual ~TPersistent() = default;
  virtual void AssignTo(TPersistent& dest) const;
  virtual const char* ClassName() const { return "TPersistent"; }
};

enum TPackFilter { pfArchiver, pfComponent };
enum TResFileUse { ruOnPack, ruOnUnpack, ruOnRemoveItem, ruOnUpdate };
using TResFileUsage = unsigned;  // a set of TResFileUse bits
constexpr TResFileUsage ResUse(TResFileUse u) { return 1u << u; }

// Switch values a caller sets once and every format translates into its own
// command line. -1 means not given; a string holding NulMarker() likewise.
class TArchiverOptions : public TPersistent {
 public:
  TArchiverOptions() { Clear(); }
  void Clear();
  void AssignTo(TPersistent& dest) const override;
  const char* ClassName() const override { return "TArchiverOptions"; }

  int8_t a, c, e, f, h, i, l, m, n, o, p, r, s, t, u;
  QByteArray w;
  int8_t x, y, z, jc, jd, je, jf, jh, ji, jm, jn;
  QByteArray jo, job;
  int8_t jp, jr, jsb, jsc, jsd, jse, jsf, jsl, jso, jss, jst, jsv, jsz, jw;
  QStringList jx;
  int8_t jyc, jyd, jyk, jyn, jyo;
  QByteArray jz;
  int8_t ga, gd, ge, gf, gj, gm, gn, go, gp;
  QByteArray gr;
  int8_t gs, gu, gw;
  QByteArray UserOptions;   // free text after the switches
  QByteArray UserFileList;  // free text after the names
  TPackFilter PackFilter;
  QString ResFileName;
  TResFileUsage ResFileUsage;

  bool Uses(TResFileUse u) const { return (ResFileUsage & ResUse(u)) != 0; }
};

// A null-terminated array of C strings; a null array holds no names.
struct TCStrArray {
  const char* const* items = nullptr;
};
// Anything a caller may pass as a list of member names: 8-bit strings,
// strings, C strings, C-string arrays, string lists, variants (an array gives
// every element). std::monostate stands for any other kind and gives nothing.
using TFileItem = std::variant<std::monostate, QByteArray, QString, const char*, TCStrArray, QStringList, QVariant>;
using TFileList = std::vector<TFileItem>;
// The names in order, empty ones dropped.
std::vector<QByteArray> CollectNames(const TFileList& files);
// The list the program passes for "every member".
inline TFileList AllMembers() { return {TCStrArray{}}; }

// A member name (unquoted) as the modules read it back as that name only:
// "*", "?", "[" and a leading "@" written in the "<XX>" form of
// common_archiver.h, with '"', '<' and control characters. Names without
// any of them are unchanged.
QByteArray LiteralName(const QByteArray& name);

// Builds one command line piece by piece; each piece follows one blank.
class TCmdOpt {
 public:
  bool SpaceBeforeValue = false;
  std::function<QByteArray(const QByteArray&)> NameFilter;
  QByteArray Text;

  void Add(const QByteArray& s);
  void AddStr(const QByteArray& name, const QByteArray& value);
  void AddNum(const QByteArray& name, int n);
  void AddFlag(const QByteArray& name, bool on);
  void AddFile(const QByteArray& name, const QByteArray& value) { AddStr(name, value); }
  void AddDir(const QByteArray& name, const QByteArray& folder);
  QByteArray Filter(const QByteArray& name) const;
  void AddFiltered(const QByteArray& name, const QByteArray& file);
  // literal: names from a listing, each selecting its one member (LiteralName).
  int AddFiles(const QByteArray& name, const TFileList& files, bool literal = false);
  // Writes the names, quoted, one per CR LF line, and adds "@path" instead.
  int AddResponseFile(const TFileList& files, const QString& path);
};

// True when the last whole character is a path separator ("/" or "\").
bool EndsWithPathDelimiter(const QByteArray& folder);

// The abstract archiver: what a format may offer, with the base behaviour
// for formats that lack an operation.
class TArchiver {
 public:
  using LoadFn = void (*)();
  virtual ~TArchiver() = default;

  void* OwnerWindow = nullptr;
  QByteArray CommandLine;  // the last command line an operation built

  static void LoadDLL();  // abstract at this level
  static void FreeDLL();

  virtual void* OpenArchive(void* wnd, const QString& arcFileName, uint32_t mode);
  virtual int FindFirst(void* arc, CaMemberInfoEx* record, const QByteArray& wildcard);
  virtual int FindNext(void* arc, CaMemberInfoEx* record);
  virtual int CloseArchive(void* arc);
  virtual int Extract(void* wnd, const QString& arcFileName, const TArchiverOptions& options,
                      const QString& folder, const TFileList& files, bool resFile, QByteArray& output) = 0;
  virtual int Pack(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& baseFolder,
                   const TFileList& files, bool resFile, QByteArray& output);
  virtual int RemoveItems(void* wnd, const QString& arcFileName, const TArchiverOptions& options,
                          const QString& folder, const TFileList& files, bool resFile, QByteArray& output);
  virtual int Update(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
                     const TFileList& files, bool resFile, QByteArray& output);
  virtual int MakeSfx(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
                      QByteArray& output);
  virtual int ExtractMem(void* wnd, const QString& arcFileName, const TArchiverOptions& options,
                         const QString& member, unsigned char* buf, uint32_t size, uint32_t* written);
  virtual bool CheckArchive(const QString& arcFileName, int mode, int extra);
  virtual bool SetOwnerWindow(void* wnd, void* callback);
  virtual bool KillOwnerWindow(void* wnd);
  virtual void RequireDLL();

  bool HasOwnerWindow() const { return OwnerWindow != nullptr; }
  void AddArchiveAndDir(TCmdOpt& cmd, const QString& arcFileName, const QString& folder) const;
  int AddFileList(TCmdOpt& cmd, const TArchiverOptions& options, bool resFile, const TFileList& files) const;

 protected:
  // Every archiver loads its own format's module when created, so an
  // archiver exists only when its module could be loaded.
  explicit TArchiver(LoadFn loadDll);

 private:
  LoadFn loadDll_;
};

// The process-wide binding of one format, made and loaded by its first Load;
// a binding that exists returns at once, even when its module could not be loaded.
template <class Binding>
class TSlot {
 public:
  explicit TSlot(std::function<Binding*()> make) : make_(std::move(make)) {}
  void Load() {
    if (dll_) return;
    dll_ = make_();
    dll_->LoadDLL();
  }
  void Free() {
    delete dll_;
    dll_ = nullptr;
  }
  Binding& Get() {
    if (!dll_) Load();
    return *dll_;
  }
  bool Exists() const { return dll_ != nullptr; }

 private:
  std::function<Binding*()> make_;
  Binding* dll_ = nullptr;
};

// The binding of a format with one module.
class TBindingSlot : public TSlot<TArchiverDll> {
 public:
  TBindingSlot(const char* description, const char* dllName, const char* prefix);
};

// How one format's module spells each operation. A null word leaves the
// operation to TArchiver, which refuses it; callerResFile takes the caller's
// response-file choice instead of the options' ResFileUsage.
struct TOperationWord {
  constexpr TOperationWord(const char* w = nullptr, bool caller = false) : word(w), callerResFile(caller) {}
  const char* word;
  bool callerResFile;
};
// Written in full in each format: extract, pack, remove, update, sfx, memory, expandOnExtract.
struct TFormatOperations {
  TOperationWord extract, pack, remove, update, sfx;
  bool memory = true;              // ExtractMem through the module
  bool expandOnExtract = false;    // the archive's full path on the extract command line
};

// An archiver that drives one TArchiverDll: every operation is the format's
// command line run through the module's command entry; what differs between
// formats is their TFormatOperations and BuildCommandLine.
class TDllArchiver : public TArchiver {
 public:
  void* OpenArchive(void* wnd, const QString& arcFileName, uint32_t mode) override;
  int FindFirst(void* arc, CaMemberInfoEx* record, const QByteArray& wildcard) override;
  int FindNext(void* arc, CaMemberInfoEx* record) override;
  int CloseArchive(void* arc) override;
  int Extract(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
              const TFileList& files, bool resFile, QByteArray& output) override;
  int Pack(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& baseFolder,
           const TFileList& files, bool resFile, QByteArray& output) override;
  int RemoveItems(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
                  const TFileList& files, bool resFile, QByteArray& output) override;
  int Update(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
             const TFileList& files, bool resFile, QByteArray& output) override;
  int MakeSfx(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
              QByteArray& output) override;
  int ExtractMem(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& member,
                 unsigned char* buf, uint32_t size, uint32_t* written) override;
  bool CheckArchive(const QString& arcFileName, int mode, int extra) override;
  bool SetOwnerWindow(void* wnd, void* callback) override;
  bool KillOwnerWindow(void* wnd) override;

  // The format's whole command line: word, the format's switches, user
  // options, archive and folder, names.
  virtual QByteArray BuildCommandLine(const QByteArray& word, const QString& arcFileName,
                                      const TArchiverOptions& options, const QString& folder, const TFileList& files,
                                      bool resFile) const;

 protected:
  TDllArchiver(LoadFn loadDll, TBindingSlot& slot, const TFormatOperations& operations)
      : TArchiver(loadDll), slot_(slot), ops_(operations) {}
  TArchiverDll& Dll() const { return slot_.Get(); }
  // The switches this format's module reads, in their order.
  virtual void AddSwitches(TCmdOpt& cmd, const QByteArray& word, const TArchiverOptions& options) const;
  // Where the archive and the folder stand on the command line.
  virtual void AddTargets(TCmdOpt& cmd, const QString& arcFileName, const QString& folder) const;
  // Stores the command line and runs it through the module's command entry.
  int Run(void* wnd, const QByteArray& commandLine, QByteArray& output);

 private:
  // Runs one operation as the table spells it.
  int RunOperation(const TOperationWord& op, void* wnd, const QString& arcFileName, const TArchiverOptions& options,
                   const QString& folder, const TFileList& files, bool callerResFile, TResFileUse use,
                   QByteArray& output);

  TBindingSlot& slot_;
  const TFormatOperations& ops_;
};

