#pragma once
#include <QDialog>

class QListWidget;
class QPushButton;

// The history window: programs started by the run button since the program
// started, each startable again from its extracted copy.
class TForm4 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm4(QWidget* parent = nullptr);

  QListWidget* ListBox1;
  QPushButton* BitBtn1;  // 実  行
  QPushButton* BitBtn2;  // 閉じる(&C)

  void FormCreate();
  void BitBtn1Click();
  void BitBtn2Click();
};
