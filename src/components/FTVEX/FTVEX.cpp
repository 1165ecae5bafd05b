#include "components/FTVEX/FTVEX.h"
#include "components/FTVEX/node.h"

#include "platform/process.h"
#include "ui/prompt.h"
#include "ui/views.h"

#include <QApplication>
#include <QCollator>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QShowEvent>
#include <QTimer>

#include <algorithm>
#include <optional>
#include <functional>

using namespace shell;


namespace {

int CsidlOf(TRootFolder root) {
  static const int kCsidl[] = {kCsidlDrives,    kCsidlDrives,   kCsidlDesktopDirectory, kCsidlFavorites, kCsidlPrograms,
                               kCsidlRecent,    kCsidlSendTo,   kCsidlStartMenu,        kCsidlStartup,   kCsidlAppData,
                               kCsidlTemplates, kCsidlControls, kCsidlBitBucket,        kCsidlPrinters};
  return kCsidl[root];
}

constexpr uint32_t kFolderLike = kFolderAttr | kHasSubfolder;

bool Addressable(const ShellFolder& folder, const IdList& entry) {
  const QString parsing = folder.GetDisplayNameOf(entry, kForParsing);
  return !parsing.isEmpty() && !ShellFolder::Desktop()->ParseDisplayName(parsing).isNull();
}

}  // namespace

TFolderTreeViewEx::TFolderTreeViewEx(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setUniformRowHeights(true);
  // Whole names, with a scroll bar sideways when they are long, as a
  // desktop folder tree shows them.
  header()->setStretchLastSection(false);
  header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  setTextElideMode(Qt::ElideNone);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);  // only the rename command edits
  setAccessibleName(QStringLiteral("フォルダー"));
  resize(153, 185);
  // Drags in and out are handled here, not by the item model.
  setDragEnabled(true);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setAutoScroll(false);
  dropTarget_ = new TDropTargetObject(this);
  connect(this, &QTreeWidget::itemExpanded, this, &TFolderTreeViewEx::Expand);
  busyCursorTimer_.setSingleShot(true);
  connect(&busyCursorTimer_, &QTimer::timeout, this, [this] {
    if (IsLoading()) viewport()->setCursor(Qt::BusyCursor);
  });
  connect(this, &QTreeWidget::currentItemChanged, this, [this] { emit OnChange(GetFolderName()); });
  connect(this, &QTreeWidget::itemClicked, this, [this] { emit OnClick(GetFolderName()); });
  ReloadTree();
}

TFolderTreeViewEx::~TFolderTreeViewEx() = default;

const TTVITEMDATA* TFolderTreeViewEx::NodeData(const QTreeWidgetItem* node) const {
  auto* n = dynamic_cast<const Node*>(node);
  return n ? &n->data : nullptr;
}

void TFolderTreeViewEx::SetFileMask(const QStringList& mask) {
  fileMask_ = mask;
  ReloadTree();
}

void TFolderTreeViewEx::SetFileFilter(std::function<bool(const QString&, const QByteArray&)> filter) {
  fileFilter_ = std::move(filter);
}

void TFolderTreeViewEx::SetInfoViewSort(bool v) {
  if (v == infoViewSort_) return;
  infoViewSort_ = v;
  if (!specialRoot_) ReloadTree();
}

void TFolderTreeViewEx::SetRootFolder(TRootFolder v) {
  if (v == rootFolder_) return;
  rootFolder_ = v;
  specialRoot_ = v >= rf_Controls;
  if (specialRoot_) showRootFolder_ = true;
  ReloadTree();
}

void TFolderTreeViewEx::SetRootFolderName(const QString& v) {
  if (v == rootFolderName_) return;
  rootFolderName_ = v;
  if (rootFolder_ == rfManual) ReloadTree();
}

void TFolderTreeViewEx::SetSelectedDir(TSelectedDir v) {
  if (v == selectedDir_) return;
  selectedDir_ = v;
  if (rootFolder_ == rfDrives) ReloadTree();
}

void TFolderTreeViewEx::SetFlag(int index, bool value) {
  switch (index) {
    case 0:
      shellRun_ = value;
      return;
    case 1:
      if (value == showFile_ || (specialRoot_ && showFile_ && !value)) return;
      showFile_ = value;
      break;
    case 2:
      if (value == showRootFolder_) return;
      if (showRootFolder_ && !value && ((rootFolder_ == rfManual && showFile_) || specialRoot_)) return;
      showRootFolder_ = value;
      break;
    case 3:
      if (value == showIncludeHidden_) return;
      showIncludeHidden_ = value;
      break;
  }
  ReloadTree();
}

void TFolderTreeViewEx::BeginBusy() {
  busy_ = true;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  setUpdatesEnabled(false);
}

void TFolderTreeViewEx::EndBusy() {
  setUpdatesEnabled(true);
  QApplication::restoreOverrideCursor();
  busy_ = false;
}

void TFolderTreeViewEx::ReloadTree() {
  SetDropTargetNode(nullptr);
  // Reads still under way belong to the old nodes.
  loads_.clear();
  refresh_.reset();
  refreshAgain_ = false;
  pendingLocate_.reset();
  UpdateBusyCursor();
  const bool outer = !busy_;
  if (outer) BeginBusy();
  if (specialRoot_) FillSpecialRoot();
  else FillRoot();
  if (outer) EndBusy();
}

IdList TFolderTreeViewEx::GetRootIDList() const {
  if (rootFolder_ == rfManual && !rootFolderName_.isEmpty()) {
    const IdList list = ShellFolder::Desktop()->ParseDisplayName(rootFolderName_);
    if (!list.isNull() && IsUsableRoot(list)) return list;
  }
  return SpecialFolderLocation(CsidlOf(rootFolder_));
}

bool TFolderTreeViewEx::IsUsableRoot(const IdList& list) const {
  auto holder = FolderHolding(list);
  if (!holder) return false;
  const uint32_t a = holder->GetAttributesOf(LastItem(list), kHasSubfolder | kFolderAttr);
  if ((a & kHasSubfolder) || ((a & kFolderAttr) && showRootFolder_)) return true;
  return showFile_ && HasShownFiles(*holder, LastItem(list));
}

void TFolderTreeViewEx::FillRoot() {
  const IdList root = GetRootIDList();
  if (root.isNull() || DisplayName(root).isEmpty()) return;
  auto holder = FolderHolding(root);
  if (!holder) return;
  clear();
  Node* rootNode = nullptr;
  const IdList relative = LastItem(root);
  if (showRootFolder_) {
    rootNode = new Node;
    rootNode->data = {holder, relative, root, holder->GetAttributesOf(relative, kQueryMask)};
    rootNode->filled = true;
    rootNode->setText(0, DisplayName(root));
    rootNode->setIcon(0, TreeIcon(root, true));
    addTopLevelItem(rootNode);
  }
  if (auto sub = holder->BindToObject(relative)) FillNode(rootNode, sub, ReadNow(*sub));
  collapseAll();
  if (rootNode) rootNode->setExpanded(true);
  if (rootFolder_ == rfDrives && selectedDir_ != sdNone && SelectPath(QStringLiteral("/")))
    if (currentItem()) currentItem()->setExpanded(true);
}

void TFolderTreeViewEx::FillSpecialRoot() {
  const IdList root = GetRootIDList();
  if (root.isNull() || DisplayName(root).isEmpty()) return;
  clear();
  auto desktop = ShellFolder::Desktop();
  auto* node = new Node;
  node->data = {desktop, root, root, desktop->GetAttributesOf(root, kQueryMask)};
  node->filled = true;
  node->setText(0, DisplayName(root));
  node->setIcon(0, TreeIcon(root, true));
  addTopLevelItem(node);
  if (auto sub = desktop->BindToObject(root)) FillNode(node, sub, ReadNow(*sub));
  collapseAll();
  node->setExpanded(true);
}

bool TFolderTreeViewEx::MatchFileMask(const ShellFolder& folder, const IdList& entry) const {
  return !folder.GetDisplayNameOf(entry, kForParsing).isEmpty() && MatchesMask(NameOf(entry), UpperMask());
}

QStringList TFolderTreeViewEx::UpperMask() const {
  QStringList upper;
  for (const QString& m : fileMask_) upper << m.toUpper();
  return upper;
}

bool TFolderTreeViewEx::HasShownFiles(const ShellFolder& folder, const IdList& entry) const {
  auto sub = folder.BindToObject(entry);
  if (!sub) return false;
  const uint32_t flags = kNonFolders | (showIncludeHidden_ ? uint32_t{kIncludeHidden} : 0u);
  for (const IdList& child : sub->EnumObjects(flags)) {
    const uint32_t a = sub->GetAttributesOf(child, kFileSystem | kFolderAttr);
    if (!(a & kFileSystem) || !Addressable(*sub, child)) continue;
    if (fileMask_.isEmpty() || MatchFileMask(*sub, child) || (a & kFolderAttr)) return true;
  }
  return false;
}

FolderReadOptions TFolderTreeViewEx::ReadOptions() const {
  FolderReadOptions o;
  o.folders = true;
  o.files = showFile_;
  o.hidden = specialRoot_ || showIncludeHidden_;
  o.hiddenFilesInProbe = showIncludeHidden_;
  if (!specialRoot_) {
    o.fileMask = UpperMask();
    o.fileFilter = fileFilter_;
  }
  o.filesFirst = infoViewSort_ && showFile_;
  o.probe = true;
  o.attributeMask = kQueryMask;
  return o;
}

FolderListing TFolderTreeViewEx::ReadNow(const ShellFolder& folder) const {
  if (!folder.Path().isEmpty()) return ReadFolder(folder.Path(), ReadOptions());
  // The desktop and the computer: a handful of entries, nothing to wait for.
  FolderListing out;
  out.ok = true;
  uint32_t flags = kFolders;
  if (specialRoot_ || showIncludeHidden_) flags |= kIncludeHidden;
  if (showFile_) flags |= kNonFolders;
  std::vector<IdList> entries = folder.EnumObjects(flags);
  std::stable_sort(entries.begin(), entries.end(),
                   [&folder](const IdList& a, const IdList& b) { return folder.CompareIDs(a, b) < 0; });
  for (const IdList& entry : entries) {
    FolderEntry e;
    e.item = entry;
    e.caption = folder.GetDisplayNameOf(entry, kInFolder);
    e.attributes = folder.GetAttributesOf(entry, kQueryMask);
    const bool folderItem = e.attributes & kFolderAttr;
    if (!specialRoot_ && !(e.attributes & kFolderLike) && !(showFile_ && (e.attributes & kFileSystem))) continue;
    e.expandable = (e.attributes & kHasSubfolder) || (showFile_ && folderItem && HasShownFiles(folder, entry));
    out.entries.push_back(std::move(e));
  }
  return out;
}

TFolderTreeViewEx::Node* TFolderTreeViewEx::MakeNode(const std::shared_ptr<ShellFolder>& folder, const FolderEntry& entry,
                                                     const std::vector<QString>& roots) const {
  if (entry.caption.isEmpty() || entry.caption == QLatin1String("System Volume Information")) return nullptr;
  QString path;
  IdList parsed;
  if (KindOf(entry.item) == kFile && !folder->Path().isEmpty()) {
    path = folder->Path() == QLatin1String("/") ? QLatin1Char('/') + entry.caption
                                                : folder->Path() + QLatin1Char('/') + entry.caption;
    parsed = ParsePathWith(path, roots);
  } else {
    parsed = ShellFolder::Desktop()->ParseDisplayName(folder->GetDisplayNameOf(entry.item, kForParsing));
  }
  if (parsed.isNull() && !specialRoot_) return nullptr;  // only addressable entries
  auto* node = new Node;
  node->data = {folder, entry.item, parsed.isNull() ? Concat(folder->AbsoluteId(), entry.item) : parsed, entry.attributes};
  node->setText(0, entry.caption);
  ShowEntry(node, entry, path);
  return node;
}

void TFolderTreeViewEx::ShowEntry(Node* node, const FolderEntry& entry, const QString& path) const {
  const bool folderItem = entry.attributes & kFolderAttr;
  node->setIcon(0, path.isEmpty() ? TreeIcon(node->data.AbsoluteIDList, folderItem || !showFile_)
                                  : EntryTreeIcon(path, entry.attributes, entry.mode, folderItem || !showFile_));
  if (!node->filled)
    node->setChildIndicatorPolicy(entry.expandable ? QTreeWidgetItem::ShowIndicator
                                                   : QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

QList<QTreeWidgetItem*> TFolderTreeViewEx::MakeNodes(const std::shared_ptr<ShellFolder>& folder,
                                                     const FolderListing& listing, size_t from, size_t to) const {
  const std::vector<QString> roots = ComputerRoots();
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(to - from));
  for (size_t i = from; i < to; ++i)
    if (Node* n = MakeNode(folder, listing.entries[i], roots)) items.append(n);
  return items;
}

void TFolderTreeViewEx::FillNode(QTreeWidgetItem* parent, const std::shared_ptr<ShellFolder>& folder,
                                 const FolderListing& listing) {
  const bool outer = !busy_;
  if (outer) BeginBusy();
  const QList<QTreeWidgetItem*> items = MakeNodes(folder, listing, 0, listing.entries.size());
  if (parent) parent->addChildren(items);
  else addTopLevelItems(items);
  if (parent && items.isEmpty()) parent->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
  if (outer) EndBusy();
}

std::shared_ptr<ShellFolder> TFolderTreeViewEx::FolderOf(const Node* node) const {
  // Known to be a folder from its read: no need to ask the disk (which may hang).
  return node->data.ParentFolder->BindToKnownFolder(node->data.RelativeID);
}

void TFolderTreeViewEx::Expand(QTreeWidgetItem* item) {
  auto* node = dynamic_cast<Node*>(item);
  if (!node || node->filled) return;
  node->filled = true;
  const auto folder = FolderOf(node);
  if (!folder) {
    node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    return;
  }
  if (folder->Path().isEmpty()) {
    FillNode(node, folder, ReadNow(*folder));
    return;
  }
  const int ticket = ++lastTicket_;
  const QString path = folder->Path();
  const FolderReadOptions options = ReadOptions();
  std::optional<FolderListing> now = RunWithinBudget<FolderListing>(
      this, [path, options] { return ReadFolder(path, options); },
      [this, ticket](FolderListing listing) { LoadEnded(ticket, std::move(listing)); });
  if (now) {
    FillNode(node, folder, *now);
    return;
  }
  // A slow folder (a big one, a hung mount): the window goes on, the node
  // says it is being read and fills when the read ends.
  node->loading = true;
  node->addChild(NewReadingItem());
  loads_[ticket] = {QPersistentModelIndex(indexFromItem(node)), folder};
  UpdateBusyCursor();
}

void TFolderTreeViewEx::LoadEnded(int ticket, FolderListing listing) {
  FillSlice(ticket, std::make_shared<const FolderListing>(std::move(listing)), 0);
}

void TFolderTreeViewEx::FillSlice(int ticket, std::shared_ptr<const FolderListing> listing, size_t from) {
  // Nodes go in a few thousand at a time, so that input is still handled
  // between them on a folder of fifty thousand entries.
  constexpr size_t kSlice = 4000;
  const auto it = loads_.find(ticket);
  if (it == loads_.end()) return;  // the tree was built again meanwhile
  auto* node = dynamic_cast<Node*>(itemFromIndex(it->second.index));
  if (!node || !node->loading) {
    loads_.erase(it);
    UpdateBusyCursor();
    return;
  }
  const size_t to = std::min(listing->entries.size(), from + kSlice);
  const QList<QTreeWidgetItem*> items = MakeNodes(it->second.folder, *listing, from, to);
  {
    const bool outer = !busy_;
    if (outer) BeginBusy();
    node->insertChildren(node->childCount() - 1, items);  // before the placeholder
    if (outer) EndBusy();
  }
  if (to < listing->entries.size()) {
    QTimer::singleShot(0, this, [this, ticket, listing, to] { FillSlice(ticket, listing, to); });
    return;
  }
  loads_.erase(it);
  UpdateBusyCursor();
  node->loading = false;
  {
    QSignalBlocker quiet(this);  // the placeholder is no selection of the user's
    delete node->takeChild(node->childCount() - 1);
  }
  if (node->childCount() == 0) node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
  if (pendingLocate_) {
    const PendingLocate p = *pendingLocate_;
    pendingLocate_.reset();
    LocatePath(p.path, p.makeTop, p.select);
  }
}

bool TFolderTreeViewEx::IsLoading() const { return !loads_.empty() || refresh_.has_value(); }

void TFolderTreeViewEx::UpdateBusyCursor() {
  // Work in the background shows after 0.3 s, and the window stays usable.
  if (!IsLoading()) {
    busyCursorTimer_.stop();
    viewport()->unsetCursor();
  } else if (!busyCursorTimer_.isActive() && viewport()->cursor().shape() != Qt::BusyCursor) {
    busyCursorTimer_.start(300);
  }
}

bool TFolderTreeViewEx::SelectPath(const QString& path) {
  const bool outer = !busy_;
  if (outer) BeginBusy();
  const bool found = LocatePath(path, false, true);
  if (outer) EndBusy();
  return found;
}

TFolderTreeViewEx::Node* TFolderTreeViewEx::ChildByItem(QTreeWidgetItem* parent, const IdList& entry) const {
  const int count = parent ? parent->childCount() : topLevelItemCount();
  for (int i = 0; i < count; ++i)
    if (auto* n = dynamic_cast<Node*>(parent ? parent->child(i) : topLevelItem(i)); n && n->data.RelativeID == entry)
      return n;
  return nullptr;
}

bool TFolderTreeViewEx::LocatePath(const QString& path, bool makeTop, bool select) {
  pendingLocate_.reset();
  if (specialRoot_ || topLevelItemCount() == 0) return false;
  const IdList target = ShellFolder::Desktop()->ParseDisplayName(path);
  if (target.isNull()) return false;
  auto* first = dynamic_cast<Node*>(topLevelItem(0));
  if (!first) return false;
  const IdList root = showRootFolder_ ? first->data.AbsoluteIDList : GetRootIDList();
  const int rootCount = ItemCount(root), targetCount = ItemCount(target);
  if (rootCount > targetCount) return false;
  // The root's entries must begin the target.
  IdList rest = target;
  for (int i = 0; i < rootCount; ++i) rest = rest.mid(ItemSize(FirstItem(rest)) - 2);
  if (Concat(root, rest) != target) return false;
  // Waits for a folder still being read, then goes on from there.
  auto wait = [&] {
    pendingLocate_ = PendingLocate{path, makeTop, select};
    return true;
  };
  QTreeWidgetItem* node = first;
  if (ItemCount(rest) == 0) {
    if (!showRootFolder_) return false;
  } else {
    QTreeWidgetItem* container = nullptr;
    if (showRootFolder_) {
      Expand(first);
      if (first->loading) return wait();
      container = first;
    }
    while (ItemCount(rest) > 0) {
      const IdList entry = FirstItem(rest);
      rest = rest.mid(ItemSize(entry) - 2);
      Node* match = ChildByItem(container, entry);
      if (!match) return false;
      node = match;
      if (ItemCount(rest) > 0) {
        Expand(match);
        match->setExpanded(true);
        if (match->loading) return wait();
        if (match->childCount() == 0) return false;
        container = match;
      }
    }
  }
  if (makeTop) scrollToItem(node, QAbstractItemView::PositionAtTop);
  if (select) {
    setCurrentItem(node);
    if (isVisible()) scrollToItem(node);
  }
  return true;
}

// The remembered node comes into view at the tree's real size.
void TFolderTreeViewEx::showEvent(QShowEvent* event) {
  QTreeWidget::showEvent(event);
  if (event->spontaneous()) return;
  ui::ShowCurrentOnceLaidOut(this);
}

QString TFolderTreeViewEx::GetFolderName() {
  QTreeWidgetItem* item = currentItem();
  auto* node = dynamic_cast<Node*>(item);
  if (!node) return lastFolderName_;
  const QString path = PathFromIdList(node->data.AbsoluteIDList);
  lastFolderName_ = path.isEmpty() ? node->text(0) : path;
  return lastFolderName_;
}

void TFolderTreeViewEx::RefreshTree() {
  SetDropTargetNode(nullptr);
  if (topLevelItemCount() == 0) return;
  if (specialRoot_) {
    BeginBusy();
    FillSpecialRoot();
    EndBusy();
    return;
  }
  if (refresh_) {  // one is under way: look once more when it ends
    refreshAgain_ = true;
    return;
  }
  // Every folder whose entries show, parents before children; each is read
  // once, and its nodes are matched by name, so what was expanded, selected
  // and on top stays where it was.
  Refresh job;
  QStringList paths;
  if (!showRootFolder_) {
    const IdList root = GetRootIDList();
    auto holder = FolderHolding(root);
    auto folder = holder ? holder->BindToObject(LastItem(root)) : nullptr;
    if (!folder) return;
    job.folders.push_back({QPersistentModelIndex(), folder, true});
    paths << folder->Path();
  }
  for (QTreeWidgetItemIterator it(this); *it; ++it) {
    auto* n = dynamic_cast<Node*>(*it);
    if (!n || !n->filled || n->loading) continue;
    auto folder = FolderOf(n);
    if (!folder) continue;
    job.folders.push_back({QPersistentModelIndex(indexFromItem(n)), folder, false});
    paths << folder->Path();
  }
  const int ticket = ++lastTicket_;
  job.ticket = ticket;
  refresh_ = std::move(job);
  const FolderReadOptions options = ReadOptions();
  using Listings = std::vector<FolderListing>;
  std::optional<Listings> now = RunWithinBudget<Listings>(
      this,
      [paths, options] {
        Listings out;
        out.reserve(static_cast<size_t>(paths.size()));
        for (const QString& p : paths) out.push_back(p.isEmpty() ? FolderListing{} : ReadFolder(p, options));
        return out;
      },
      [this, ticket](Listings listings) { RefreshEnded(ticket, std::move(listings)); });
  if (now) RefreshEnded(ticket, std::move(*now));
  else UpdateBusyCursor();
}

void TFolderTreeViewEx::RefreshEnded(int ticket, std::vector<FolderListing> listings) {
  if (!refresh_ || refresh_->ticket != ticket) return;
  const Refresh job = std::move(*refresh_);
  refresh_.reset();
  UpdateBusyCursor();
  BeginBusy();
  QTreeWidgetItem* top = itemAt(0, 0);
  const QPersistentModelIndex topIndex = top ? QPersistentModelIndex(indexFromItem(top)) : QPersistentModelIndex();
  const std::vector<QString> roots = ComputerRoots();
  for (size_t i = 0; i < job.folders.size() && i < listings.size(); ++i) {
    const auto& [index, folder, topLevel] = job.folders[i];
    QTreeWidgetItem* parent = nullptr;
    if (!topLevel) {
      auto* n = dynamic_cast<Node*>(itemFromIndex(index));
      if (!n || !n->filled || n->loading) continue;  // gone with its parent, or being read
      parent = n;
    }
    const FolderListing listing = folder->Path().isEmpty() ? ReadNow(*folder) : std::move(listings[i]);
    if (listing.ok) Reconcile(parent, folder, listing, roots);
  }
  if (QTreeWidgetItem* t = itemFromIndex(topIndex)) scrollToItem(t, QAbstractItemView::PositionAtTop);
  EndBusy();
  if (refreshAgain_) {
    refreshAgain_ = false;
    RefreshTree();
  }
}

void TFolderTreeViewEx::Reconcile(QTreeWidgetItem* parent, const std::shared_ptr<ShellFolder>& folder,
                                  const FolderListing& listing, const std::vector<QString>& roots) {
  auto count = [&] { return parent ? parent->childCount() : topLevelItemCount(); };
  auto childAt = [&](int i) { return parent ? parent->child(i) : topLevelItem(i); };
  auto take = [&](int i) { return parent ? parent->takeChild(i) : takeTopLevelItem(i); };
  auto insert = [&](int i, const QList<QTreeWidgetItem*>& items) {
    if (parent) parent->insertChildren(i, items);
    else insertTopLevelItems(i, items);
  };
  QHash<QByteArray, const FolderEntry*> wanted;
  wanted.reserve(static_cast<qsizetype>(listing.entries.size()));
  for (const FolderEntry& e : listing.entries) wanted.insert(e.item, &e);
  // What went away goes first (from the end, so the indexes hold).
  QHash<QByteArray, Node*> kept;
  for (int i = count() - 1; i >= 0; --i) {
    auto* n = dynamic_cast<Node*>(childAt(i));
    if (n && wanted.contains(n->data.RelativeID)) kept.insert(n->data.RelativeID, n);
    else delete take(i);
  }
  // Then the listing's order, new entries inserted in runs.
  int pos = 0;
  QList<QTreeWidgetItem*> run;
  auto flush = [&] {
    if (run.isEmpty()) return;
    insert(pos, run);
    pos += static_cast<int>(run.size());
    run.clear();
  };
  for (const FolderEntry& e : listing.entries) {
    Node* n = kept.value(e.item);
    if (!n) {
      if (Node* made = MakeNode(folder, e, roots)) run.append(made);
      continue;
    }
    flush();
    if (childAt(pos) != n) MoveNode(parent, n, pos);
    n->data.ParentFolder = folder;
    if (n->data.Attributes != e.attributes) {
      const bool wasFolder = n->data.Attributes & kFolderAttr;
      n->data.Attributes = e.attributes;
      if (wasFolder && !(e.attributes & kFolderAttr)) {  // a file took the folder's name
        qDeleteAll(n->takeChildren());
        n->filled = false;
      }
      ShowEntry(n, e, PathFromIdList(n->data.AbsoluteIDList));
    } else if (!n->filled) {
      n->setChildIndicatorPolicy(e.expandable ? QTreeWidgetItem::ShowIndicator
                                              : QTreeWidgetItem::DontShowIndicatorWhenChildless);
    }
    ++pos;
  }
  flush();
}

void TFolderTreeViewEx::MoveNode(QTreeWidgetItem* parent, Node* node, int to) {
  // Taking a node out forgets what was expanded below it: put that back.
  std::vector<QTreeWidgetItem*> expanded;
  std::function<void(QTreeWidgetItem*)> note = [&](QTreeWidgetItem* n) {
    if (n->isExpanded()) expanded.push_back(n);
    for (int i = 0; i < n->childCount(); ++i) note(n->child(i));
  };
  note(node);
  const bool wasCurrent = currentItem() == node;
  const int from = parent ? parent->indexOfChild(node) : indexOfTopLevelItem(node);
  QSignalBlocker quiet(this);
  QTreeWidgetItem* taken = parent ? parent->takeChild(from) : takeTopLevelItem(from);
  if (parent) parent->insertChild(to, taken);
  else insertTopLevelItem(to, taken);
  for (QTreeWidgetItem* n : expanded) n->setExpanded(true);
  if (wasCurrent) setCurrentItem(node);
}

namespace {

void InvokeFailed(QWidget* owner) {
  ui::MessageBox(owner, QStringLiteral("InvokeCommand failed!"), QString::fromLatin1(kComponentCaption), QMessageBox::Information);
}

// The menu command of each standard command, and what the item must allow.
struct StandardCommand {
  int number;
  uint32_t attribute;
};
constexpr StandardCommand kStandard[] = {
    {17, kCanLink}, {18, kCanDelete}, {25, kCanMove}, {26, kCanCopy}, {27, 0}};

}  // namespace

bool InvokeStandardCommand(QWidget* owner, const std::shared_ptr<ShellFolder>& folder, const IdList& item,
                           int index, const QPoint& point) {
  Q_UNUSED(point);
  if (!owner || index < scCreateShortcut || index > scPaste) return false;
  const std::optional<Outcome> done =
      InvokeItemCommand(owner, folder, item, kStandard[index].number, kStandard[index].attribute);
  if (done == Outcome::kFailed) InvokeFailed(owner);
  return done == Outcome::kDone;  // declined, or the user has been told why: false
}

bool InvokePathCommand(QWidget* owner, const QString& path, const QPoint& point, int index) {
  const IdList list = ShellFolder::Desktop()->ParseDisplayName(path);
  if (list.isNull() || ItemCount(list) == 0) return false;
  auto folder = FolderHolding(list);
  if (!folder) return false;
  return InvokeStandardCommand(owner, folder, LastItem(list), index, owner ? owner->mapToGlobal(point) : point);
}

bool TFolderTreeViewEx::IsRemovableDriveNode(const QTreeWidgetItem* node) const {
  const TTVITEMDATA* d = NodeData(node);
  if (!d || ItemCount(d->AbsoluteIDList) != 2) return false;
  return d->ParentFolder->GetAttributesOf(d->RelativeID, kRemovable) & kRemovable;
}

bool TFolderTreeViewEx::IsAddressable(const QTreeWidgetItem* node) const {
  const TTVITEMDATA* d = NodeData(node);
  if (!d) return false;
  return Addressable(*d->ParentFolder, d->RelativeID);
}

void TFolderTreeViewEx::DelayedRefresh() {
  // A file manager finishes a drop on its own time; look again a little later.
  QTimer::singleShot(1500, this, [this] { RefreshTree(); });
}

bool TFolderTreeViewEx::ShowShellContextMenu(QWidget* owner, const std::shared_ptr<ShellFolder>& folder,
                                             const IdList& item, const QPoint& screenPoint, int* command) {
  *command = 0;
  if (!owner || !folder || item.isNull()) return false;
  ActiveContextMenu = std::make_unique<shell::ContextMenu>(owner, folder, std::vector<IdList>{item});
  QMenu menu(this);
  menu.setObjectName(QStringLiteral("shellContextMenu"));
  menu.setAccessibleName(QStringLiteral("コンテキスト メニュー"));
  if (!ActiveContextMenu->QueryContextMenu(&menu, 1)) return false;
  const QAction* chosen = menu.exec(screenPoint);
  const int number = chosen && chosen->data().isValid() ? chosen->data().toInt() : 0;
  if (number <= 0) return false;
  *command = number;
  switch (ActiveContextMenu->InvokeCommand(number - 1)) {
    case Outcome::kDone: return true;
    case Outcome::kFailed:
      if (number == kVerbRename + 1) return true;  // the tree renames by itself
      InvokeFailed(owner);
      return false;
    default: return false;
  }
}

void TFolderTreeViewEx::contextMenuEvent(QContextMenuEvent* event) {
  if (!contextMenu_) return;
  QTreeWidgetItem* item = event->reason() == QContextMenuEvent::Keyboard ? currentItem() : itemAt(event->pos());
  auto* node = dynamic_cast<Node*>(item);
  if (!node) return;
  setCurrentItem(node);
  QPoint at = event->globalPos();
  if (event->reason() == QContextMenuEvent::Keyboard) at = viewport()->mapToGlobal(visualItemRect(node).center());
  // The record may go with the command: keep what the menu needs.
  const auto folder = node->data.ParentFolder;
  const IdList relative = node->data.RelativeID;
  int command = 0;
  if (!ShowShellContextMenu(OwnerWindow(), folder, relative, at, &command) || !autoUpdate_) return;
  switch (command) {
    case kVerbDelete + 1:
      if (QTreeWidgetItem* n = currentItem(); n == node) delete node;
      break;
    case kVerbCreateShortcut + 1:
    case kVerbPaste + 1: RefreshTree(); break;
    case kVerbRename + 1: StartRename(currentItem()); break;
    default: break;
  }
}

void TFolderTreeViewEx::mousePressEvent(QMouseEvent* event) {
  pendingLocate_.reset();  // the user goes elsewhere: a path still being opened is not wanted
  QTreeWidget::mousePressEvent(event);
}

void TFolderTreeViewEx::keyPressEvent(QKeyEvent* event) {
  pendingLocate_.reset();
  if (event->key() == Qt::Key_F2 && event->modifiers() == Qt::NoModifier && autoUpdate_) {
    if (const TTVITEMDATA* d = NodeData(currentItem());
        d && (d->ParentFolder->GetAttributesOf(d->RelativeID, kCanRename) & kCanRename)) {
      StartRename(currentItem());
      return;
    }
  }
  if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier && currentItem()) {
    const QPoint at = visualItemRect(currentItem()).center();
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, viewport()->mapToGlobal(at));
    contextMenuEvent(&menu);
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

void TFolderTreeViewEx::StartRename(QTreeWidgetItem* node) {
  if (!node || !autoUpdate_) return;
  renaming_ = QPersistentModelIndex(indexFromItem(node));
  renamingCaption_ = node->text(0);
  editItem(node, 0);
}

void TFolderTreeViewEx::commitData(QWidget* editor) {
  QTreeWidget::commitData(editor);  // the node shows the typed name
  const QPersistentModelIndex edited = renaming_;
  renaming_ = QPersistentModelIndex();
  // The rest may rebuild the tree: only once the editor has closed.
  QMetaObject::invokeMethod(this, [this, edited, old = renamingCaption_] { FinishRename(edited, old); },
                            Qt::QueuedConnection);
}

void TFolderTreeViewEx::FinishRename(const QPersistentModelIndex& edited, const QString& old) {
  auto* node = dynamic_cast<Node*>(itemFromIndex(edited));
  if (!node) return;
  const QString typed = node->text(0);
  auto restore = [&] {
    QSignalBlocker quiet(this);
    node->setText(0, old);
  };
  if (!autoUpdate_ || specialRoot_ || (rootFolder_ == rfDrives && !node->parent()) || typed == old) {
    restore();
    return;
  }
  if (!Addressable(*node->data.ParentFolder, node->data.RelativeID)) {
    RefreshTree();
    return;
  }
  if (!(node->data.ParentFolder->GetAttributesOf(node->data.RelativeID, kCanRename) & kCanRename)) {
    restore();  // the name on disk stays, so does the caption
    return;
  }
  QString why;
  const IdList renamed = node->data.ParentFolder->SetNameOf(node->data.RelativeID, typed, &why);
  if (renamed.isNull()) {
    restore();
    ui::MessageBox(OwnerWindow(), why, QMessageBox::Warning);
    return;
  }
  // The record follows the new name, so the refresh finds the node again.
  node->data.RelativeID = renamed;
  node->data.AbsoluteIDList = Concat(node->data.ParentFolder->AbsoluteId(), renamed);
  const QString path = PathFromIdList(node->data.AbsoluteIDList);
  const bool wasCurrent = currentItem() == node;
  RefreshTree();
  if (wasCurrent && !path.isEmpty()) SelectPath(path);
}

void TFolderTreeViewEx::RunSelectedItem() {
  auto* node = dynamic_cast<Node*>(currentItem());
  if (!node || !shellRun_ || !showFile_ || (node->data.Attributes & kFolderLike)) return;
  const QString path = PathFromIdList(node->data.AbsoluteIDList);
  if (!path.isEmpty()) platform::OpenDocument(path);
}

void TFolderTreeViewEx::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeWidget::mouseDoubleClickEvent(event);
  if (!dynamic_cast<Node*>(currentItem())) return;
  emit OnDblClick(GetFolderName());
  if (event->button() == Qt::LeftButton) RunSelectedItem();
}
