#pragma once
#include "Arcive/ARCHIVES.h"

// The ZIP binding: up to three modules, "UNZIP32.DLL" (listing, extraction),
// "ZIP32J.DLL" (creation) and "LMZIP32.DLL" (both), each entry taken from the
// first module that has it, in an order fixed per entry.
class TZipDll : public TCustomArchiverDll {
 public:
  enum Library { UnZip32, Zip32J, LmZip32, LibraryCount };
  ~TZipDll() override;

  // Loads whichever of the three modules exists; never raises.
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
  int GetArchiveType(const QByteArray& file) override;

  // The creation and extraction command entries.
  int Zip(void* wnd, const QByteArray& cmd, char* out, int size);
  int UnZip(void* wnd, const QByteArray& cmd, char* out, int size);

  bool Loaded(Library lib) const { return handles_[lib] != nullptr; }

 private:
  struct Lookup;
  void* Resolve(void*& cache, const Lookup& lookup);
  int CallCommand(void* entry, void* wnd, const QByteArray& cmd, char* out, int size);

  void* handles_[LibraryCount] = {};
  void* zip_ = nullptr;
  void* unzip_ = nullptr;
};

// ZIP archives through TZipDll; the archiver loads even without its modules
// and reports a missing one from the operation that needs it.
class TZip32 : public TArchiver {
 public:
  TZip32() : TArchiver(&TZip32::LoadDLL) {}
  static void LoadDLL();
  static void FreeDLL();

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

  QByteArray BuildExtractCommandLine(const QByteArray& word, const QString& arcFileName,
                                     const TArchiverOptions& options, const QString& folder, const TFileList& files,
                                     bool resFile) const;
  QByteArray BuildAlternativeCommandLine(const QByteArray& word, const QString& arcFileName,
                                         const TArchiverOptions& options, const QString& folder,
                                         const TFileList& files, bool resFile) const;
  QByteArray BuildCreateCommandLine(const QByteArray& word, const QString& arcFileName,
                                    const TArchiverOptions& options, const QString& folder, const TFileList& files,
                                    bool resFile) const;

  static TZipDll& Dll();
};

// Member names as the ZIP modules take them: a leading "-" becomes "[-]",
// "\" becomes "/" and "[" becomes "[[]" (double-byte aware).
QByteArray ZipNameFilter(const QByteArray& name);

// Whether the file is a ZIP archive a module accepts; never raises.
bool IsZipArchive(const QString& path);

// The extraction command line of the ZIP family ("-x" or, for memory, no
// word), which other formats' modules read as well.
QByteArray UnzipStyleCommandLine(const TArchiver& arc, const QByteArray& word, const QString& arcFileName,
                                 const TArchiverOptions& options, const QString& folder, const TFileList& files,
                                 bool resFile);
