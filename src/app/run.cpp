// Running members from the temporary folder, opening and viewing them.
#include "app/main.h"

#include "app/IniFile.h"
#include "app/extraction.h"
#include "app/func.h"
#include "app/memo.h"
#include "ui/prompt.h"
#include "app/version.h"
#include "Arcive/ArchiveFile.h"
#include "platform/process.h"
#include "platform/sandbox.h"
#include "platform/wineprefix.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>


namespace {

// The session's wine prefix in the temporary root: a name with a dot, which
// no run folder has.
QString SessionWinePrefix() { return TempRoot.isEmpty() ? QString() : TempRoot + QStringLiteral("wine.prefix"); }

// Makes the session's wine prefix from the user's template (made first when
// there is none), under a progress dialog that can cancel it.
bool PrepareWinePrefix(QWidget* parent) {
  const QString prefix = SessionWinePrefix();
  if (prefix.isEmpty()) return false;
  if (QFileInfo::exists(prefix)) return true;
  QProgressDialog progress(QStringLiteral("wine を準備しています…"), QStringLiteral("キャンセル"), 0, 0, parent);
  progress.setWindowTitle(QString::fromUtf8(kAppTitle));
  progress.setWindowModality(Qt::ApplicationModal);
  progress.setMinimumDuration(300);
  progress.setAutoClose(false);
  progress.setAutoReset(false);
  const platform::KeepWaiting wait = [&progress] {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return !progress.wasCanceled();
  };
  QString error;
  bool ok = true;
  if (!platform::WineTemplateReady()) {
    progress.show();
    ok = platform::MakeWineTemplate(wait, &error);
  }
  ok = ok && platform::CopyWineTemplate(prefix, wait, &error);
  progress.close();
  if (!ok && !error.isEmpty())
    ui::MessageBox(parent, QStringLiteral("wine を準備できませんでした。\n\n") + error, QMessageBox::Warning);
  return ok;
}

// A sandbox that cannot be had is said once a window.
void TellAboutTheSandbox(QWidget* parent) {
  QWidget* window = parent ? parent->window() : nullptr;
  if (!Settings.Sandbox || (window && window->property("zotSandboxTold").toBool())) return;
  const QString problem = platform::SandboxProblem();
  if (problem.isEmpty()) return;
  if (window) window->setProperty("zotSandboxTold", true);
  ui::MessageBox(parent,
                 QStringLiteral("サンドボックスを使えないため、プログラムはサンドボックスなしで起動します。\n\n") + problem,
                 QMessageBox::Warning);
}

}  // namespace

void TForm1::ApplyRunEnvironment() {
  platform::RunEnvironment env;
  env.tempRoot = TempRoot;
  env.winePrefix = SessionWinePrefix();
  env.sandbox = Settings.Sandbox;
  platform::SetRunEnvironment(env);
}

bool StartProgramFile(QWidget* parent, const QString& path) {
  const QString folder = QFileInfo(path).absolutePath();
  QDir::setCurrent(folder);
  if (platform::IsWindowsProgram(path) && !QStandardPaths::findExecutable(QStringLiteral("wine")).isEmpty() &&
      !PrepareWinePrefix(parent))
    return false;
  TellAboutTheSandbox(parent);
  if (platform::StartProgram(path, folder)) return true;
  QString why;
  if (!QFileInfo(path).isFile())
    why = QStringLiteral("プログラム %1 が見つかりません。書庫の展開に失敗した可能性があります。").arg(path);
  else if (platform::IsWindowsProgram(path))
    why = QStringLiteral("%1 は Windows 用のプログラムです。起動するには wine をインストールしてください。").arg(path);
  else
    why = QStringLiteral("プログラム %1 を起動できませんでした。実行の許可があるか確かめてください。").arg(path);
  ui::MessageBox(parent, why, QMessageBox::Warning);
  return false;
}

QString TForm1::RunFolder() const {
  const QString name = QFileInfo(ArchivePath).fileName();
  return TempRoot + name.left(name.indexOf(QLatin1Char('.')) < 0 ? 0 : name.indexOf(QLatin1Char('.')));
}

bool TForm1::ExtractMembers(const QString& mask, const QString& destination) {
  return mask == QLatin1String("*.*") ? ExtractFiles(AllMembers(), destination)
                                      : ExtractFiles({QStringList{mask}}, TempRoot);
}

bool TForm1::ExtractFiles(const TFileList& files, const QString& destination, int* moduleStatus) {
  return ExtractArchive(this, ArchivePath, files, destination, moduleStatus);
}

std::optional<QString> TForm1::MemberFile(const QString& folder, const QString& member) {
  if (std::optional<QString> path = MemberPathIn(folder, member)) return path;
  ui::MessageBox(this,
                 QStringLiteral("書庫の中の名前「%1」は展開先フォルダーの外を指しているため、開きません。").arg(member),
                 QMessageBox::Warning);
  return std::nullopt;
}

void TForm1::BitBtn2Click() {
  const QString member = !ExecMember.isEmpty() ? ExecMember : HtmlMember;
  if (member.isEmpty()) return;
  const QString run = RunFolder();
  if (!MemberFile(run, member)) return;
  QDir().mkdir(run);
  if (!ExtractMembers(QStringLiteral("*.*"), run)) return;  // a stopped run starts nothing
  // Looked at again now that the archive's links are on disk.
  const std::optional<QString> full = MemberFile(run, member);
  // A member that did not come out (a wrong password, say) has been reported.
  if (!full || !QFileInfo::exists(*full)) return;
  if (!ExecMember.isEmpty()) {
    History << *full;
    BitBtn4->setEnabled(true);
    StartProgramFile(this, *full);
    return;
  }
  QDir::setCurrent(QFileInfo(*full).absolutePath());
  TForm2::ShowHtml(this, run, *full);
}

void TForm1::N2Click() {
  if (!ExecMember.isEmpty()) {
    BitBtn2Click();
    return;
  }
  if (SelectedName.isEmpty() || ArchivePath.isEmpty()) return;
  if (!MemberFile(TempRoot, SelectedName)) return;
  if (!ExtractMembers(SelectedName, QString())) return;
  const std::optional<QString> path = MemberFile(TempRoot, SelectedName);
  if (!path || !QFileInfo::exists(*path)) return;  // the extraction has said why
  if (!platform::OpenDocument(*path))
    ui::MessageBox(this, QStringLiteral("%1 を開くプログラムが見つかりません。").arg(*path), QMessageBox::Warning);
}

void TForm1::N3Click() {
  if (!ExecMember.isEmpty() || ArchivePath.isEmpty()) return;
  if (TextMember.isEmpty()) TextMember = SelectedName;
  if (TextMember.isEmpty()) return;
  TForm2::ShowText(this, TextMember);
}

void TForm1::ListView1DblClick() {
  if (!FolderArchive.isEmpty()) {
    ArchivePath = FolderArchive;
    ListArchive();
  }
  if (BitBtn2->isEnabled()) {
    BitBtn2Click();
  } else if (!FolderProgram.isEmpty()) {
    StartProgramFile(this, FolderProgram);
  }
}

void ReportLeftovers(QWidget* parent, const TDeleteReport& report) {
  QStringList shown = report.failed.mid(0, 10);
  if (report.failed.size() > shown.size()) shown << QStringLiteral("ほか %1 件").arg(report.failed.size() - shown.size());
  ui::MessageBox(parent,
                 QStringLiteral("一時解凍フォルダー %1 の一部を削除できませんでした。\n\n").arg(TempRoot) +
                     shown.join(QLatin1Char('\n')),
                 QMessageBox::Warning);
}
