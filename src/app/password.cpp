#include "app/password.h"

#include "common_archiver.h"
#include "ui/prompt.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <cstring>

TPasswordForm::TPasswordForm(QWidget* parent, const QString& archive, const QString& member, bool again)
    : QDialog(parent) {
  setObjectName(QStringLiteral("PasswordForm"));
  setWindowTitle(QStringLiteral("パスワードの入力"));
  Label1 = new QLabel(QStringLiteral("書庫: %1\nファイル: %2\n\nパスワードを入力してください。").arg(archive, member), this);
  Label1->setTextFormat(Qt::PlainText);
  Label1->setWordWrap(true);
  Label2 = new QLabel(QStringLiteral("パスワードが違います。もう一度入力してください。"), this);
  Label2->setVisible(again);
  Edit1 = new QLineEdit(this);
  Edit1->setEchoMode(QLineEdit::Password);
  Edit1->setAccessibleName(QStringLiteral("パスワード"));
  Label1->setBuddy(Edit1);
  BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), this);
  BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), QStringLiteral("キャンセル"), this);
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BitBtn1);
  buttons->addWidget(BitBtn2);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  layout->addWidget(Label2);
  layout->addWidget(Edit1);
  layout->addLayout(buttons);
  setMinimumWidth(360);
  Edit1->setFocus();
}

bool TPasswordForm::Answer(QWidget* parent, CaPasswordRequest* request) {
  TPasswordForm form(parent, QString::fromUtf8(request->archive_path), QString::fromUtf8(request->member_path),
                     request->attempt > 1);
  const bool ok = ui::ExecModal(form) == QDialog::Accepted;
  QByteArray typed = form.Edit1->text().toUtf8();
  form.Edit1->clear();
  const bool fits = typed.size() < CA_PASSWORD_SIZE;
  if (ok && fits) std::memcpy(request->password, typed.constData(), static_cast<size_t>(typed.size()) + 1);
  typed.fill('\0');
  if (ok && !fits)
    ui::MessageBox(parent, QStringLiteral("パスワードが長すぎます (%1 バイトまで)。").arg(CA_PASSWORD_SIZE - 1),
                   QMessageBox::Warning);
  return ok && fits;
}
