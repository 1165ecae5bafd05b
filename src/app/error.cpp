#include "app/error.h"

#include "app/IniFile.h"
#include "app/func.h"
#include "app/state.h"
#include "app/version.h"
#include "app/widgets.h"

#include "ui/prompt.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QUrl>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TErrDlg::TErrDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ErrDlg"));
  setWindowTitle(QStringLiteral("DLL Check"));
  setFixedSize(253, 273);

  CheckBox1 = new QCheckBox(QStringLiteral("UNLHA32.DLL"), this);
  CheckBox2 = new QCheckBox(QStringLiteral("UNZIP32.DLL"), this);
  CheckBox4 = new QCheckBox(QStringLiteral("CAB32.DLL"), this);
  for (QCheckBox* c : {CheckBox1, CheckBox2, CheckBox4}) {
    c->setFocusPolicy(Qt::NoFocus);
    connect(c, &QCheckBox::clicked, this, &TErrDlg::CheckBox1Click);
  }

  Label1 = new QLabel(this);
  Label1->setAlignment(Qt::AlignCenter);
  Label1->setStyleSheet(QStringLiteral("color: red;"));
  QFont f = Label1->font();
  f.setPixelSize(15);
  Label1->setFont(f);

  Label2 = new QLabel(QStringLiteral("  ・ヘルプ"), this);
  QFont bold = Label2->font();
  bold.setBold(true);
  Label2->setFont(bold);
  Label3 = new TLinkLabel(QStringLiteral("書庫モジュールについて"), this);
  Label3->setAccessibleName(QStringLiteral("ヘルプの「書庫モジュール」を開く"));
  connect(Label3, &TLinkLabel::clicked, this, &TErrDlg::Label3Click);

  CheckBox5 = new QCheckBox(QStringLiteral("今後、このメッセージを出さない"), this);
  CheckBox5->setFont(bold);
  BitBtn1 = new QPushButton(QStringLiteral("確　　認"), this);
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, &TErrDlg::BitBtn1Click);

  auto* checks = new QVBoxLayout;
  checks->setSpacing(2);
  checks->addWidget(CheckBox1);
  checks->addWidget(CheckBox2);
  checks->addWidget(CheckBox4);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(checks);
  layout->addWidget(Label1, 1);
  layout->addWidget(Label2);
  layout->addWidget(Label3, 0, Qt::AlignHCenter);
  layout->addSpacing(8);
  layout->addWidget(CheckBox5);
  layout->addWidget(BitBtn1, 0, Qt::AlignHCenter);
  FormCreate();
}

void TErrDlg::FormCreate() {
  CheckBox1Click();
  Label1->setText(
      QStringLiteral("上記のチェックボックスに\n印の無いモジュールが見つかりません\nインストールを確かめるには\n下記のヘルプをご覧ください。"));
}

void TErrDlg::CheckBox1Click() {
  CheckBox1->setChecked(HasLhaDll);
  CheckBox2->setChecked(HasZipDll);
  CheckBox4->setChecked(HasCabDll);
}

void TErrDlg::BitBtn1Click() {
  if (CheckBox5->isChecked()) Settings.ErrorDialog = true;
  accept();
}

// The modules ship with the program: the help says where they belong.
void TErrDlg::Label3Click() {
  const QString help = HelpFilePath();
  if (!QFileInfo::exists(help) || !OpenUrl(QUrl::fromLocalFile(help).toString() + QStringLiteral("#modules")))
    ui::MessageBox(this, QStringLiteral("ヘルプを表示できませんでした。\nヘルプファイル: %1").arg(help), QMessageBox::Warning);
}
