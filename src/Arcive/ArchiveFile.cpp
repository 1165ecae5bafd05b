#include "Arcive/ArchiveFile.h"

#include "Arcive/ARJ32.h"
#include "Arcive/ArchiveKinds.h"
#include "Arcive/BGA32.h"
#include "Arcive/CAB32.h"
#include "Arcive/LHA32.h"
#include "Arcive/RAR32.h"
#include "Arcive/SEVENZIP32.h"
#include "Arcive/TAR32.h"
#include "Arcive/ZIP32.h"
#include "platform/msgwindow.h"

#include <QFileInfo>

uint32_t ArcExtractMessage() {
  static const uint32_t message = platform::RegisterWindowMessage(CA_PROGRESS_MESSAGE_NAME);
  return message;
}

TArchiveFile::TArchiveFile(QObject* owner) : QObject(owner), fileName_(QChar(0)) {}

TArchiveFile::~TArchiveFile() = default;

TArchiverType TArchiveFile::DetectArchiverType(const QString& path, bool byExtension) {
  if (byExtension) {
    if (const TArchiveKind* kind = ArchiveKindOf(path)) return kind->type;
    if (!QFileInfo(path).fileName().endsWith(QLatin1String(".exe"), Qt::CaseInsensitive)) return atNone;
  }
  // A 7z archive says so in its first bytes.
  if (IsSevenZipArchive(path)) return atSevenZip;
  // Every probe runs; LHA outranks CAB, which outranks ZIP.
  const bool zip = IsZipArchive(path);
  const bool cab = IsCabArchive(path);
  const bool lha = IsLhaArchive(path);
  return lha ? atLha : cab ? atCab : zip ? atZip : atNone;
}

void TArchiveFile::SetFileName(const QString& path) {
  SetArchiverType(DetectArchiverType(path, true));
  fileName_ = path;
}

void TArchiveFile::SetArchiverType(TArchiverType type) {
  std::unique_ptr<TArchiver> made;
  switch (type) {
    case atLha: made = std::make_unique<TLha32>(); break;
    case atZip: made = std::make_unique<TZip32>(); break;
    case atCab: made = std::make_unique<TCab32>(); break;
    case atArj: made = std::make_unique<TArj32>(); break;
    case atTar: made = std::make_unique<TTar32>(); break;
    case atTgz: made = std::make_unique<TTgz32>(); break;
    case atBZ2: made = std::make_unique<TBZ232>(); break;
    case atRar: made = std::make_unique<TRar32>(); break;
    case atBga: made = std::make_unique<TBGA32>(); break;
    case atSevenZip: made = std::make_unique<TSevenZip32>(); break;
    case atAutoDetect: type_ = type; return;
    case atNone: return;
    case atYz1:
    case atGCA:
    case atBel: throw EArchiver(QStringLiteral("書庫の形式を特定できませんでした。"));
  }
  archiver_ = std::move(made);
  type_ = type;
}

void TArchiveFile::SetOutputSize(int n) {
  Output = QByteArray(std::max(n, 0), ' ');
  if (n > 0) Output[0] = '\0';
}

void TArchiveFile::ResolveAutoDetect() {
  if (type_ == atAutoDetect) SetArchiverType(DetectArchiverType(fileName_, false));
}

void TArchiveFile::RequireArchiver() const {
  if (!archiver_) throw EArchiver(QStringLiteral("書庫の形式を判別できません。"));
}

int TArchiveFile::OpenArchive(void* wnd, uint32_t mode) {
  ResolveAutoDetect();
  RequireArchiver();
  ArchiveHandle = archiver_->OpenArchive(wnd, fileName_, mode);
  return ArchiveHandle ? 0 : 1;
}

int TArchiveFile::FindFirst(const QByteArray& wildcard, CaMemberInfoEx* record) {
  RequireArchiver();
  return archiver_->FindFirst(ArchiveHandle, record, wildcard);
}

int TArchiveFile::FindNext(CaMemberInfoEx* record) {
  RequireArchiver();
  return archiver_->FindNext(ArchiveHandle, record);
}

void TArchiveFile::CloseArchive() {
  RequireArchiver();
  archiver_->CloseArchive(ArchiveHandle);
  ArchiveHandle = nullptr;
}

bool TArchiveFile::ForEachMember(void* wnd, const QByteArray& wildcard,
                                 const std::function<bool(const CaMemberInfoEx&)>& visit) {
  if (OpenArchive(wnd, 0) != 0) return false;
  struct Closer {
    TArchiveFile* self;
    ~Closer() {
      try {
        self->CloseArchive();
      } catch (...) {
      }
    }
  } closer{this};
  CaMemberInfoEx rec{};
  for (int st = FindFirst(wildcard, &rec); st == 0 && visit(rec); st = FindNext(&rec)) {
  }
  return true;
}

int TArchiveFile::Extract(void* wnd, const TArchiverOptions* options, const QString& folder,
                          const TFileList& files) {
  RequireArchiver();
  BeginProgress();
  const TArchiverOptions& o = options ? *options : Options;
  struct Finally {
    TArchiveFile* self;
    ~Finally() {
      self->LastCommandLine = self->archiver_->CommandLine;
      self->EndProgress();
    }
  } finally{this};
  return archiver_->Extract(wnd, fileName_, o, folder, files, o.Uses(ruOnUnpack), Output);
}

void* TArchiveFile::ProgressWindow() const { return progressWindow_ ? progressWindow_->Handle() : nullptr; }

void TArchiveFile::BeginProgress() {
  if (!OnProgress && !OnPassword) return;
  try {
    ArcExtractMessage();
    if (!progressWindow_)
      progressWindow_ = std::make_unique<platform::MessageWindow>(
          [this](uint32_t msg, uintptr_t wparam, intptr_t lparam) { return ProgressProc(msg, wparam, lparam); });
    archiver_->SetOwnerWindow(progressWindow_->Handle(), nullptr);
  } catch (...) {
  }
}

void TArchiveFile::EndProgress() {
  if ((!OnProgress && !OnPassword) || !progressWindow_) return;
  try {
    archiver_->KillOwnerWindow(progressWindow_->Handle());
  } catch (...) {
  }
}

intptr_t TArchiveFile::ProgressProc(uint32_t msg, uintptr_t wparam, intptr_t lparam) {
  if (msg != ArcExtractMessage()) return 0;
  if (wparam == CA_STATE_PASSWORD) {
    auto* request = reinterpret_cast<CaPasswordRequest*>(lparam);
    if (!request || request->struct_size < sizeof(CaPasswordRequest)) return 0;
    return OnPassword && OnPassword(this, request) ? CA_PASSWORD_GIVEN : 0;
  }
  bool abort = false;
  if (OnProgress) OnProgress(this, static_cast<int>(wparam), reinterpret_cast<void*>(lparam), abort);
  return abort ? 1 : 0;
}
