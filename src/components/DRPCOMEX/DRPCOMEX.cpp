#include "components/DRPCOMEX/DRPCOMEX.h"

#include "platform/clipboard.h"
#include "ui/prompt.h"

#include <QApplication>
#include <QDrag>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QUrl>

using namespace shell;

namespace {

const char kCaption[] = " TContextMenuEx component version 2.04";

void InvokeFailed(QWidget* owner) {
  ui::MessageBox(owner, QStringLiteral(" InvokeCommand failed! "), QString::fromLatin1(kCaption),
                 QMessageBox::Information);
}

struct StandardCommand {
  int number;
  uint32_t attribute;
};
constexpr StandardCommand kStandard[] = {
    {17, kCanLink}, {18, kCanDelete}, {20, kHasPropSheet}, {26, kCanCopy}, {27, 0}};

QPointer<QMenu>& Open() {
  static QPointer<QMenu> menu;
  return menu;
}

// The items, when the call is one the components take.
std::vector<IdList> Items(QWidget* owner, const std::shared_ptr<ShellFolder>& folder, int count, const IdList& items) {
  if (!owner || !folder || items.isNull() || count < 1 || count > TContextMenuEx::kMaxItems) return {};
  std::vector<IdList> out = SplitItems(items, count);
  if (static_cast<int>(out.size()) < count) return {};
  return out;
}

}  // namespace

QMenu* TContextMenuEx::OpenMenu() { return Open(); }

bool TContextMenuEx::InvokeStandardCommand(QWidget* owner, const std::shared_ptr<ShellFolder>& folder,
                                           const IdList& item, int index, const QPoint& point) {
  Q_UNUSED(point);
  if (!owner || index < scCreateShortcut || index > scPaste) return false;
  const std::optional<Outcome> done =
      InvokeItemCommand(owner, folder, item, kStandard[index].number, kStandard[index].attribute);
  if (done == Outcome::kFailed) InvokeFailed(owner);
  return done == Outcome::kDone;
}

bool TContextMenuEx::FillSendToMenu(QMenu* menu) {
  const int at = FindMenuItemByText(menu, QStringLiteral("(&N)"), 5);
  QMenu* sub = at > 0 ? menu->actions().value(at - 1)->menu() : nullptr;
  if (!sub) return false;
  const auto entries = ContextMenu::SendToEntries();
  for (size_t i = 0; i < entries.size(); ++i) {
    QAction* a = sub->addAction(PathIcon(entries[i].second), QString(entries[i].first).replace(QLatin1Char('&'), QLatin1String("&&")));
    a->setData(kFirstSendTo + static_cast<int>(i));
  }
  // The shell's own first entry (its placeholder) goes.
  if (QAction* first = sub->actions().value(0)) {
    sub->removeAction(first);
    delete first;
  }
  if (entries.empty()) sub->addAction(QStringLiteral("(送り先がありません)"))->setEnabled(false);
  return true;
}

bool TContextMenuEx::PasteToSendTo(QWidget* owner, int index) {
  const auto entries = ContextMenu::SendToEntries();
  if (index < 0 || index >= static_cast<int>(entries.size())) return false;
  const IdList list = ShellFolder::Desktop()->ParseDisplayName(entries[index].second);
  if (list.isNull()) return false;
  return InvokeStandardCommand(owner, FolderHolding(list), LastItem(list), scPaste, QPoint());
}

bool TContextMenuEx::ShowMenu(QWidget* owner, const std::shared_ptr<ShellFolder>& folder, const QPoint& point,
                              int count, const IdList& items) {
  const std::vector<IdList> list = Items(owner, folder, count, items);
  if (list.empty()) return false;
  ContextMenu shellMenu(owner, folder, list);
  QMenu menu(owner);
  menu.setObjectName(QStringLiteral("shellContextMenu"));
  menu.setAccessibleName(QStringLiteral("コンテキスト メニュー"));
  if (!shellMenu.QueryContextMenu(&menu, 1)) return false;
  const bool sendTo = FillSendToMenu(&menu);
  Open() = &menu;
  const QAction* chosen = menu.exec(point);
  Open() = nullptr;
  int command = chosen && chosen->data().isValid() ? chosen->data().toInt() : 0;
  int sendToIndex = -1;
  if (sendTo && command >= kFirstSendTo && command < kFirstSendTo + kMaxSendToEntries) {
    sendToIndex = command - kFirstSendTo;
    command = kVerbCopy + 1;
  }
  bool invoked = false;
  if (command > 0) {
    // A view renames in place by itself.
    if (command == kVerbRename + 1 && QMetaObject::invokeMethod(owner, "StartRename")) return false;
    const Outcome outcome = shellMenu.InvokeCommand(command - 1);
    invoked = outcome == Outcome::kDone;
    if (outcome == Outcome::kFailed) InvokeFailed(owner);
  }
  if (sendTo && sendToIndex >= 0 && invoked) PasteToSendTo(owner, sendToIndex);
  return invoked && sendTo && sendToIndex >= 0;
}

void TContextMenuEx::ShowMenu(QWidget* owner, const std::shared_ptr<ShellFolder>& folder, const QPoint& screen,
                              const std::vector<IdList>& items) {
  ShowMenu(owner, folder, screen, static_cast<int>(items.size()), JoinItems(items));
}

Qt::DropAction DRPCOMEX::TDropSourceObject::DoDragDrop(QWidget* owner, QMimeData* data, Qt::DropActions allowed) {
  auto* drag = new QDrag(owner);
  drag->setMimeData(data);
  // Escape cancels and a released button drops: QDrag's own rules.
  const Qt::DropAction result = drag->exec(allowed, Qt::CopyAction);
  drag->deleteLater();
  return result;
}

bool TDropSourceEx::StartDrag(QWidget* owner, const std::shared_ptr<ShellFolder>& folder, int count,
                              const IdList& items) {
  const std::vector<IdList> list = Items(owner, folder, count, items);
  if (list.empty()) return false;
  QStringList paths;
  for (const IdList& item : list) {
    const QString path = folder->GetDisplayNameOf(item, kForParsing);
    if (!path.startsWith(QLatin1Char('/'))) return false;  // a virtual item has nothing to carry
    paths << path;
  }
  DRPCOMEX::TDropSourceObject source;
  source.DoDragDrop(owner, platform::FileMimeData(paths), Qt::CopyAction | Qt::MoveAction | Qt::LinkAction);
  return true;
}

void TDropSourceEx::StartDrag(QWidget* owner, const std::shared_ptr<ShellFolder>& folder,
                              const std::vector<IdList>& items) {
  StartDrag(owner, folder, static_cast<int>(items.size()), JoinItems(items));
}
