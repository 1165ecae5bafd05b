#pragma once
#include <QDialog>

class QPushButton;
class TFolderTreeViewEx;

// The folder the choice dialog's tree reported last; kept between openings.
extern QString ChosenFolder;

// "フォルダー選択": a folder tree above OK and Cancel.
class TForm3 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm3(QWidget* parent = nullptr);

  TFolderTreeViewEx* FolderTreeViewEx1;
  QPushButton* BitBtn1;  // OK
  QPushButton* BitBtn2;  // キャンセル

  void FolderTreeViewEx1Change(const QString& path);
};
