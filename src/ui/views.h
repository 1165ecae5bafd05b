#pragma once
#include <QIcon>

#include <functional>

class QPainter;
class QTreeWidget;

// Small helpers the program's item views and icons share.
namespace ui {

// icon at 16 and 32 pixels with a mark painted over each; paint gets the
// painter and the size of one unit of a 16 x 16 grid.
QIcon Overlaid(const QIcon& icon, const std::function<void(QPainter& p, qreal unit)>& paint);

// Once tree has been laid out after showing, scrolls its current item into
// view (centred), down only: names stay readable from their start. A node
// selected while the window was hidden is otherwise never brought into view.
void ShowCurrentOnceLaidOut(QTreeWidget* tree);

}  // namespace ui
