// The main window's folder browsing and archive listing, and what the
// selection in the list means.
#include "app/main.h"

#include "app/IniFile.h"
#include "app/func.h"
#include "app/glyphs.h"
#include "app/kinds.h"
#include "app/listview.h"
#include "components/FTVEX/FTVEX.h"
#include "ui/prompt.h"
#include "Arcive/ArchiveFile.h"
#include "platform/files.h"
#include "shell/folderread.h"
#include "shell/shellfolder.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QItemSelectionModel>
#include <QStandardItemModel>
#include <QThread>

#include <array>

#include <sys/stat.h>
#include <memory>

namespace {

// "%12.0n": thousands separators, no decimals, right-aligned in 12 characters.
QString SizeText(uint64_t n) {
  QString digits = QString::number(n);
  for (qsizetype at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, QLatin1Char(','));
  return digits.rightJustified(12);
}

// Hourglass and no repainting while a listing runs, restored however it ends.
class ListingBusy {
 public:
  explicit ListingBusy(QWidget* list) : list_(list) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    list_->setUpdatesEnabled(false);
  }
  ~ListingBusy() {
    list_->setUpdatesEnabled(true);
    QApplication::restoreOverrideCursor();
  }

 private:
  QWidget* list_;
};

// Lets other programs run now and then during long listings.
void YieldEvery50(int& count) {
  if (++count >= 50) {
    QThread::yieldCurrentThread();
    count = 0;
  }
}

}  // namespace

void TForm1::AddEntry(const QString& caption, const QIcon& icon, const QString& size, const QString& date) {
  ListView1->Items()->appendRow(MakeEntry(caption, icon, size, date));
}

QList<QStandardItem*> TForm1::MakeEntry(const QString& caption, const QIcon& icon, const QString& size,
                                        const QString& date) {
  // Cloned from prototypes: flags and alignment come in one copy, where
  // setting them item by item makes a listing of 100,000 members three
  // times as slow.
  static const auto prototypes = [] {
    std::array<std::unique_ptr<QStandardItem>, 3> p;
    for (auto& item : p) {
      item = std::make_unique<QStandardItem>();
      item->setEditable(false);
    }
    p[1]->setTextAlignment(Qt::AlignCenter);
    p[2]->setTextAlignment(Qt::AlignCenter);
    return p;
  }();
  QStandardItem* name = prototypes[0]->clone();
  name->setText(caption);
  name->setIcon(icon);
  QStandardItem* sizeItem = prototypes[1]->clone();
  sizeItem->setText(size);
  QStandardItem* dateItem = prototypes[2]->clone();
  dateItem->setText(date);
  return {name, sizeItem, dateItem};
}

bool TForm1::IsSelfExtracting(const QString& path, bool* unreadable) {
  QByteArray head;
  const bool read = platform::ReadRegularFile(path, &head, 256) && head.size() >= 256;
  if (unreadable) *unreadable = !read;
  if (!read) {
    ui::MessageBox(this, QStringLiteral("ファイル %1 を読み込めません。").arg(path), QMessageBox::Critical);
    return false;
  }
  if (HasLhaDll && head.mid(36, 9) == "LHA's SFX") return true;
  return HasZipDll && head.contains("ZIP");
}

void TForm1::ClearList() {
  ++listTicket_;
  ListView1->Items()->removeRows(0, ListView1->Items()->rowCount());
  // A new listing starts a new selection: an entry with the caption of the
  // last one selected is classified again.
  SelectedName.clear();
  ExecMember.clear();
  TextMember.clear();
  HtmlMember.clear();
  FolderArchive.clear();
  FolderProgram.clear();
}

void TForm1::FolderTreeViewEx1Change(const QString& folderName) {
  ClearList();
  ArchivePath.clear();
  Settings.Folder = folderName;
  BitBtn2->setEnabled(false);
  if (!QFileInfo(folderName).isFile()) {
    ListFolder(folderName);
    BitBtn3->setEnabled(false);
    return;
  }
  const QString ext = ExtensionOf(folderName);
  bool archive = false;
  if (ext == QLatin1String(".exe")) {
    if (!IsSelfExtracting(folderName)) {
      BitBtn3->setEnabled(false);
      return;
    }
    archive = true;
  } else {
    archive = ArchiveModulePresent(folderName);
  }
  if (archive) {
    ArchivePath = folderName;
    ListArchive();
  }
  BitBtn3->setEnabled(true);
}

void TForm1::OpenPath(const QString& given) {
  const QFileInfo info(given);
  if (!info.exists()) {
    ui::MessageBox(this, QStringLiteral("「%1」が見つかりません。").arg(given), QMessageBox::Warning);
    return;
  }
  const QString path = info.absoluteFilePath();
  // The tree may not know a folder made since it was filled.
  const auto select = [this](const QString& p) {
    if (FolderTreeViewEx1->SelectPath(p)) return true;
    FolderTreeViewEx1->RefreshTree();
    return FolderTreeViewEx1->SelectPath(p);
  };
  if (select(path)) {
    FolderTreeViewEx1->scrollToItem(FolderTreeViewEx1->currentItem());
    return;
  }
  // A file the tree does not show: its folder.
  if (info.isFile() && select(info.absolutePath())) FolderTreeViewEx1Click(info.absolutePath());
}

void TForm1::FolderTreeViewEx1Click(const QString& folderName) {
  if (QFileInfo(folderName).isFile()) return;
  ArchivePath.clear();
  ListFolder(folderName);
}

void TForm1::ListFolder(const QString& folder) {
  ClearList();
  const int ticket = listTicket_;
  shell::FolderReadOptions options;
  options.folders = false;
  options.files = true;
  options.probe = false;
  options.attributeMask = shell::kLink;
  std::optional<shell::FolderListing> now = shell::RunWithinBudget<shell::FolderListing>(
      this, [folder, options] { return shell::ReadFolder(folder, options); },
      [this, ticket, folder](shell::FolderListing listing) {
        if (ticket == listTicket_) FillFolderList(folder, listing);
      });
  if (now) FillFolderList(folder, *now);
}

void TForm1::FillFolderList(const QString& folder, const shell::FolderListing& listing) {
  ListingBusy busy(ListView1);
  const QString base = AddTrailingBackslash(folder);
  for (const shell::FolderEntry& e : listing.entries) {
    // Regular files only (and links to them): a FIFO or device is no archive.
    if (!S_ISREG(e.mode) || !ShownInFolders(base + e.caption)) continue;
    const QDateTime t = QDateTime::fromSecsSinceEpoch(e.mtime);
    AddEntry(e.caption, shell::EntryTreeIcon(base + e.caption, e.attributes, e.mode, false),
             SizeText(static_cast<uint64_t>(e.size)),
             (t.isValid() ? t : QDateTime(QDate(1899, 12, 30), QTime(0, 0))).toString(QStringLiteral("yyyy/MM/dd   HH:mm:ss")));
  }
}

void TForm1::ListArchive() {
  ClearList();
  QList<QByteArray> masks{"*.com", "*.exe"};
  for (int slot : {0, 1, 2, 3, 4, 7, 8})
    if (!ExtensionTable[slot].isEmpty()) masks << "*" + ExtensionTable[slot].toUtf8();
  masks << "*.*";
  // Programs for this system go after the Windows programs.
  int windowsPrograms = 0;
  for (const QByteArray& mask : masks) {
    ListMembers(mask, mask == "*.*" ? windowsPrograms : -1);
    if (mask == "*.exe") windowsPrograms = ListView1->Items()->rowCount();
  }
}

bool TForm1::ListMembers(const QByteArray& mask, int nativeAt) {
  ListingBusy busy(ListView1);
  const TMemberKind maskKind = MemberKindOf(QString::fromUtf8(mask));
  const QIcon icon = glyphs::MemberIcon(maskKind);
  const QIcon programIcon = glyphs::MemberIcon(mkProgram);
  // Programs for this system come from the last pass, which sees every
  // member, and go in one block at nativeAt.
  const bool last = nativeAt >= 0;
  QList<QList<QStandardItem*>> native;
  try {
    TArchiveFile file(this);
    file.SetFileName(ArchivePath);
    int count = 0;
    // Closed however the pass ends.
    file.ForEachMember(nullptr, mask, [&](const CaMemberInfoEx& rec) {
      const QString name = QString::fromUtf8(rec.info.path);
      const bool isNative = IsLinuxProgram(name, rec.info.module_b[0]);
      if (isNative ? last : !(last && IsKnownExtension(ExtensionOf(name)))) {
        const TMemberKind kind = isNative ? mkProgram : maskKind;
        const QIcon& shownIcon = isNative ? programIcon : icon;
        const uint16_t d = rec.info.dos_date, t = rec.info.dos_time;
        const QString date = QString::asprintf("%4.4d/%2.2d/%2.2d", (d >> 9) + 1980, (d >> 5) & 15, d & 31) +
                             QStringLiteral("   ") +
                             QString::asprintf("%2.2d:%2.2d:%2.2d", t >> 11, (t >> 5) & 63, (t & 31) * 2);
        const bool locked = rec.info.module_b[0] & CA_MEMBER_ENCRYPTED;
        QList<QStandardItem*> row =
            MakeEntry(name, locked ? glyphs::Locked(shownIcon) : shownIcon, SizeText(rec.info.original_size), date);
        QStandardItem* item = row.first();
        // What the selection is classified by: the pass knew it.
        item->setData(static_cast<int>(kind), kMemberKindRole);
        if (isNative) native << row;
        else ListView1->Items()->appendRow(row);
        if (locked) {
          item->setToolTip(QStringLiteral("パスワードで保護されています"));
          item->setData(QStringLiteral("パスワードで保護されています"), Qt::AccessibleDescriptionRole);
        }
      }
      YieldEvery50(count);
      return true;
    });
  } catch (const Exception& e) {
    for (const QList<QStandardItem*>& row : native) qDeleteAll(row);
    ui::MessageBox(this, e.Message(), QMessageBox::Critical);
    return false;
  }
  if (!native.isEmpty()) {
    QStandardItemModel* model = ListView1->Items();
    model->insertRows(nativeAt, static_cast<int>(native.size()));
    for (int i = 0; i < native.size(); ++i)
      for (int c = 0; c < native[i].size(); ++c) model->setItem(nativeAt + i, c, native[i][c]);
  }
  return true;
}

void TForm1::ListView1Change() {
  const int row = ListView1->SelectedRow();
  if (row < 0) return;
  const QString caption = ListView1->Items()->item(row, 0)->text();
  if (caption == SelectedName) return;
  ExecMember.clear();
  TextMember.clear();
  HtmlMember.clear();
  FolderArchive.clear();
  FolderProgram.clear();
  SelectedName = caption;
  const QString ext = ExtensionOf(caption);
  if (!ArchivePath.isEmpty()) {
    const QVariant listed = ListView1->Items()->item(row, 0)->data(kMemberKindRole);
    switch (listed.isValid() ? static_cast<TMemberKind>(listed.toInt()) : MemberKindOf(caption)) {
      case mkProgram:
        ExecMember = caption;
        BitBtn2->setEnabled(true);
        break;
      case mkText:
        TextMember = caption;
        BitBtn2->setEnabled(false);
        if (ToolButton2->isChecked()) N3Click();
        break;
      case mkHtml:
        HtmlMember = caption;
        BitBtn2->setEnabled(true);
        break;
      case mkOther:
        BitBtn2->setEnabled(false);
        break;
    }
    return;
  }
  BitBtn2->setEnabled(false);
  const QString full = AddTrailingBackslash(Settings.Folder) + caption;
  if (ext == QLatin1String(".exe")) {
    // A program that cannot be read ends the classification (it was said).
    bool unreadable = false;
    const bool sfx = IsSelfExtracting(full, &unreadable);
    if (sfx) FolderArchive = full;
    else if (!unreadable) FolderProgram = full;
  } else if (ArchiveModulePresent(caption)) {
    FolderArchive = full;
  }
}

void TForm1::ListView1MouseDown(Qt::MouseButton button, const QPoint& globalPos) {
  if (button != Qt::RightButton || ArchivePath.isEmpty()) return;
  if (ListView1->SelectedRow() < 0) return;
  PopupMenu1->popup(globalPos);
}
