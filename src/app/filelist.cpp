#include "app/filelist.h"

#include "app/state.h"

#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>

TForm4::TForm4(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form4"));
  setWindowTitle(QStringLiteral("履歴"));
  setFixedSize(186, 175);
  ListBox1 = new QListWidget(this);
  ListBox1->setGeometry(8, 8, 169, 129);
  ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListBox1->setAccessibleName(QStringLiteral("履歴"));
  BitBtn1 = new QPushButton(QStringLiteral("実  行"), this);
  BitBtn1->setGeometry(8, 143, 80, 25);
  BitBtn1->setDefault(true);
  BitBtn2 = new QPushButton(QStringLiteral("閉じる(&C)"), this);
  BitBtn2->setGeometry(97, 143, 80, 25);
  connect(BitBtn1, &QPushButton::clicked, this, &TForm4::BitBtn1Click);
  connect(ListBox1, &QListWidget::itemDoubleClicked, this, &TForm4::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TForm4::BitBtn2Click);
  FormCreate();
  // Centred on the main window.
  if (parent) move(parent->geometry().center() - rect().center());
}

void TForm4::FormCreate() {
  for (const QString& path : History) ListBox1->addItem(QFileInfo(path).fileName());
}

void TForm4::BitBtn1Click() {
  for (int i = 0; i < ListBox1->count() && i < History.size(); ++i)
    if (ListBox1->item(i)->isSelected()) StartProgramFile(this, History.at(i));
}

void TForm4::BitBtn2Click() { reject(); }
