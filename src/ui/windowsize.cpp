#include "ui/windowsize.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace ui {
namespace {

constexpr char kWatchName[] = "zot-frame-watch";

QMargins& LastFrame() {
  static QMargins frame;
  return frame;
}

QSize Grow(const QSize& size, const QMargins& m) {
  return QSize(size.width() + m.left() + m.right(), size.height() + m.top() + m.bottom());
}

QSize Fitted(const QWidget* window, QSize outer) {
  const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (screen) outer = outer.boundedTo(screen->availableGeometry().size());
  return outer.expandedTo(QSize(1, 1));
}

// Waits for the window manager's frame after the window shows and applies
// the wanted outer size with it. A window manager frames a window a moment
// after it is mapped, and Qt learns the frame only then.
class FrameWatch : public QObject {
 public:
  FrameWatch(QWidget* window, QSize outer, QMargins assumed)
      : QObject(window), window_(window), outer_(outer), assumed_(assumed) {
    setObjectName(QLatin1String(kWatchName));
    window->installEventFilter(this);
    timer_.setInterval(25);
    connect(&timer_, &QTimer::timeout, this, &FrameWatch::Check);
  }
  void Want(QSize outer, QMargins assumed) {
    outer_ = outer;
    assumed_ = assumed;
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      tries_ = 0;
      timer_.start();
    }
    return false;
  }

 private:
  void Check() {
    QWindow* handle = window_ ? window_->windowHandle() : nullptr;
    const QMargins frame = handle ? handle->frameMargins() : QMargins();
    // Without a window manager no frame comes; two seconds is plenty for one that does.
    if (frame.isNull() && ++tries_ < 80) return;
    timer_.stop();
    if (!frame.isNull()) LastFrame() = frame;
    if (window_ && frame != assumed_) {
      const QSize want = Fitted(window_, outer_);
      window_->resize(want.width() - frame.left() - frame.right(), want.height() - frame.top() - frame.bottom());
    }
    deleteLater();
  }

  QPointer<QWidget> window_;
  QSize outer_;
  QMargins assumed_;
  QTimer timer_;
  int tries_ = 0;
};

}  // namespace

QMargins FrameMargins(const QWidget* window) {
  if (window && window->isVisible() && window->windowHandle()) {
    const QMargins own = window->windowHandle()->frameMargins();
    if (!own.isNull()) LastFrame() = own;
    return own;
  }
  return LastFrame();
}

QSize OuterSize(const QWidget* window) { return Grow(window->size(), FrameMargins(window)); }

void ResizeOuter(QWidget* window, QSize outer) {
  const QMargins frame = FrameMargins(window);
  const QSize want = Fitted(window, outer);
  window->resize(std::max(want.width() - frame.left() - frame.right(), 1),
                 std::max(want.height() - frame.top() - frame.bottom(), 1));
  if (window->isVisible()) return;
  // One watch per window; it has no meta-object of its own, so it is found by name.
  for (QObject* child : window->children()) {
    if (child->objectName() == QLatin1String(kWatchName)) {
      static_cast<FrameWatch*>(child)->Want(outer, frame);
      return;
    }
  }
  new FrameWatch(window, outer, frame);
}

}  // namespace ui
