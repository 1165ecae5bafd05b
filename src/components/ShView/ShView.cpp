#include "components/ShView/ShView.h"

#include "components/ShView/links.h"

#include "ui/prompt.h"
#include "ui/views.h"
#include "shell/folderread.h"

#include <QApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QShowEvent>

#include <algorithm>

using namespace shell;
using shview::DragWanted;

// A node keeps its own one-entry list, relative to its parent's folder.
class TFolderView::Node : public QTreeWidgetItem {
 public:
  IdList id;
  bool filled = false;
  bool loading = false;  // being read; a placeholder stands for its folders
};

namespace {

// Node additions: no nested fills, no notifications, the hourglass.
class Busy {
 public:
  Busy(QTreeWidget* tree, bool& filling) : tree_(tree), filling_(filling), was_(filling) {
    filling_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    tree_->setUpdatesEnabled(false);
  }
  ~Busy() {
    tree_->setUpdatesEnabled(true);
    QApplication::restoreOverrideCursor();
    filling_ = was_;
  }

 private:
  QTreeWidget* tree_;
  bool& filling_;
  bool was_;
};

}  // namespace

TFolderView::TFolderView(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setUniformRowHeights(true);
  setRootIsDecorated(false);  // no lines to the root
  setIndentation(19);
  header()->setStretchLastSection(false);
  header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  setTextElideMode(Qt::ElideNone);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
  setAccessibleName(QStringLiteral("フォルダー"));
  resize(200, 200);
  connect(this, &QTreeWidget::itemExpanded, this, &TFolderView::Expanding);
  connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) { SelectionChanged(current); });
  connect(this, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) { Renamed(item); });
  Fill();
}

TFolderView::~TFolderView() {
  if (fileView_) fileView_->SetFolderView(nullptr);
  // Nodes go with the tree; whoever listens is told of each.
  filling_ = true;
  std::vector<QTreeWidgetItem*> all;
  for (QTreeWidgetItemIterator it(this); *it; ++it) all.push_back(*it);
  for (auto n = all.rbegin(); n != all.rend(); ++n) emit OnDeleting(*n);
}

void TFolderView::SetContextMenu(IShellContextMenu* menu) {
  shview::SetLink(this, contextMenu_, menu);
}

void TFolderView::SetDropSource(IShellDragSource* source) {
  shview::SetLink(this, dropSource_, source);
}

void TFolderView::SetComboView(IShellPathView* combo) {
  shview::SetLink(this, comboView_, combo);
}

void TFolderView::StartRename() {
  if (QTreeWidgetItem* node = currentItem(); node && node->parent()) editItem(node, 0);
}

void TFolderView::SetFileView(IShellFileView* view) {
  if (fileView_ && fileView_ != view) fileView_->SetFolderView(nullptr);
  fileView_ = view;
  if (view) view->SetFolderView(this);
}

void TFolderView::Fill() {
  if (filling_) return;
  Node* root = nullptr;
  {
    Busy busy(this, filling_);
    clear();
    root = new Node;
    root->id = EmptyList();
    root->setText(0, DisplayName(EmptyList()));
    root->setIcon(0, TreeIcon(EmptyList(), true));
    root->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    addTopLevelItem(root);
    setCurrentItem(root);
    currentNode_ = root;
  }
  AddChildren(root);
  root->setExpanded(true);
  NotifyLinks(root);
}

IdList TFolderView::GetNodeIDList(const QTreeWidgetItem* item) const {
  std::vector<const Node*> chain;
  for (auto* n = static_cast<const Node*>(item); n; n = static_cast<const Node*>(n->parent())) chain.push_back(n);
  IdList list = EmptyList();
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) list = Concat(list, (*it)->id);
  return list;
}

std::shared_ptr<ShellFolder> TFolderView::FolderOf(const Node* node) const {
  auto desktop = ShellFolder::Desktop();
  return node->parent() ? desktop->BindToObject(GetNodeIDList(node)) : desktop;
}

void TFolderView::AddChildren(Node* node) {
  if (filling_ || !node || node->id.isNull()) return;
  node->filled = true;
  const auto folder = FolderOf(node);
  // A folder that cannot be read gets nothing, and the selection goes back.
  const bool readable = folder && (folder->Path().isEmpty() || (QFileInfo(folder->Path()).isReadable() &&
                                                                QFileInfo(folder->Path()).isExecutable()));
  if (!readable) {
    node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
    if (currentNode_ && currentNode_ != currentItem()) setCurrentItem(currentNode_);
    return;
  }
  if (folder->Path().isEmpty()) {  // the desktop and the computer: a handful of entries
    std::vector<IdList> entries = folder->EnumObjects(kFolders | kIncludeHidden);
    std::sort(entries.begin(), entries.end(),
              [&folder](const IdList& a, const IdList& b) { return static_cast<int16_t>(folder->CompareIDs(a, b)) < 0; });
    FolderListing listing;
    listing.ok = true;
    for (const IdList& entry : entries)
      listing.entries.push_back({entry, folder->GetDisplayNameOf(entry, kInFolder), folder->GetAttributesOf(entry, kHasSubfolder)});
    Populate(node, folder, listing);
    return;
  }
  const int ticket = ++lastTicket_;
  const QString path = folder->Path();
  FolderReadOptions options;
  options.attributeMask = kHasSubfolder | kFolderAttr | kLink;
  std::optional<FolderListing> now = RunWithinBudget<FolderListing>(
      this, [path, options] { return ReadFolder(path, options); },
      [this, ticket](FolderListing listing) { LoadEnded(ticket, listing); });
  if (now) {
    Populate(node, folder, *now);
    return;
  }
  // A slow folder (a big one, a hung mount): the window goes on.
  node->loading = true;
  loads_[ticket] = QPersistentModelIndex(indexFromItem(node));
  Busy busy(this, filling_);
  node->addChild(NewReadingItem());
}

void TFolderView::LoadEnded(int ticket, const FolderListing& listing) {
  const auto it = loads_.find(ticket);
  if (it == loads_.end()) return;
  auto* node = dynamic_cast<Node*>(itemFromIndex(it->second));
  loads_.erase(it);
  if (!node || !node->loading) return;
  node->loading = false;
  {
    Busy busy(this, filling_);
    qDeleteAll(node->takeChildren());
  }
  Populate(node, FolderOf(node), listing);
  if (pendingSelect_) {
    const IdList abs = *pendingSelect_;
    pendingSelect_.reset();
    SelectIDList(abs);
  }
}

void TFolderView::Populate(Node* node, const std::shared_ptr<ShellFolder>& folder, const FolderListing& listing) {
  if (!folder) return;
  Busy busy(this, filling_);
  const IdList base = GetNodeIDList(node);
  const QString prefix = folder->Path() == QLatin1String("/") ? QString() : folder->Path();
  QList<QTreeWidgetItem*> children;
  children.reserve(static_cast<qsizetype>(listing.entries.size()));
  for (const FolderEntry& entry : listing.entries) {
    auto* child = new Node;
    child->id = entry.item;
    child->setText(0, entry.caption);
    const bool onDisk = KindOf(entry.item) == kFile && !folder->Path().isEmpty();
    child->setIcon(0, onDisk ? EntryTreeIcon(prefix + QLatin1Char('/') + entry.caption, entry.attributes | kFolderAttr, entry.mode, true)
                             : TreeIcon(Concat(base, entry.item), true));
    child->setFlags(child->flags() | Qt::ItemIsEditable);
    child->setChildIndicatorPolicy((entry.attributes & kHasSubfolder) ? QTreeWidgetItem::ShowIndicator
                                                                      : QTreeWidgetItem::DontShowIndicator);
    children.append(child);
  }
  node->addChildren(children);
  if (children.isEmpty()) node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
}

void TFolderView::Expanding(QTreeWidgetItem* item) {
  auto* node = dynamic_cast<Node*>(item);
  if (node && !node->filled && node->childCount() == 0) AddChildren(node);
}

void TFolderView::SelectionChanged(QTreeWidgetItem* current) {
  if (filling_) return;
  previousNode_ = currentNode_;
  currentNode_ = current;
  NotifyLinks(current);
  emit OnChange(current);
}

void TFolderView::NotifyLinks(QTreeWidgetItem* node) {
  if (!node || filling_) return;
  const IdList list = GetNodeIDList(node);
  if (fileView_) fileView_->ShowFolder(list);
  if (comboView_) comboView_->ShowPath(list);
}

TFolderView::Node* TFolderView::FindChild(Node* node, const IdList& id) {
  if (!node || node->id.isNull() || id.isNull()) return nullptr;
  const auto folder = FolderOf(node);
  if (!folder) return nullptr;
  if (!node->filled) AddChildren(node);
  node->setExpanded(true);
  auto find = [&]() -> Node* {
    if (node->loading) {
      waiting_ = true;
      return nullptr;
    }
    for (int i = 0; i < node->childCount(); ++i)
      if (auto* child = dynamic_cast<Node*>(node->child(i)); child && child->id == id) return child;
    return nullptr;
  };
  if (Node* child = find()) return child;
  if (waiting_) return nullptr;
  // Made since the node was filled (a typed folder the dialog created): read it again.
  if (folder->GetAttributesOf(id, kFolderAttr) == 0) return nullptr;
  {
    const bool was = filling_;
    filling_ = true;
    qDeleteAll(node->takeChildren());
    filling_ = was;
  }
  AddChildren(node);
  node->setExpanded(true);
  return find();
}

TFolderView::Node* TFolderView::FindNode(const IdList& abs) {
  auto* at = static_cast<Node*>(topLevelItem(0));
  if (!at || abs.isNull()) return nullptr;
  if (!at->filled) AddChildren(at);
  at->setExpanded(true);
  for (IdList rest = abs; at && ItemCount(rest) > 0; rest = rest.mid(FirstItem(rest).size() - 2))
    at = FindChild(at, FirstItem(rest));
  return at;
}

void TFolderView::SelectPath(const QString& path) {
  const IdList list = ShellFolder::Desktop()->ParseDisplayName(path);
  if (list.isNull()) return;
  SelectIDList(list);
}

void TFolderView::SelectIDList(const IdList& abs) {
  pendingSelect_.reset();
  waiting_ = false;
  Node* node = FindNode(abs);
  if (!node && waiting_) {  // a folder on the way is still being read
    pendingSelect_ = abs;
    return;
  }
  if (node) {
    setCurrentItem(node);
    scrollToItem(node);
  } else {
    setCurrentItem(nullptr);
    clearSelection();
  }
}

// The remembered node comes into view at the tree's real size.
void TFolderView::showEvent(QShowEvent* event) {
  QTreeWidget::showEvent(event);
  if (event->spontaneous()) return;
  ui::ShowCurrentOnceLaidOut(this);
}

void TFolderView::SelectChildByID(const IdList& id) {
  if (Node* child = FindChild(static_cast<Node*>(currentItem()), id)) {
    setCurrentItem(child);
    scrollToItem(child);
  }
}

QString TFolderView::GetSelectedPath() const {
  const QTreeWidgetItem* node = currentItem();
  if (!node || !node->isSelected()) return QString();
  const IdList list = GetNodeIDList(node);
  if (ItemCount(list) == 0) return QString();
  const auto holder = FolderHolding(list);
  return holder ? holder->GetDisplayNameOf(LastItem(list), kForParsing) : QString();
}

void TFolderView::ShowName(Node* node, const QString& caption) {
  const bool was = filling_;
  filling_ = true;  // not a rename of the user's
  node->setText(0, caption);
  filling_ = was;
}

void TFolderView::Renamed(QTreeWidgetItem* item) {
  if (filling_ || !item->parent()) return;
  auto* node = dynamic_cast<Node*>(item);
  if (!node) return;
  const auto holder = FolderHolding(GetNodeIDList(node));
  if (!holder) return;
  const QString typed = node->text(0);
  const QString shown = holder->GetDisplayNameOf(node->id, kInFolder);
  if (typed == shown) return;
  QString why;
  const IdList renamed = holder->SetNameOf(node->id, typed, &why);
  if (renamed.isNull()) {
    ShowName(node, shown);
    ui::MessageBox(this, QStringLiteral("フォルダーの名前を変更できませんでした。\n%1").arg(why), QMessageBox::Warning);
    return;
  }
  node->id = renamed;
  ShowName(node, holder->GetDisplayNameOf(renamed, kInFolder));
  if (comboView_ && currentItem()) comboView_->ShowPath(GetNodeIDList(currentItem()));
}

void TFolderView::RenameChild(const IdList& oldId, const IdList& newId) {
  auto* selected = static_cast<Node*>(currentItem());
  Node* child = FindChild(selected, oldId);
  if (!child) return;
  ShowName(child, FolderOf(selected)->GetDisplayNameOf(newId, kInFolder));
  child->id = newId;
  if (comboView_) comboView_->ShowPath(GetNodeIDList(selected));
}

void TFolderView::keyPressEvent(QKeyEvent* event) {
  // The desktop itself cannot be renamed.
  if (event->key() == Qt::Key_F2 && currentItem() && !currentItem()->parent()) return;
  QTreeWidget::keyPressEvent(event);
}

void TFolderView::mousePressEvent(QMouseEvent* event) {
  // A right click selects what it is on, when there is a menu to show.
  if (event->button() == Qt::RightButton && contextMenu_) {
    if (QTreeWidgetItem* hit = itemAt(event->position().toPoint())) setCurrentItem(hit);
    return;
  }
  QTreeWidget::mousePressEvent(event);
  pressedAt_ = event->button() == Qt::LeftButton ? event->position().toPoint() : QPoint(-1, -1);
}

void TFolderView::mouseMoveEvent(QMouseEvent* event) {
  QTreeWidgetItem* node = currentItem();
  // A drag of the selected folder, once the pressed mouse moves (a click stays a click).
  if (dropSource_ && node && node->parent() && DragWanted(pressedAt_, event)) {
    pressedAt_ = QPoint(-1, -1);
    dropSource_->StartDrag(this, FolderHolding(GetNodeIDList(node)), {static_cast<Node*>(node)->id});
    return;
  }
  QTreeWidget::mouseMoveEvent(event);
}

void TFolderView::mouseReleaseEvent(QMouseEvent* event) {
  pressedAt_ = QPoint(-1, -1);
  QTreeWidget::mouseReleaseEvent(event);
  QTreeWidgetItem* node = currentItem();
  if (event->button() == Qt::RightButton && contextMenu_ && node && node->parent())
    contextMenu_->ShowMenu(this, FolderHolding(GetNodeIDList(node)), event->globalPosition().toPoint(),
                           {static_cast<Node*>(node)->id});
}
