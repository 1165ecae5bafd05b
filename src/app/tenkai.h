#pragma once
#include <QDialog>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTreeWidgetItem;
class TFolderView;
class TForm1;

// "展開": extracts the shown archive into a folder the user picks, or beside
// the archive; optionally into a folder named after it, and with a copy of
// the archive file put by its contents.
class Tdevelop : public QDialog {
  Q_OBJECT
 public:
  explicit Tdevelop(TForm1* main);

  QLabel* Label1;
  TFolderView* FolderView1;
  QComboBox* ComboBox1;
  QGroupBox* RadioGroup1;
  QRadioButton* RadioButtons[2];
  QCheckBox* CheckBox1;
  QLabel* Label2;
  QComboBox* ComboBox2;
  QPushButton* BitBtn1;  // 展開
  QPushButton* BitBtn2;  // キャンセル
  bool CanCloseFlag = true;

  int RadioIndex() const;
  void FormCreate();
  void FormResize();
  bool FormCloseQuery();
  void BitBtn1Click();
  void FolderView1Change(QTreeWidgetItem* node);
  void ComboBox1Change(const QString& text);
  void ComboBox1KeyPress();
  void RadioGroup1Click();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void done(int result) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The members that would replace existing files in target, asked about
  // once; false when the user cancels. keep gets the members to extract
  // when the existing files are to stay.
  bool AskAboutExisting(const QString& target, QStringList* keep, bool* keepAll);
  // Copies the archive into folder through a temporary file; true when
  // it is there (also when it is the archive itself).
  bool CopyArchiveTo(const QString& folder);

  TForm1* main_;
};

// The outer size the dialog was designed with, and its smallest height.
constexpr int kDevelopWidth = 362;
constexpr int kDevelopMinHeight = 290;
