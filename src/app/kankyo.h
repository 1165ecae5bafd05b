#pragma once
#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QToolButton;

// Whether the settings dialog may close; false until the first OK settled
// the folder or Cancel was pressed, and kept from one opening to the next.
extern bool CanCloseSettings;

// "環境設定": the library check at start, the folder that collects copies
// of extracted archives, and three more text extensions.
class TDirDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TDirDlg(QWidget* parent = nullptr);

  QCheckBox* CheckBox1;
  QLabel* Label3;
  QLineEdit* Edit2;
  QToolButton* SpeedButton2;
  QLabel* Label2;
  QTableWidget* StringGrid1;
  QPushButton* BitBtn1;  // OK
  QPushButton* BitBtn2;  // キャンセル

  void FormCreate();
  void BitBtn1Click();
  void BitBtn2Click();
  void SpeedButton1Click();
  bool FormCloseQuery();

 protected:
  void done(int result) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
};
