#include "app/extraction.h"

#include "app/keep.h"
#include "app/password.h"
#include "app/state.h"
#include "app/version.h"
#include "Arcive/ArchiveFile.h"
#include "ui/prompt.h"

#include <QLocale>
#include <QProgressDialog>

#include <algorithm>
#include <limits>

bool ExtractArchive(QWidget* owner, const QString& archive, const TFileList& files, const QString& destination,
                    int* moduleStatus) {
  if (moduleStatus) *moduleStatus = 0;
  try {
    TArchiveFile file(owner);
    file.SetFileName(archive);
    file.Options.x = 1;
    file.Options.jf = 0;
    file.Options.jse = 0;
    file.Options.jso = 1;
    file.SetOutputSize(16384);
    // Long extractions show their progress after half a second and can be
    // stopped. The dialog lets events through, so the window takes no input
    // meanwhile: a second run or listing must not start inside this one.
    QProgressDialog progress(QStringLiteral("書庫を展開しています..."), QStringLiteral("中止"), 0, 100);
    progress.setWindowTitle(QString::fromUtf8(kAppTitle));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(500);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setValue(0);
    bool cancelled = false;
    file.OnProgress = [&](TArchiveFile*, int state, void* lpEis, bool& abort) {
      const auto* info = static_cast<const CaExtractingInfo*>(lpEis);
      if (state == CA_STATE_INPROCESS && info) {
        const uint64_t size = info->member_size;
        progress.setLabelText(QStringLiteral("%1\n%2 / %3 バイト")
                                  .arg(QString::fromUtf8(info->member_path), QLocale().toString(qulonglong(info->written)),
                                       QLocale().toString(qulonglong(size))));
        progress.setValue(size ? static_cast<int>(std::min<uint64_t>(100, info->written * 100 / size)) : 100);
      }
      abort = cancelled = cancelled || progress.wasCanceled();
    };
    file.OnPassword = [owner, &progress](TArchiveFile*, CaPasswordRequest* request) {
      // The progress dialog is modal as well: shown over the form it would
      // take the keyboard away from the password field.
      const bool shown = progress.isVisible();
      progress.hide();
      progress.setMinimumDuration(std::numeric_limits<int>::max());
      const bool given = TPasswordForm::Answer(owner, request);
      progress.setMinimumDuration(500);
      if (shown) progress.show();
      return given;
    };
    // What lands in TempRoot is recorded, so that at the close what programs
    // or the user made there can be told from what came out of archives.
    const QString into = destination.isEmpty() ? TempRoot : destination;
    const bool intoTemp = !TempRoot.isEmpty() && (into + QLatin1Char('/')).startsWith(TempRoot);
    const keep::Snapshot before = intoTemp ? keep::Take(TempRoot, into) : keep::Snapshot();
    const int status = file.Extract(owner, nullptr, destination, files);
    if (intoTemp) keep::RecordExtraction(TempRoot, before, into);
    if (moduleStatus) *moduleStatus = status;
    progress.close();
    if (cancelled) return false;
    // Members that were refused or did not check out are gone; say which.
    if (status != 0) {
      const QString said = QString::fromUtf8(file.Output.constData()).trimmed();
      ui::MessageBox(owner,
                     QStringLiteral("書庫 %1 を展開できなかったファイルがあります。").arg(archive) +
                         (said.isEmpty() ? QString() : QStringLiteral("\n\n") + said),
                     QMessageBox::Warning);
    }
    return true;
  } catch (const Exception& e) {
    ui::MessageBox(owner, e.Message(), QMessageBox::Critical);
    return false;
  }
}
