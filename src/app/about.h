#pragma once
#include <QDialog>

class QLabel;
class QPushButton;
class TLinkLabel;

// The version box with the program's links.
class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent = nullptr);

  QLabel* Version;
  TLinkLabel* Url;
  TLinkLabel* Mail;
  QPushButton* Button1;
  QPushButton* Button2;
  QPushButton* OKButton;

  void FormCreate();
  void UrlClick();
  void MailClick();
  void ButtonClick(QPushButton* sender);
};
