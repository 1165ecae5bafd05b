#pragma once
// What the shell views share about their links and drags.
#include <QApplication>
#include <QMouseEvent>
#include <QObject>

#include <functional>

namespace shview {

// A linked component that is also an object tells its end; the link goes with it.
template <typename Link>
void Watch(QObject* watcher, Link* link, std::function<void()> unlink) {
  if (auto* object = dynamic_cast<QObject*>(link))
    QObject::connect(object, &QObject::destroyed, watcher, std::move(unlink));
}

// Whether a pressed left button has moved far enough to start a drag (a click stays a click).
inline bool DragWanted(const QPoint& pressedAt, const QMouseEvent* event) {
  return pressedAt.x() >= 0 && (event->buttons() & Qt::LeftButton) &&
         (event->position().toPoint() - pressedAt).manhattanLength() >= QApplication::startDragDistance();
}

}  // namespace shview
