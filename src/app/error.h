#pragma once
#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class TLinkLabel;

// Tells at start which of the three main archiver libraries are missing.
class TErrDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TErrDlg(QWidget* parent = nullptr);

  QCheckBox* CheckBox1;  // UNLHA32.DLL
  QCheckBox* CheckBox2;  // UNZIP32.DLL
  QCheckBox* CheckBox4;  // CAB32.DLL
  QLabel* Label1;
  QLabel* Label2;
  TLinkLabel* Label3;
  QCheckBox* CheckBox5;
  QPushButton* BitBtn1;

  void FormCreate();
  void CheckBox1Click();
  void BitBtn1Click();
  void Label3Click();
};
