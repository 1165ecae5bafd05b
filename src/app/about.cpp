#include "app/about.h"

#include "app/func.h"
#include "app/glyphs.h"
#include "app/version.h"
#include "app/widgets.h"
#include "platform/clipboard.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* Styled(const QString& text, int px, const char* color, bool bold, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  QFont f = l->font();
  if (px > 0) f.setPixelSize(px);
  f.setBold(bold);
  l->setFont(f);
  if (color) l->setStyleSheet(QStringLiteral("color: %1;").arg(QLatin1String(color)));
  return l;
}

}  // namespace

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));

  auto* panel = new QFrame(this);
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel->setLineWidth(2);

  auto* icon = new QLabel(panel);
  icon->setPixmap(glyphs::ProgramIcon().pixmap(48, 48));
  icon->setAccessibleName(QStringLiteral("プログラムのアイコン"));
  auto* title = Styled(QString::fromUtf8(kAppTitle), 27, "navy", true, panel);
  auto* tag = new TTagLine(QString::fromUtf8(kTagLine), 14, panel);
  Version = Styled(QString(), 21, "olive", true, panel);
  auto* notice = Styled(QString::fromUtf8(kNotice), 0, nullptr, false, panel);

  Button1 = new QPushButton(QStringLiteral("URL:"), panel);
  Button1->setProperty("tag", 1);
  Button1->setToolTip(QStringLiteral("URLをクリップボードにコピーします。"));
  Button2 = new QPushButton(QStringLiteral("Mail:"), panel);
  Button2->setProperty("tag", 2);
  Button2->setToolTip(QStringLiteral("Mailアドレスをクリップボードにコピーします。"));
  for (QPushButton* b : {Button1, Button2}) {
    b->setAutoDefault(false);
    b->setFixedWidth(48);
    b->setAccessibleDescription(b->toolTip());
  }
  Url = new TLinkLabel(QString::fromUtf8(kWebAddress), panel);
  Mail = new TLinkLabel(QString::fromUtf8(kMailAddress), panel);

  auto* head = new QHBoxLayout;
  head->addWidget(icon);
  head->addSpacing(8);
  head->addWidget(title);
  head->addStretch();
  auto* links = new QGridLayout;
  links->addWidget(Button1, 0, 0);
  links->addWidget(Url, 0, 1);
  links->addWidget(Button2, 1, 0);
  links->addWidget(Mail, 1, 1);
  links->setColumnStretch(1, 1);

  auto* inner = new QVBoxLayout(panel);
  inner->addLayout(head);
  inner->addWidget(tag, 0, Qt::AlignHCenter);
  inner->addWidget(Version, 0, Qt::AlignHCenter);
  inner->addWidget(notice, 0, Qt::AlignHCenter);
  inner->addSpacing(6);
  inner->addLayout(links);

  OKButton = new QPushButton(QStringLiteral("OK"), this);
  OKButton->setDefault(true);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

  auto* outer = new QVBoxLayout(this);
  outer->addWidget(panel);
  outer->addWidget(OKButton, 0, Qt::AlignHCenter);
  outer->setSizeConstraint(QLayout::SetFixedSize);

  connect(Url, &TLinkLabel::clicked, this, &TAboutBox::UrlClick);
  connect(Mail, &TLinkLabel::clicked, this, &TAboutBox::MailClick);
  connect(Button1, &QPushButton::clicked, this, [this] { ButtonClick(Button1); });
  connect(Button2, &QPushButton::clicked, this, [this] { ButtonClick(Button2); });
  FormCreate();
}

void TAboutBox::FormCreate() { Version->setText(QString::fromUtf8(kVersionText)); }

void TAboutBox::UrlClick() { OpenUrl(Url->text()); }

void TAboutBox::MailClick() { SendMail(QStringLiteral("mailto:") + Mail->text() + QLatin1Char('?')); }

void TAboutBox::ButtonClick(QPushButton* sender) {
  const int tag = sender->property("tag").toInt();
  const QString text = tag == 1 ? Url->text() : tag == 2 ? Mail->text() : QString();
  if (!text.isEmpty()) platform::SetClipboardText(text);
}
