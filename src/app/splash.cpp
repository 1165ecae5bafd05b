#include "app/splash.h"

#include "app/glyphs.h"
#include "app/version.h"
#include "app/widgets.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace {

QLabel* Text(QWidget* parent, const QString& text, int px, const QString& style, bool bold = false) {
  auto* l = new QLabel(text, parent);
  QFont f = l->font();
  f.setPixelSize(px);
  f.setBold(bold);
  l->setFont(f);
  l->setStyleSheet(QStringLiteral("background: transparent; ") + style);
  l->adjustSize();
  return l;
}

}  // namespace

TfSplash::TfSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("fSplash"));
  // Not shown on a splash; it names the window for screen readers and window lists.
  setWindowTitle(QStringLiteral("ピポラ！ 起動中"));
  setFixedSize(261, 140);
  auto* picture = new QLabel(this);
  picture->setPixmap(glyphs::SplashPicture(size()));
  picture->setGeometry(rect());

  auto* icon = new QLabel(this);
  icon->setPixmap(glyphs::ProgramIcon().pixmap(32, 32));
  icon->setStyleSheet(QStringLiteral("background: transparent;"));
  icon->setGeometry(12, 12, 32, 32);

  Text(this, QString::fromUtf8(kAppTitle), 24, QStringLiteral("color: navy;"), true)->move(52, 12);
  auto* tag = new TTagLine(QString::fromUtf8(kTagLine), 12, this);
  tag->setGeometry(132, 14, 122, 30);
  Version = Text(this, QString(), 14, QStringLiteral("color: olive;"), true);
  Version->setGeometry(54, 48, 120, 20);
  Text(this, QString::fromUtf8(kNotice), 11, QStringLiteral("color: #102040;"))->move(14, 74);
  Text(this, QStringLiteral("ただいま、起動中です・・・"), 13, QStringLiteral("color: #add8e6;"), true)
      ->move(14, 108);

  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - rect().center());
}
