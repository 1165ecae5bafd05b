#include "ui/views.h"

#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidget>

namespace ui {

QIcon Overlaid(const QIcon& icon, const std::function<void(QPainter& p, qreal unit)>& paint) {
  QIcon out;
  for (int size : {16, 32}) {
    QPixmap pm = icon.pixmap(size, size);
    if (pm.isNull()) {
      pm = QPixmap(size, size);
      pm.fill(Qt::transparent);
    }
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p, size / 16.0);
    p.end();
    out.addPixmap(pm);
  }
  return out;
}

void ShowCurrentOnceLaidOut(QTreeWidget* tree) {
  QTimer::singleShot(0, tree, [tree] {
    QTreeWidgetItem* node = tree->currentItem();
    if (!node) return;
    const int across = tree->horizontalScrollBar()->value();
    tree->scrollToItem(node, QAbstractItemView::PositionAtCenter);
    tree->horizontalScrollBar()->setValue(across);
  });
}

}  // namespace ui
