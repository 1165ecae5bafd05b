#pragma once
#include <QMargins>
#include <QSize>

class QWidget;

// Window sizes are stored as the desktop shows them, frame included, so a
// window opened at its stored size and closed again stores the same size.
// Before a window manager has framed a window, the frame of a window framed
// earlier stands in for its own; the size is put right once it is framed.
namespace ui {

// The frame around window: its own once framed, else the last one seen.
QMargins FrameMargins(const QWidget* window);
// window's size with its frame.
QSize OuterSize(const QWidget* window);
// Gives window the outer size (each side at least 1; no larger than the
// screen's free area), now and once more when its frame turns out different.
void ResizeOuter(QWidget* window, QSize outer);

}  // namespace ui
