#pragma once
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
struct CaPasswordRequest;

// "パスワードの入力": asked when an archive member is encrypted.
class TPasswordForm : public QDialog {
  Q_OBJECT
 public:
  TPasswordForm(QWidget* parent, const QString& archive, const QString& member, bool again);

  QLabel* Label1;       // archive and member
  QLabel* Label2;       // "パスワードが違います…" after a wrong answer
  QLineEdit* Edit1;     // masked
  QPushButton* BitBtn1; // OK
  QPushButton* BitBtn2; // キャンセル

  // Shows the form for a module's request and, after OK, puts the answer
  // into it. The typed text is cleared from the field either way.
  static bool Answer(QWidget* parent, CaPasswordRequest* request);
};
