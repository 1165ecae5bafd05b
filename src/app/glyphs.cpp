#include "app/glyphs.h"

#include "ui/views.h"

#include <QLinearGradient>

#include <algorithm>
#include <QPainter>
#include <QPainterPath>

namespace glyphs {
namespace {

const QColor kInk(0x30, 0x3a, 0x52);
const QColor kBlue(0x2f, 0x6f, 0xc6);

void Squares(QPainter& p, int cols, int rows, qreal cell, qreal gap, qreal origin) {
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c)
      p.drawRect(QRectF(origin + c * (cell + gap), origin + r * (cell + gap), cell, cell));
}

void Lines(QPainter& p, int rows, qreal x, qreal width, qreal y0, qreal step) {
  for (int r = 0; r < rows; ++r) p.drawLine(QPointF(x, y0 + r * step), QPointF(x + width, y0 + r * step));
}

// Every glyph is drawn on a 16 x 16 grid and scaled.
void Draw(QPainter& p, int index) {
  p.setPen(QPen(kInk, 1.2));
  p.setBrush(Qt::NoBrush);
  switch (index) {
    case kSettings: {
      p.setBrush(QColor(0x8a, 0x94, 0xa8));
      p.save();
      p.translate(8, 8);
      for (int i = 0; i < 8; ++i) {
        p.drawRect(QRectF(-1.5, -7.4, 3, 3));
        p.rotate(45);
      }
      p.drawEllipse(QPointF(0, 0), 5.2, 5.2);
      p.setBrush(Qt::white);
      p.drawEllipse(QPointF(0, 0), 2, 2);
      p.restore();
      break;
    }
    case kRefresh: {
      p.setPen(QPen(QColor(0x2e, 0x8b, 0x3e), 2));
      p.drawArc(QRectF(2.5, 2.5, 11, 11), 60 * 16, 290 * 16);
      QPainterPath head;
      head.moveTo(10.5, 0.5);
      head.lineTo(15, 4.5);
      head.lineTo(9.5, 6.5);
      head.closeSubpath();
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(0x2e, 0x8b, 0x3e));
      p.drawPath(head);
      break;
    }
    case kLargeIcons:
      p.setBrush(kBlue);
      Squares(p, 2, 2, 5.5, 2, 1.5);
      break;
    case kSmallIcons:
      p.setBrush(kBlue);
      Squares(p, 2, 3, 3, 1.6, 1.5);
      p.setPen(QPen(kInk, 1));
      Lines(p, 3, 9.5, 5, 3, 4.6);
      break;
    case kList:
      p.setBrush(kBlue);
      for (int c = 0; c < 2; ++c)
        for (int r = 0; r < 4; ++r) p.drawRect(QRectF(1.5 + c * 7.5, 1.5 + r * 3.6, 2.2, 2.2));
      p.setPen(QPen(kInk, 1));
      for (int c = 0; c < 2; ++c) Lines(p, 4, 4.8 + c * 7.5, 2.6, 2.6, 3.6);
      break;
    case kDetails:
      p.setBrush(kBlue);
      for (int r = 0; r < 4; ++r) p.drawRect(QRectF(1.5, 1.5 + r * 3.6, 2.2, 2.2));
      p.setPen(QPen(kInk, 1));
      Lines(p, 4, 5, 9.5, 2.6, 3.6);
      break;
    case kAutoViewOn:
    case kAutoViewOff: {
      const bool on = index == kAutoViewOn;
      p.setBrush(Qt::white);
      p.setPen(QPen(on ? kInk : QColor(0x99, 0x99, 0x99), 1));
      p.drawRect(QRectF(2.5, 1.5, 9, 12.5));
      Lines(p, 4, 4.5, 5, 4.5, 2.5);
      if (on) {
        p.setPen(QPen(QColor(0xd0, 0x30, 0x30), 1.8));
        p.drawEllipse(QRectF(8.5, 8.5, 6, 6));
        p.drawLine(QPointF(13.5, 13.5), QPointF(15.5, 15.5));
      }
      break;
    }
    case kHome: {
      QPainterPath house;
      house.moveTo(8, 1.5);
      house.lineTo(15, 8);
      house.lineTo(13, 8);
      house.lineTo(13, 14.5);
      house.lineTo(3, 14.5);
      house.lineTo(3, 8);
      house.lineTo(1, 8);
      house.closeSubpath();
      p.setBrush(QColor(0xf4, 0xf1, 0xe6));
      p.drawPath(house);
      p.setBrush(kBlue);
      p.drawRect(QRectF(6.5, 9.5, 3, 5));
      break;
    }
    default:
      break;
  }
}

QPixmap Render(int index, int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 16.0, size / 16.0);
  Draw(p, index);
  return pm;
}

const char* ThemeName(int index) {
  switch (index) {
    case kSettings: return "preferences-system";
    case kRefresh: return "view-refresh";
    case kLargeIcons: return "view-list-icons";
    case kSmallIcons: return "view-list-compact";
    case kList: return "view-list-text";
    case kDetails: return "view-list-details";
    case kHome: return "go-home";
    default: return nullptr;  // the two viewing glyphs must differ clearly
  }
}

}  // namespace

QIcon DrawnGlyph(int index) {
  QIcon icon;
  for (int size : {16, 24, 32}) icon.addPixmap(Render(index, size));
  return icon;
}

QIcon ImageList1(int index) {
  if (const char* name = ThemeName(index); name && QIcon::hasThemeIcon(QLatin1String(name)))
    return QIcon::fromTheme(QLatin1String(name));
  return DrawnGlyph(index);
}

QIcon MemberIcon(int index) {
  static const char* const kTheme[] = {"application-x-executable", "text-x-generic", "text-html", "unknown"};
  index = std::clamp(index, 0, 3);
  if (QIcon::hasThemeIcon(QLatin1String(kTheme[index]))) return QIcon::fromTheme(QLatin1String(kTheme[index]));
  // Drawn so the four kinds stay apart on a bare machine.
  QIcon icon;
  for (int size : {16, 32}) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    static const QColor kColors[] = {QColor(0x2e, 0x8b, 0x3e), QColor(0x30, 0x3a, 0x52), QColor(0x2f, 0x6f, 0xc6),
                                     QColor(0x88, 0x88, 0x88)};
    p.setPen(QPen(kColors[index], 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(2.5, 1.5, 11, 13));
    p.setBrush(kColors[index]);
    if (index == 0) p.drawRect(QRectF(2.5, 1.5, 11, 3));              // a window
    else if (index == 1) Lines(p, 4, 4.5, 7, 5, 2.5);                  // lines of text
    else if (index == 2) p.drawEllipse(QRectF(5, 5, 6, 6));            // a globe
    p.end();
    icon.addPixmap(pm);
  }
  return icon;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64}) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    // A parcel with a lightning flash: an archive that runs.
    p.setPen(QPen(QColor(0x6b, 0x44, 0x1c), 1.2));
    p.setBrush(QColor(0xd9, 0xa4, 0x5b));
    p.drawRoundedRect(QRectF(3, 9, 26, 20), 2, 2);
    p.setBrush(QColor(0xe8, 0xbd, 0x7c));
    p.drawRect(QRectF(3, 5, 26, 6));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xd7, 0x1f));
    QPainterPath bolt;
    bolt.moveTo(18, 8);
    bolt.lineTo(11, 20);
    bolt.lineTo(16, 20);
    bolt.lineTo(13, 29);
    bolt.lineTo(22, 16);
    bolt.lineTo(17, 16);
    bolt.closeSubpath();
    p.drawPath(bolt);
    p.setPen(QPen(QColor(0xb0, 0x30, 0x10), 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(bolt);
    p.end();
    icon.addPixmap(pm);
  }
  return icon;
}

QPixmap SplashPicture(const QSize& size) {
  QPixmap pm(size);
  QPainter p(&pm);
  QLinearGradient g(0, 0, 0, size.height());
  // Light behind the title and tag line, dark behind the light-blue status text.
  g.setColorAt(0, QColor(0xf2, 0xf6, 0xff));
  g.setColorAt(0.45, QColor(0xc4, 0xd6, 0xf2));
  g.setColorAt(0.7, QColor(0x3a, 0x62, 0xa8));
  g.setColorAt(1, QColor(0x1d, 0x3f, 0x7a));
  p.fillRect(pm.rect(), g);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 22));
  for (int i = 0; i < 6; ++i)
    p.drawEllipse(QPointF(size.width() * (0.15 + 0.17 * i), size.height() * (0.8 - 0.1 * (i % 3))), 30, 30);
  return pm;
}

QIcon Locked(const QIcon& icon) {
  return ui::Overlaid(icon, [](QPainter& p, qreal u) {
    // Shackle, then body, dark on a light edge so it reads on any icon.
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.2 * u));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(9.5 * u, 7.5 * u, 4.5 * u, 5 * u), 0, 180 * 16);
    p.setPen(QPen(Qt::white, 0.8 * u));
    p.setBrush(QColor(0xd4, 0xa0, 0x17));
    p.drawRect(QRectF(8.5 * u, 10 * u, 6.5 * u, 5.5 * u));
  });
}

}  // namespace glyphs
