// TFileView and TComboView: the file list and the folder combo that complete
// the folder view into a small explorer.
#include "components/ShView/ShView.h"

#include "components/ShView/links.h"

#include "platform/process.h"
#include "shell/folderread.h"
#include "ui/prompt.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QHeaderView>
#include <QMimeDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>

#include <sys/stat.h>

using namespace shell;
using shview::DragWanted;

namespace {

constexpr int kEntryRole = Qt::UserRole + 1;
constexpr int kFolderRole = Qt::UserRole + 2;
// One table of sort directions serves every file view.
int g_sortDirections[4] = {1, 1, 1, 1};

// The type name of a file, looked up once per extension: by name only,
// since reading 10,000 files to guess their types is what makes a list slow.
QString TypeName(const QString& path, bool folder) {
  static QHash<QString, QString> byExtension;
  static const QMimeDatabase db;
  if (folder) return QStringLiteral("ファイル フォルダ");
  const QString ext = QFileInfo(path).suffix().toLower();
  auto it = byExtension.find(ext);
  if (it == byExtension.end()) {
    const QMimeType t = db.mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    QString name = t.isDefault() || t.comment().isEmpty()
                       ? (ext.isEmpty() ? QStringLiteral("ファイル") : QStringLiteral("%1 ファイル").arg(ext.toUpper()))
                       : t.comment();
    it = byExtension.insert(ext, name.left(80));
  }
  return *it;
}

QString AsciiUpper(QString s) {
  for (QChar& c : s)
    if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - 32);
  return s;
}

}  // namespace

TFileView::TFileView(QWidget* parent) : QTreeWidget(parent) {
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
  setAllColumnsShowFocus(true);
  setSortingEnabled(false);
  setAccessibleName(QStringLiteral("ファイル"));
  setHeaderLabels({QStringLiteral("名前"), QStringLiteral("ｻｲｽﾞ"), QStringLiteral("ﾌｧｲﾙの種類"), QStringLiteral("更新日時")});
  const int widths[] = {120, 60, 120, 120};
  for (int c = 0; c < 4; ++c) setColumnWidth(c, widths[c]);
  headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
  header()->setSectionsClickable(true);
  header()->setSortIndicatorShown(false);
  connect(header(), &QHeaderView::sectionClicked, this, &TFileView::ColumnClick);
  resize(200, 200);
  SetViewStyle(vsReport);
}

TFileView::~TFileView() {
  if (folderView_ && folderView_->FileView() == this) folderView_->SetFileView(nullptr);
}

void TFileView::SetContextMenu(IShellContextMenu* menu) {
  shview::SetLink(this, contextMenu_, menu);
}

void TFileView::SetDropSource(IShellDragSource* source) {
  shview::SetLink(this, dropSource_, source);
}

void TFileView::SetFolderView(TFolderView* view) { folderView_ = view; }

void TFileView::SetViewStyle(TViewStyle style) {
  viewStyle_ = style;
  // Large icons for the icon style, the small ones otherwise.
  const int side = style == vsIcon ? 32 : 16;
  setIconSize(QSize(side, side));
  header()->setVisible(style == vsReport);
}

IdList TFileView::EntryOf(const QTreeWidgetItem* item) {
  return item ? item->data(0, kEntryRole).toByteArray() : IdList();
}

QString TFileView::SizeText(qint64 bytes) {
  // Whole kilobytes, counting the one begun; the full size, so 4 GB and more do not wrap.
  return QString::asprintf("%8lld%s", static_cast<long long>((bytes >> 10) + 1), "KB");
}

void TFileView::ShowFolder(const IdList& abs) {
  if (abs.isNull()) return;
  list_ = abs;
  auto desktop = ShellFolder::Desktop();
  folder_ = ItemCount(abs) == 0 ? nullptr : desktop->BindToObject(abs);
  if (!folder_) folder_ = desktop;
  Fill();
}

void TFileView::Fill() {
  if (!folder_) return;
  std::fill(std::begin(g_sortDirections), std::end(g_sortDirections), 1);
  if (folder_->Path().isEmpty()) {
    Populate(ReadVirtual(*folder_), false);
    return;
  }
  // A big folder or a hung mount is read in the background: the list says
  // so, and the window goes on.
  const int ticket = ++fillTicket_;
  const QString path = folder_->Path();
  FolderReadOptions options;
  options.files = true;
  options.probe = false;
  options.attributeMask = kFolderAttr | kLink;
  std::optional<FolderListing> now = RunWithinBudget<FolderListing>(
      this, [path, options] { return ReadFolder(path, options); },
      [this, ticket](FolderListing listing) {
        if (ticket == fillTicket_) Populate(listing, true);
      });
  if (now) {
    Populate(*now, true);
    return;
  }
  clear();
  addTopLevelItem(NewReadingItem());
}

FolderListing TFileView::ReadVirtual(const ShellFolder& folder) {
  FolderListing out;
  for (const IdList& entry : folder.EnumObjects(kFolders | kNonFolders | kIncludeHidden, &out.ok)) {
    FolderEntry e;
    e.item = entry;
    e.caption = folder.GetDisplayNameOf(entry, kInFolder);
    e.attributes = folder.GetAttributesOf(entry, kFolderAttr | kLink);
    const QString path = folder.GetDisplayNameOf(entry, kForParsing);
    struct stat st {};
    if (path.startsWith(QLatin1Char('/')) && ::stat(QFile::encodeName(path).constData(), &st) == 0) {
      e.mode = st.st_mode;
      e.size = st.st_size;
      e.mtime = st.st_mtim.tv_sec;
    }
    out.entries.push_back(std::move(e));
  }
  return out;
}

void TFileView::Populate(const FolderListing& listing, bool sorted) {
  if (!listing.ok) {
    // An unreadable folder: the tree goes back to where it was, the list stays.
    if (topLevelItemCount() == 1 && !(topLevelItem(0)->flags() & Qt::ItemIsEnabled)) clear();  // the placeholder
    if (folderView_ && folderView_->PreviousNode()) folderView_->setCurrentItem(folderView_->PreviousNode());
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  setUpdatesEnabled(false);
  clear();
  QStringList upperMask;
  for (const QString& m : mask_) upperMask << AsciiUpper(m);
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(listing.entries.size()));
  const QString base = folder_->Path() == QLatin1String("/") ? QString() : folder_->Path();
  for (const FolderEntry& entry : listing.entries) {
    const bool onDisk = KindOf(entry.item) == kFile && !folder_->Path().isEmpty();
    const QString path = onDisk ? base + QLatin1Char('/') + entry.caption : folder_->GetDisplayNameOf(entry.item, kForParsing);
    const bool folder = entry.attributes & kFolderAttr;
    if (!upperMask.isEmpty() && !folder) {
      const qsizetype dot = entry.caption.lastIndexOf(QLatin1Char('.'));
      if (dot < 0 || !upperMask.contains(AsciiUpper(entry.caption.mid(dot)))) continue;
    }
    auto* item = new QTreeWidgetItem;
    item->setText(0, entry.caption);
    item->setData(0, kEntryRole, entry.item);
    item->setData(0, kFolderRole, folder);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    const bool real = path.startsWith(QLatin1Char('/'));
    item->setIcon(0, onDisk ? EntryTreeIcon(path, entry.attributes, entry.mode, false)
                            : real ? PathIcon(path) : ItemIcon(Concat(list_, entry.item), false));
    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    // What a dangling link points at has no size or time.
    if (real && entry.mode != 0 && !S_ISLNK(entry.mode)) {
      if (!folder) item->setText(1, SizeText(entry.size));  // a folder has no size to show
      item->setText(3, QDateTime::fromSecsSinceEpoch(entry.mtime).toString(QStringLiteral("yy/MM/dd hh:mm")));
    }
    item->setText(2, real ? TypeName(path, folder) : QStringLiteral("システム フォルダ"));
    if (entry.attributes & kLink) item->setToolTip(0, QStringLiteral("ショートカット: %1").arg(QFileInfo(path).symLinkTarget()));
    items << item;
  }
  addTopLevelItems(items);
  if (!sorted) SortBy(0);  // a folder read comes in the shell's order already
  setUpdatesEnabled(true);
  QApplication::restoreOverrideCursor();
}

void TFileView::SortBy(int column) {
  QList<QTreeWidgetItem*> items;
  while (topLevelItemCount() > 0) items << takeTopLevelItem(topLevelItemCount() - 1);
  std::reverse(items.begin(), items.end());
  const int dir = g_sortDirections[column];
  const auto folder = folder_;
  if (column == 0 && folder) {
    // The shell's order (folders first, then names as a person sorts them),
    // with each item's key made once: asking the folder n log n times is slow.
    struct Key {
      bool folder;
      QCollatorSortKey name;
      QByteArray raw;
      QTreeWidgetItem* item;
    };
    std::vector<Key> keys;
    keys.reserve(items.size());
    for (QTreeWidgetItem* it : items)
      keys.push_back({it->data(0, kFolderRole).toBool(), NameCollator().sortKey(it->text(0)), NameOf(EntryOf(it)), it});
    std::stable_sort(keys.begin(), keys.end(), [dir](const Key& x, const Key& y) {
      int c = x.folder != y.folder ? (x.folder ? -1 : 1) : x.name.compare(y.name);
      if (c == 0) c = x.raw < y.raw ? -1 : (y.raw < x.raw ? 1 : 0);
      return c * dir < 0;
    });
    for (size_t i = 0; i < keys.size(); ++i) items[static_cast<qsizetype>(i)] = keys[i].item;
  } else {
    std::stable_sort(items.begin(), items.end(), [&](QTreeWidgetItem* x, QTreeWidgetItem* y) {
      return x->text(column).compare(y->text(column)) * dir < 0;
    });
  }
  addTopLevelItems(items);
}

void TFileView::ColumnClick(int column) {
  if (column < 0 || column > 3) return;
  g_sortDirections[column] = -g_sortDirections[column];
  SortBy(column);
}

std::vector<IdList> TFileView::SelectedEntries() const {
  std::vector<IdList> out;
  for (int i = 0; i < topLevelItemCount(); ++i)
    if (topLevelItem(i)->isSelected()) out.push_back(EntryOf(topLevelItem(i)));
  return out;
}

void TFileView::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeWidget::mouseDoubleClickEvent(event);
  QTreeWidgetItem* item = currentItem();
  if (event->button() != Qt::LeftButton || !item || !item->isSelected() || !folder_) return;
  const IdList entry = EntryOf(item);
  if (entry.isNull()) return;
  if ((folder_->GetAttributesOf(entry, kFolderAttr | kFileSysAncestor)) && folderView_) {
    folderView_->SelectChildByID(entry);
    return;
  }
  if (!fileExecute_) return;
  const QString path = folder_->GetDisplayNameOf(entry, kForParsing);
  if (path.startsWith(QLatin1Char('/'))) platform::OpenDocument(path);
}

void TFileView::mousePressEvent(QMouseEvent* event) {
  QTreeWidget::mousePressEvent(event);
  pressedAt_ = event->button() == Qt::LeftButton ? event->position().toPoint() : QPoint(-1, -1);
}

void TFileView::mouseMoveEvent(QMouseEvent* event) {
  // The selected items are dragged once the pressed mouse moves.
  if (dropSource_ && folder_ && DragWanted(pressedAt_, event)) {
    const std::vector<IdList> items = SelectedEntries();
    if (!items.empty()) {
      pressedAt_ = QPoint(-1, -1);
      dropSource_->StartDrag(this, folder_, items);
      return;
    }
  }
  QTreeWidget::mouseMoveEvent(event);
}

void TFileView::mouseReleaseEvent(QMouseEvent* event) {
  pressedAt_ = QPoint(-1, -1);
  QTreeWidget::mouseReleaseEvent(event);
  if (event->button() != Qt::RightButton || !contextMenu_ || !folder_) return;
  const std::vector<IdList> items = SelectedEntries();
  if (!items.empty()) contextMenu_->ShowMenu(this, folder_, event->globalPosition().toPoint(), items);
}

void TFileView::contextMenuEvent(QContextMenuEvent* event) {
  // The mouse's menu comes on the button's release; this is the keyboard's.
  if (event->reason() != QContextMenuEvent::Keyboard || !contextMenu_ || !folder_) return;
  const std::vector<IdList> items = SelectedEntries();
  if (items.empty()) return;
  QPoint at = viewport()->mapToGlobal(currentItem() ? visualItemRect(currentItem()).center() : QPoint());
  contextMenu_->ShowMenu(this, folder_, at, items);
}

void TFileView::StartRename() {
  if (QTreeWidgetItem* item = currentItem(); item && item->isSelected()) {
    editItem(item, 0);
  }
}

bool TFileView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  // Only names are edited, whichever column was clicked.
  return QTreeWidget::edit(index.siblingAtColumn(0), trigger, event);
}

void TFileView::commitData(QWidget* editor) {
  QTreeWidgetItem* item = currentItem();
  const QString old = item ? item->text(0) : QString();
  QTreeWidget::commitData(editor);
  if (!item) return;
  // After the editor has closed: the caption may change again.
  QPersistentModelIndex index(indexFromItem(item));
  QMetaObject::invokeMethod(this, [this, index, old] {
    if (QTreeWidgetItem* it = itemFromIndex(index)) Rename(it, old);
  }, Qt::QueuedConnection);
}

void TFileView::Rename(QTreeWidgetItem* item, const QString& old) {
  const IdList entry = EntryOf(item);
  const QString typed = item->text(0).left(260);
  if (entry.isNull() || !folder_ || typed == old) return;
  QString why;
  const IdList renamed = folder_->SetNameOf(entry, typed, &why);
  if (renamed.isNull()) {
    item->setText(0, folder_->GetDisplayNameOf(entry, kInFolder));
    ui::MessageBox(this, why, QMessageBox::Warning);
    return;
  }
  if (folder_->GetAttributesOf(renamed, kFolderAttr | kFileSysAncestor) && folderView_)
    folderView_->RenameChild(entry, renamed);
  item->setData(0, kEntryRole, renamed);
  item->setText(0, folder_->GetDisplayNameOf(renamed, kInFolder));
}

namespace {

// Lines indented by level in the list, icon and name, the chosen one highlighted.
class ComboDelegate : public QStyledItemDelegate {
 public:
  explicit ComboDelegate(TComboView* combo) : QStyledItemDelegate(combo), combo_(combo) {}
  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const TComboData* d = combo_->Data(index.row());
    if (!d) return;
    const bool selected = option.state & QStyle::State_Selected;
    if (selected) p->fillRect(option.rect, option.palette.highlight());
    const int side = option.rect.height();
    const int x = option.rect.left() + d->Level * TComboView::kIndent;
    ItemIcon(d->IDList, selected).paint(p, QRect(x, option.rect.top(), side, side));
    p->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    p->drawText(QRect(x + side + 3, option.rect.top(), option.rect.width() - side - 3, side),
                Qt::AlignVCenter | Qt::AlignLeft, index.data(Qt::DisplayRole).toString());
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    s.setHeight(std::max(s.height(), 18));
    return s;
  }

 private:
  TComboView* combo_;
};

}  // namespace

TComboView::TComboView(QWidget* parent) : QComboBox(parent) {
  setMaxVisibleItems(8);
  resize(200, height());
  setAccessibleName(QStringLiteral("場所"));
  setItemDelegate(new ComboDelegate(this));
  setIconSize(QSize(16, 16));
  connect(this, qOverload<int>(&QComboBox::activated), this, &TComboView::Changed);
  BaseFill();
}

TComboView::~TComboView() {
  if (folderView_ && folderView_->ComboView() == this) folderView_->SetComboView(nullptr);
}

void TComboView::SetFolderView(TFolderView* view) {
  if (folderView_ && folderView_ != view && folderView_->ComboView() == this) folderView_->SetComboView(nullptr);
  folderView_ = view;
  if (view) view->SetComboView(this);
}

const TComboData* TComboView::Data(int index) const {
  if (index < 0 || index >= count()) return nullptr;
  return static_cast<const TComboData*>(itemData(index, Qt::UserRole).value<void*>());
}

std::vector<std::pair<int, QString>> TComboView::Lines() const {
  std::vector<std::pair<int, QString>> out;
  for (int i = 0; i < count(); ++i) out.push_back({Data(i) ? Data(i)->Level : -1, itemText(i)});
  return out;
}

void TComboView::BaseFill() {
  Filling = true;
  clear();
  base_.clear();
  path_.clear();
  auto desktop = ShellFolder::Desktop();
  auto top = std::make_unique<TComboData>(TComboData{EmptyList(), 0, 0});
  addItem(ItemIcon(EmptyList(), false), QStringLiteral("デスクトップ"), QVariant::fromValue<void*>(top.get()));
  base_.push_back(std::move(top));
  for (const IdList& entry : desktop->EnumObjects(kFolders | kIncludeHidden)) InsertPath(entry);
  const IdList computer = SpecialFolderLocation(kCsidlDrives);
  if (auto drives = desktop->BindToObject(computer))
    for (const IdList& entry : drives->EnumObjects(kFolders | kIncludeHidden)) InsertPath(Concat(computer, entry));
  Filling = false;
  setCurrentIndex(0);
}

int TComboView::InsertPath(const IdList& abs) {
  int scan = 1, at = 1;
  IdList prefix = EmptyList();
  IdList rest = abs;
  for (int level = 1; ItemCount(rest) > 0; ++level) {
    prefix = Concat(prefix, FirstItem(rest));
    rest = rest.mid(ItemSize(FirstItem(rest)) - 2);
    bool found = false;
    for (int i = scan; i < count(); ++i) {
      const TComboData* d = Data(i);
      if (d->Level < level) break;  // past the parent's lines
      if (d->Level != level) continue;
      const int c = CompareAbsolute(prefix, d->IDList);
      if (c == 0) {
        found = true;
        at = scan = i + 1;
        break;
      }
      if (c > 0) at = i + 1;
    }
    if (!found) {
      auto data = std::make_unique<TComboData>(TComboData{prefix, level, at});
      insertItem(at, ItemIcon(prefix, false), DisplayName(prefix), QVariant::fromValue<void*>(data.get()));
      (Filling ? base_ : path_).push_back(std::move(data));
      scan = at = at + 1;
    }
  }
  return at - 1;
}

void TComboView::ShowPath(const IdList& abs) {
  showing_ = true;
  // The previous path's lines go, newest first.
  while (!path_.empty()) {
    removeItem(path_.back()->Index);
    path_.pop_back();
  }
  if (abs.isNull() || CompareAbsolute(abs, EmptyList()) == 0) setCurrentIndex(0);
  else setCurrentIndex(InsertPath(abs));
  showing_ = false;
}

void TComboView::Changed(int index) {
  if (showing_ || !folderView_) return;
  if (const TComboData* d = Data(index)) folderView_->SelectIDList(d->IDList);
}
