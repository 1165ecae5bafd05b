// The folder tree's drag and drop: dragging a node out as a file, and
// dropping files on a node (copy, move or link, as the keys and the source
// say), with the node under the pointer opened after a rest.
#include "components/FTVEX/FTVEX.h"
#include "components/FTVEX/node.h"

#include "platform/clipboard.h"
#include "ui/prompt.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QScrollBar>
#include <QTimer>

using namespace shell;

Qt::DropAction TDropSourceObject::DoDragDrop(QMimeData* data, Qt::DropActions allowed) {
  auto* drag = new QDrag(Tree);
  drag->setMimeData(data);
  if (QTreeWidgetItem* node = Tree->currentItem()) drag->setPixmap(node->icon(0).pixmap(32, 32));
  // Escape cancels, a released button drops: QDrag keeps those rules itself.
  const Qt::DropAction result = drag->exec(allowed, Qt::MoveAction);
  const bool elsewhere = drag->target() == nullptr;  // another program took it
  drag->deleteLater();
  if (result != Qt::IgnoreAction && elsewhere && Tree->AutoUpDate()) Tree->DelayedRefresh();
  return result;
}

TDropTargetObject::TDropTargetObject(TFolderTreeViewEx* tree) : QObject(tree), Tree(tree) {
  clock_.start();
  rest_.setInterval(50);
  connect(&rest_, &QTimer::timeout, this, [this] {
    if (Tree->DragAndDrop()) Over(LastPoint, control_);
  });
}

qint64 TDropTargetObject::Now() const { return clock_.elapsed() + 1; }  // never 0, which means "not set"

void TDropTargetObject::DragEnter(QDragEnterEvent* event) {
  HoverStart = 0;
  HoverArmed = true;
  Accepted = false;
  event->setDropAction(Qt::IgnoreAction);
  if (!Tree->DragAndDrop()) {
    event->ignore();
    return;
  }
  DataFile.clear();
  Tree->SetDropTargetNode(nullptr);
  VScrollCode = HScrollCode = kNone;
  LastHitFlags = 0;
  ScrollStart = 0;
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.size() == 1 && urls.front().isLocalFile()) {
    const QString file = urls.front().toLocalFile();
    if (file.size() <= 260 * 4 && !ShellFolder::Desktop()->ParseDisplayName(file).isNull()) {
      Accepted = true;
      DataFile = file;
      event->setDropAction(event->modifiers() & Qt::ControlModifier ? Qt::CopyAction : Qt::MoveAction);
      Tree->raise();
    }
  }
  // Taken either way, so the cursor is followed and the nodes highlighted.
  event->accept();
  LastPoint = event->position().toPoint();
  control_ = event->modifiers() & Qt::ControlModifier;
  rest_.start();
}

int TDropTargetObject::HitTestDrop(const QPoint& point) {
  QTreeWidgetItem* node = Tree->itemAt(point);
  if (!node) return 0;
  Tree->SetDropTargetNode(node);
  const QRect r = Tree->viewport()->rect();
  int flags = htOnNode;
  if (point.x() <= r.left() + kEdge) flags |= htLeft;
  else if (point.x() >= r.right() - kEdge) flags |= htRight;
  if (point.y() <= r.top() + kEdge) flags |= htTop;
  else if (point.y() >= r.bottom() - kEdge) flags |= htBottom;
  return flags;
}

Qt::DropAction TDropTargetObject::Over(const QPoint& point, bool control) {
  const qint64 now = Now();
  if (point == LastPoint) {
    if (HoverArmed) {
      HoverStart = now;
      HoverArmed = false;
    }
  } else {
    HoverStart = 0;
    HoverArmed = true;
  }
  LastPoint = point;
  if (HoverStart && now - HoverStart > kHoverMs) {
    QTreeWidgetItem* node = Tree->itemAt(point);
    // A resting drag never spins up a removable drive.
    if (node && !node->isExpanded() && node->childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator &&
        !Tree->IsRemovableDriveNode(node))
      node->setExpanded(true);
  }
  const int flags = HitTestDrop(point);
  Qt::DropAction effect = flags ? (control ? Qt::CopyAction : Qt::MoveAction) : Qt::IgnoreAction;
  const int prev = LastHitFlags;
  LastHitFlags = flags;
  if (flags == 0) {
    Tree->SetDropTargetNode(nullptr);
    VScrollCode = HScrollCode = kNone;
  }
  auto zone = [&](int bits, int first, int* code) {
    if (prev & bits & ~flags) *code = kNone;
    if (flags & bits & ~prev) {
      ScrollStart = now;
      *code = flags & first ? 0 : 1;
    }
  };
  zone(htLeft | htRight, htLeft, &HScrollCode);
  zone(htTop | htBottom, htTop, &VScrollCode);
  if (HScrollCode == kNone && VScrollCode == kNone) ScrollStart = 0;
  // One line per step, a step at most every 200 ms while the cursor stays.
  if (ScrollStart && now - ScrollStart > kScrollDelayMs && now - lastScroll_ >= kScrollStepMs) {
    lastScroll_ = now;
    if (HScrollCode != kNone)
      Tree->horizontalScrollBar()->triggerAction(HScrollCode == 0 ? QAbstractSlider::SliderSingleStepSub
                                                                  : QAbstractSlider::SliderSingleStepAdd);
    if (VScrollCode != kNone)
      Tree->verticalScrollBar()->triggerAction(VScrollCode == 0 ? QAbstractSlider::SliderSingleStepSub
                                                                : QAbstractSlider::SliderSingleStepAdd);
  }
  return effect;
}

void TDropTargetObject::DragOver(QDragMoveEvent* event) {
  if (!Tree->DragAndDrop()) {
    event->setDropAction(Qt::IgnoreAction);
    event->ignore();
    return;
  }
  control_ = event->modifiers() & Qt::ControlModifier;
  const Qt::DropAction effect = Over(event->position().toPoint(), control_);
  event->setDropAction(effect);
  if (effect == Qt::IgnoreAction) event->ignore();
  else event->accept();
}

void TDropTargetObject::DragLeave() {
  rest_.stop();
  Tree->SetDropTargetNode(nullptr);
}

void TDropTargetObject::Drop(QDropEvent* event) {
  // The drop reports no action back, so a moving source removes nothing itself.
  event->setDropAction(Qt::IgnoreAction);
  event->accept();
  if (!Tree->DragAndDrop()) return;
  const QPoint point = event->position().toPoint();
  QTreeWidgetItem* node = Tree->itemAt(point);
  const TTVITEMDATA* target = Tree->NodeData(node);
  const QList<QUrl> urls = event->mimeData()->urls();
  if (!Accepted || !target || urls.size() != 1 || !urls.front().isLocalFile()) {
    DragLeave();
    return;
  }
  DragLeave();
  const QString file = urls.front().toLocalFile();
  if (!Tree->IsAddressable(node)) {
    ui::MessageBox(Tree, QStringLiteral("This Folder is SpecialFolder \r   Can not Copy or Paste!"),
                   QString::fromLatin1(kComponentCaption), QMessageBox::Information);
    return;
  }
  const bool folder = target->Attributes & kFolderAttr;
  const QString targetPath = PathFromIdList(target->AbsoluteIDList);
  // A file dropped on its own folder stays as it is.
  if (folder && QFileInfo(QFileInfo(file).absolutePath()).canonicalFilePath() == QFileInfo(targetPath).canonicalFilePath())
    return;
  const bool control = event->modifiers() & Qt::ControlModifier;
  const int index = folder && !control ? scCut : scCopy;
  if (!InvokePathCommand(Tree, file, point, index)) return;
  // The node's record may go with a refresh: take what the paste needs first.
  const auto parent = target->ParentFolder;
  const IdList item = target->RelativeID;
  InvokeStandardCommand(Tree, parent, item, scPaste, Tree->mapToGlobal(point));
  if (Tree->AutoUpDate() && folder) Tree->RefreshTree();
}

void TFolderTreeViewEx::SetDropTargetNode(QTreeWidgetItem* node) {
  if (QTreeWidgetItem* old = DropTargetNode(); old && old != node) {
    old->setData(0, Qt::BackgroundRole, QVariant());
    old->setData(0, Qt::ForegroundRole, QVariant());
  }
  dropTargetNode_ = node ? QPersistentModelIndex(indexFromItem(node)) : QPersistentModelIndex();
  if (node) {
    node->setData(0, Qt::BackgroundRole, palette().brush(QPalette::Highlight));
    node->setData(0, Qt::ForegroundRole, palette().brush(QPalette::HighlightedText));
  }
}

void TFolderTreeViewEx::dragEnterEvent(QDragEnterEvent* event) { dropTarget_->DragEnter(event); }
void TFolderTreeViewEx::dragMoveEvent(QDragMoveEvent* event) { dropTarget_->DragOver(event); }
void TFolderTreeViewEx::dragLeaveEvent(QDragLeaveEvent*) { dropTarget_->DragLeave(); }
void TFolderTreeViewEx::dropEvent(QDropEvent* event) { dropTarget_->Drop(event); }

bool TFolderTreeViewEx::StartShellDrag(QWidget* owner, const std::shared_ptr<ShellFolder>& folder, const IdList& item) {
  Q_UNUSED(owner);
  if (!folder) return false;
  const QString path = folder->GetDisplayNameOf(item, kForParsing);
  if (!path.startsWith(QLatin1Char('/'))) return false;
  TDropSourceObject source(this);
  source.DoDragDrop(platform::FileMimeData({path}), Qt::CopyAction | Qt::MoveAction | Qt::LinkAction);
  return true;
}

void TFolderTreeViewEx::startDrag(Qt::DropActions) {
  if (!dragAndDrop_) return;
  auto* node = dynamic_cast<Node*>(currentItem());
  if (!node) return;
  setFocus();
  StartShellDrag(OwnerWindow(), node->data.ParentFolder, node->data.RelativeID);
}
