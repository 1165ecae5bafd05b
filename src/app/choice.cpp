#include "app/choice.h"

#include "components/FTVEX/FTVEX.h"

#include <QPushButton>
#include <QStyle>

QString ChosenFolder;

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form3"));
  setWindowTitle(QStringLiteral("フォルダー選択"));
  setFixedSize(262, 270);
  FolderTreeViewEx1 = new TFolderTreeViewEx(this);
  FolderTreeViewEx1->setGeometry(8, 8, 246, 218);
  BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), this);
  BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), QStringLiteral("キャンセル"), this);
  BitBtn1->setGeometry(64, 236, 89, 25);
  BitBtn2->setGeometry(165, 236, 89, 25);
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
  connect(FolderTreeViewEx1, &TFolderTreeViewEx::OnChange, this, &TForm3::FolderTreeViewEx1Change);
}

void TForm3::FolderTreeViewEx1Change(const QString& path) { ChosenFolder = path; }
