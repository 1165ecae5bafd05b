#pragma once
// What the shell views share about their links and drags.
#include <QApplication>
#include <QMouseEvent>
#include <QObject>


namespace shview {

// Links a component into watcher's slot. A component that is also an
// object tells its end, and the slot is cleared with it.
template <typename Link>
void SetLink(QObject* watcher, Link*& slot, Link* link) {
  slot = link;
  if (auto* object = dynamic_cast<QObject*>(link))
    QObject::connect(object, &QObject::destroyed, watcher, [&slot, link] {
      if (slot == link) slot = nullptr;
    });
}

// Whether a pressed left button has moved far enough to start a drag (a click stays a click).
inline bool DragWanted(const QPoint& pressedAt, const QMouseEvent* event) {
  return pressedAt.x() >= 0 && (event->buttons() & Qt::LeftButton) &&
         (event->position().toPoint() - pressedAt).manhattanLength() >= QApplication::startDragDistance();
}

}  // namespace shview
