#include "app/widgets.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

TLinkLabel::TLinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setCursor(Qt::PointingHandCursor);
  setStyleSheet(QStringLiteral("color: blue; text-decoration: underline;"));
  // Keyboard users reach the link with Tab and open it with Enter or Space.
  setFocusPolicy(Qt::TabFocus);
  setAccessibleName(text);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
  QLabel::mouseReleaseEvent(event);
}

void TLinkLabel::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space) {
    emit clicked();
    return;
  }
  QLabel::keyPressEvent(event);
}

TTagLine::TTagLine(const QString& text, int pixelSize, QWidget* parent) : QWidget(parent), text_(text) {
  QFont f = font();
  f.setPixelSize(pixelSize);
  f.setBold(true);
  f.setItalic(true);
  setFont(f);
  setAttribute(Qt::WA_TranslucentBackground);
  setAccessibleName(text);
}

QSize TTagLine::sizeHint() const {
  const QFontMetrics fm(font());
  return {fm.horizontalAdvance(text_) + fm.height() * 2, fm.height() * 2};
}

void TTagLine::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::red, 1.5));
  p.drawEllipse(QRectF(rect()).adjusted(1, 1, -1, -1));
  p.setPen(QColor(0x00, 0x00, 0x80));
  p.drawText(rect(), Qt::AlignCenter, text_);
}

void SetPixelFont(QWidget* window, int pixels) {
  QFont f = window->font();
  f.setPixelSize(pixels);
  window->setFont(f);
}

QLabel* BoldLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont bold = parent->font();
  bold.setBold(true);
  label->setFont(bold);
  return label;
}
