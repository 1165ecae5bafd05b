#pragma once
// The one object the windows use for archive work: it picks the format by
// name or content, lists members and extracts, and relays module progress.
#include "Arcive/ARCHIVES.h"

#include <QObject>

#include <functional>
#include <memory>

namespace platform {
class MessageWindow;
}

enum TArchiverType {
  atLha,
  atZip,
  atCab,
  atArj,
  atTar,
  atTgz,
  atBZ2,
  atRar,
  atBga,
  atYz1,
  atGCA,
  atBel,
  atNone,
  atAutoDetect,
  atSevenZip  // after the others: stored values keep their meaning
};

class TArchiveFile;
// lpEis points to the module's CaExtractingInfo, passed through untouched.
using TArchiverProgressEvent =
    std::function<void(TArchiveFile* sender, int state, void* lpEis, bool& abort)>;

// Fills request->password and returns true, or returns false for no password.
using TArchiverPasswordEvent = std::function<bool(TArchiveFile* sender, CaPasswordRequest* request)>;

class TArchiveFile : public QObject {
  Q_OBJECT
 public:
  explicit TArchiveFile(QObject* owner = nullptr);
  ~TArchiveFile() override;

  const QString& FileName() const { return fileName_; }
  // Chooses the format by extension; a failure keeps the old name.
  void SetFileName(const QString& path);
  TArchiverType ArchiverType() const { return type_; }
  void SetArchiverType(TArchiverType type);

  TArchiverOptions Options;
  int OutputSize() const { return static_cast<int>(Output.size()); }
  void SetOutputSize(int n);
  TArchiverProgressEvent OnProgress;
  // Asked when an extraction meets an encrypted member.
  TArchiverPasswordEvent OnPassword;
  TArchiver* Archiver() const { return archiver_.get(); }
  void* ArchiveHandle = nullptr;
  QByteArray LastCommandLine;
  QByteArray Output;

  // 0 when opened, 1 when the module could not open the archive.
  int OpenArchive(void* wnd, uint32_t mode);
  int FindFirst(const QByteArray& wildcard, CaMemberInfoEx* record);
  int FindNext(CaMemberInfoEx* record);
  void CloseArchive();
  // Opens the archive, hands visit each member the wildcard matches (false
  // from visit stops) and closes it however the walk ends; false when the
  // archive could not be opened. The archive layer's errors propagate.
  bool ForEachMember(void* wnd, const QByteArray& wildcard, const std::function<bool(const CaMemberInfoEx&)>& visit);
  // The module's status, 0 = success. AllMembers() extracts everything.
  int Extract(void* wnd, const TArchiverOptions* options, const QString& folder, const TFileList& files);

  static TArchiverType DetectArchiverType(const QString& path, bool byExtension);
  // The handle modules get while a progress or password handler is assigned (null before).
  void* ProgressWindow() const;

 private:
  void ResolveAutoDetect();
  void RequireArchiver() const;
  void BeginProgress();
  void EndProgress();
  intptr_t ProgressProc(uint32_t msg, uintptr_t wparam, intptr_t lparam);

  QString fileName_;
  TArchiverType type_ = atAutoDetect;
  std::unique_ptr<TArchiver> archiver_;
  std::unique_ptr<platform::MessageWindow> progressWindow_;
};

// The number of the "wm_arcextract" message.
uint32_t ArcExtractMessage();
