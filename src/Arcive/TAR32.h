#pragma once
#include "Arcive/ARCHIVES.h"

// tar, tgz, taz and bz2 archives through "TAR32.DLL" (prefix "Tar"). The
// three classes share one module and differ in the compression switch.
class TTar32 : public TDllArchiver {
 public:
  TTar32();
  static void LoadDLL();
  static void FreeDLL();

  // Joins the "kmtarsef.exe" stub and the archive; no module call.
  int MakeSfx(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
              QByteArray& output) override;

 protected:
  void AddSwitches(TCmdOpt& cmd, const QByteArray& word, const TArchiverOptions& options) const override;
  void AddTargets(TCmdOpt& cmd, const QString& arcFileName, const QString& folder) const override;
  // The compression switch letter ("z" for gzip, "B" for bzip2), none for plain tar.
  virtual const char* CompressionSwitch() const { return nullptr; }
};

class TTgz32 : public TTar32 {
 protected:
  const char* CompressionSwitch() const override { return "z"; }
};

class TBZ232 : public TTar32 {
 public:
  int MakeSfx(void* wnd, const QString& arcFileName, const TArchiverOptions& options, const QString& folder,
              QByteArray& output) override;

 protected:
  const char* CompressionSwitch() const override { return "B"; }
};
