#include "components/FTVEX/FTVEX.h"

#include "platform/process.h"

#include <QApplication>
#include <QCollator>
#include <QFileInfo>
#include <QHeaderView>
#include <QMouseEvent>

#include <algorithm>
#include <functional>

using namespace shell;

class TFolderTreeViewEx::Node : public QTreeWidgetItem {
 public:
  TTVITEMDATA data;
  bool filled = false;
};

namespace {

// The shell order of a folder's entries, worked out once per entry: sorting
// asks for it some n log n times.
struct SortKey {
  bool folder;
  QCollatorSortKey name;
  QByteArray raw;
};

}  // namespace

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
  connect(this, &QTreeWidget::itemExpanded, this, &TFolderTreeViewEx::Expand);
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
  AddChildItems(*holder, relative, rootNode);
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
  AddChildItems(*desktop, root, node);
  collapseAll();
  node->setExpanded(true);
}

bool TFolderTreeViewEx::MatchFileMask(const ShellFolder& folder, const IdList& entry) const {
  const QString path = folder.GetDisplayNameOf(entry, kForParsing);
  if (path.isEmpty()) return false;
  const QString name = path.section(QLatin1Char('/'), -1);
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  if (dot < 0) return false;
  const QString ext = name.mid(dot).toUpper();
  return std::any_of(fileMask_.begin(), fileMask_.end(), [&ext](const QString& m) { return m.toUpper() == ext; });
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

int TFolderTreeViewEx::CompareNodes(const Node* a, const Node* b) const {
  if (infoViewSort_ && showFile_) {
    const bool fa = a->data.Attributes & kFolderAttr, fb = b->data.Attributes & kFolderAttr;
    if (fa && !fb) return 1;
    if (fb && !fa) return -1;
  }
  return a->data.ParentFolder->CompareIDs(a->data.RelativeID, b->data.RelativeID);
}

void TFolderTreeViewEx::SortNodes(std::vector<Node*>& nodes) const {
  // The computer's folders keep the shell's own order; files and folders are
  // sorted by keys equal to the shell order, made once.
  if (nodes.empty() || KindOf(nodes.front()->data.RelativeID) != kFile) {
    std::stable_sort(nodes.begin(), nodes.end(), [this](const Node* a, const Node* b) { return CompareNodes(a, b) < 0; });
    return;
  }
  const QCollator& collator = NameCollator();
  const bool filesFirst = infoViewSort_ && showFile_;
  std::vector<std::pair<SortKey, Node*>> keyed;
  keyed.reserve(nodes.size());
  for (Node* n : nodes)
    keyed.push_back({{(n->data.Attributes & kFolderAttr) != 0, collator.sortKey(n->text(0)), NameOf(n->data.RelativeID)}, n});
  std::sort(keyed.begin(), keyed.end(), [filesFirst](const auto& x, const auto& y) {
    if (x.first.folder != y.first.folder) return filesFirst ? !x.first.folder : x.first.folder;
    const int c = x.first.name.compare(y.first.name);
    return c != 0 ? c < 0 : x.first.raw < y.first.raw;
  });
  for (size_t i = 0; i < nodes.size(); ++i) nodes[i] = keyed[i].second;
}

void TFolderTreeViewEx::AddChildItems(const ShellFolder& folder, const IdList& list, QTreeWidgetItem* parent) {
  const bool outer = !busy_;
  if (outer) BeginBusy();
  std::shared_ptr<ShellFolder> sub = folder.BindToObject(list);
  std::vector<Node*> added;
  if (sub) {
    uint32_t flags = kFolders;
    if (specialRoot_ || showIncludeHidden_) flags |= kIncludeHidden;
    if (showFile_) flags |= kNonFolders;
    for (const IdList& entry : sub->EnumObjects(flags)) {
      if (sub->GetDisplayNameOf(entry, kInFolder) == QLatin1String("System Volume Information")) continue;
      const uint32_t a = sub->GetAttributesOf(entry, kQueryMask);
      bool add = specialRoot_;
      const IdList parsed = ShellFolder::Desktop()->ParseDisplayName(sub->GetDisplayNameOf(entry, kForParsing));
      if (!add && !parsed.isNull()) {  // only addressable entries
        if (a & kFolderLike) add = true;
        else if (showFile_ && (a & kFileSystem)) add = fileMask_.isEmpty() || MatchFileMask(*sub, entry);
      }
      if (add)
        if (Node* n = AddItemNode(sub, entry, a, parsed)) added.push_back(n);
    }
  }
  SortNodes(added);
  QList<QTreeWidgetItem*> items(added.begin(), added.end());
  if (parent) parent->addChildren(items);
  else addTopLevelItems(items);
  if (outer) EndBusy();
}

TFolderTreeViewEx::Node* TFolderTreeViewEx::AddItemNode(const std::shared_ptr<ShellFolder>& folder,
                                                        const IdList& entry, uint32_t attributes,
                                                        const IdList& parsed) {
  const QString caption = folder->GetDisplayNameOf(entry, kInFolder);
  if (caption.isEmpty()) return nullptr;
  auto* node = new Node;
  node->data = {folder, entry, parsed.isNull() ? Concat(folder->AbsoluteId(), entry) : parsed, attributes};
  node->setText(0, caption);
  const bool folderItem = attributes & kFolderAttr;
  node->setIcon(0, TreeIcon(node->data.AbsoluteIDList, folderItem || !showFile_));
  bool children = attributes & kHasSubfolder;
  if (showFile_ && !children && folderItem) children = HasShownFiles(*folder, entry);
  node->setChildIndicatorPolicy(children ? QTreeWidgetItem::ShowIndicator
                                         : QTreeWidgetItem::DontShowIndicatorWhenChildless);
  return node;
}

void TFolderTreeViewEx::Expand(QTreeWidgetItem* item) {
  auto* node = dynamic_cast<Node*>(item);
  if (!node || node->filled) return;
  node->filled = true;
  AddChildItems(*node->data.ParentFolder, node->data.RelativeID, node);
  if (node->childCount() == 0) node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

bool TFolderTreeViewEx::SelectPath(const QString& path) {
  const bool outer = !busy_;
  if (outer) BeginBusy();
  const bool found = LocatePath(path, false, true);
  if (outer) EndBusy();
  return found;
}

bool TFolderTreeViewEx::LocatePath(const QString& path, bool makeTop, bool select) {
  if (specialRoot_ || topLevelItemCount() == 0) return false;
  const IdList target = ShellFolder::Desktop()->ParseDisplayName(path);
  if (target.isNull()) return false;
  auto* first = static_cast<Node*>(topLevelItem(0));
  const IdList root = showRootFolder_ ? first->data.AbsoluteIDList : GetRootIDList();
  const int rootCount = ItemCount(root), targetCount = ItemCount(target);
  if (rootCount > targetCount) return false;
  // The root's entries must begin the target.
  IdList rest = target;
  for (int i = 0; i < rootCount; ++i) rest = rest.mid(ItemSize(FirstItem(rest)) - 2);
  if (Concat(root, rest) != target) return false;
  QTreeWidgetItem* node = first;
  if (ItemCount(rest) == 0) {
    if (!showRootFolder_) return false;
  } else {
    if (showRootFolder_) {
      Expand(first);
      node = first->childCount() ? first->child(0) : nullptr;
      if (!node) return false;
    }
    while (ItemCount(rest) > 0) {
      const IdList entry = FirstItem(rest);
      rest = rest.mid(ItemSize(entry) - 2);
      QTreeWidgetItem* parent = node->parent();
      const int start = parent ? parent->indexOfChild(node) : indexOfTopLevelItem(node);
      const int count = parent ? parent->childCount() : topLevelItemCount();
      QTreeWidgetItem* match = nullptr;
      for (int i = start; i < count && !match; ++i) {
        auto* n = static_cast<Node*>(parent ? parent->child(i) : topLevelItem(i));
        if (n->data.ParentFolder->CompareIDs(n->data.RelativeID, entry) == 0) match = n;
      }
      if (!match) return false;
      node = match;
      if (ItemCount(rest) > 0) {
        Expand(node);
        node->setExpanded(true);
        if (node->childCount() == 0) return false;
        node = node->child(0);
      }
    }
  }
  if (makeTop) scrollToItem(node, QAbstractItemView::PositionAtTop);
  if (select) setCurrentItem(node);
  return true;
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
  if (topLevelItemCount() == 0) return;
  BeginBusy();
  if (specialRoot_) {
    FillSpecialRoot();
    EndBusy();
    return;
  }
  // Every node in tree order; index 0 is the first node.
  std::vector<QTreeWidgetItem*> nodes;
  std::function<void(QTreeWidgetItem*)> walk = [&](QTreeWidgetItem* n) {
    nodes.push_back(n);
    for (int i = 0; i < n->childCount(); ++i) walk(n->child(i));
  };
  for (int i = 0; i < topLevelItemCount(); ++i) walk(topLevelItem(i));
  constexpr size_t kMaxNodes = 10240;
  if (nodes.size() > kMaxNodes) {
    EndBusy();
    return;
  }
  auto pathOf = [this](QTreeWidgetItem* n) {
    const TTVITEMDATA* d = NodeData(n);
    return d ? PathFromIdList(d->AbsoluteIDList) : QString();
  };
  auto visible = [](QTreeWidgetItem* n) {
    for (QTreeWidgetItem* p = n->parent(); p; p = p->parent())
      if (!p->isExpanded()) return false;
    return true;
  };
  const QString topPath = itemAt(0, 0) ? pathOf(itemAt(0, 0)) : QString();
  const QString selectedPath = currentItem() ? pathOf(currentItem()) : QString();
  QStringList shown;
  for (size_t i = 1; i < nodes.size(); ++i)
    if (visible(nodes[i])) shown << pathOf(nodes[i]);
  // Linux file operations are done when they return: nothing to wait for.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

  auto* first = static_cast<Node*>(topLevelItem(0));
  qDeleteAll(first->takeChildren());
  AddChildItems(*first->data.ParentFolder, first->data.RelativeID, first);
  first->filled = true;
  first->setExpanded(true);
  for (const QString& p : shown)
    if (!p.isEmpty()) LocatePath(p, false, false);
  if (!selectedPath.isEmpty()) LocatePath(selectedPath, false, true);
  if (!topPath.isEmpty()) LocatePath(topPath, true, false);
  EndBusy();
}

void TFolderTreeViewEx::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeWidget::mouseDoubleClickEvent(event);
  auto* node = dynamic_cast<Node*>(currentItem());
  if (!node) return;
  const QString name = GetFolderName();
  emit OnDblClick(name);
  if (shellRun_ && !(node->data.Attributes & kFolderAttr) && !name.isEmpty()) platform::OpenDocument(name);
}
