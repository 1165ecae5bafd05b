#include "app/kankyo.h"

#include "app/IniFile.h"
#include "app/choice.h"
#include "app/func.h"
#include "app/widgets.h"
#include "app/state.h"
#include "components/FTVEX/FTVEX.h"
#include "ui/prompt.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>

bool CanCloseSettings = false;

TDirDlg::TDirDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("DirDlg"));
  setWindowTitle(QStringLiteral("環境設定"));
  SetPixelFont(this, 12);
  setFixedSize(246, 196);

  CheckBox1 = new QCheckBox(QStringLiteral("起動時にエラーメッセージを出さない"), this);
  CheckBox1->setGeometry(8, 8, 230, 18);
  Label3 = BoldLabel(QStringLiteral("オリジナル圧縮ファイルのコピー先"), this);
  Label3->setGeometry(8, 34, 230, 16);
  Edit2 = new QLineEdit(this);
  Edit2->setGeometry(8, 52, 206, 21);
  Edit2->installEventFilter(this);
  Label3->setBuddy(Edit2);
  Edit2->setAccessibleName(Label3->text());
  SpeedButton2 = new QToolButton(this);
  SpeedButton2->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  SpeedButton2->setGeometry(218, 52, 20, 20);
  // An icon-only button: its hint is its name for screen readers.
  SpeedButton2->setToolTip(QStringLiteral("フォルダーを選択"));
  SpeedButton2->setAccessibleName(SpeedButton2->toolTip());
  Label2 = BoldLabel(QStringLiteral("テキスト判別拡張子"), this);
  Label2->setGeometry(8, 82, 230, 16);
  StringGrid1 = new QTableWidget(5, 1, this);
  StringGrid1->horizontalHeader()->hide();
  StringGrid1->verticalHeader()->hide();
  StringGrid1->setColumnWidth(0, 85);
  for (int r = 0; r < 5; ++r) StringGrid1->setRowHeight(r, 15);
  StringGrid1->verticalHeader()->setMinimumSectionSize(15);
  for (int r = 0; r < 5; ++r) StringGrid1->setRowHeight(r, 15);
  StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  StringGrid1->setGeometry(8, 100, 85 + 2 * StringGrid1->frameWidth(), 5 * 15 + 2 * StringGrid1->frameWidth());
  StringGrid1->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                               QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
  StringGrid1->setAccessibleName(Label2->text());
  Label2->setBuddy(StringGrid1);
  BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), this);
  BitBtn1->setGeometry(150, 120, 88, 25);
  BitBtn1->setDefault(true);
  BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), QStringLiteral("キャンセル"), this);
  BitBtn2->setGeometry(150, 160, 88, 25);
  connect(BitBtn1, &QPushButton::clicked, this, [this] {
    BitBtn1Click();
    accept();
  });
  connect(BitBtn2, &QPushButton::clicked, this, &TDirDlg::BitBtn2Click);
  connect(SpeedButton2, &QToolButton::clicked, this, &TDirDlg::SpeedButton1Click);
  FormCreate();
}

void TDirDlg::FormCreate() {
  Edit2->setText(Settings.CopyDir);
  CheckBox1->setChecked(Settings.ErrorDialog);
  for (int r = 0; r < 5; ++r) {
    auto* cell = new QTableWidgetItem(ExtensionTable[r]);
    // ".txt" and ".rtf" are always text.
    if (r < 2) cell->setFlags(Qt::ItemIsEnabled);
    StringGrid1->setItem(r, 0, cell);
  }
}

bool TDirDlg::eventFilter(QObject* watched, QEvent* event) {
  // EditEnter: all the text is selected, however the box got the focus.
  if (watched == Edit2 && event->type() == QEvent::FocusIn) QTimer::singleShot(0, Edit2, &QLineEdit::selectAll);
  return QDialog::eventFilter(watched, event);
}

void TDirDlg::BitBtn1Click() {
  CanCloseSettings = false;
  const QString folder = Edit2->text();
  const QFileInfo info(folder);
  if (folder.isEmpty()) {
    CanCloseSettings = true;
    Settings.CopyDir.clear();
  } else if (QDir::isAbsolutePath(folder) && info.isDir()) {
    CanCloseSettings = true;
    Settings.CopyDir = AddTrailingBackslash(folder);
  } else {
    // A file of that name is never replaced; a relative path would mean
    // wherever the program happens to run.
    if (QDir::isAbsolutePath(folder) && !info.exists() && !info.isSymLink() &&
        ui::MessageBox(this,
                       QStringLiteral("このディレクトリは存在しません。\n\n") + folder + QStringLiteral("\n\n") +
                           QStringLiteral("新規ディレクトリを作成しますか？"),
                       QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes)
      CanCloseSettings = QDir().mkpath(folder);
    if (CanCloseSettings) {
      Settings.CopyDir = AddTrailingBackslash(folder);
    } else {
      QApplication::beep();
      ui::MessageBox(this, QStringLiteral("ディレクトリの作成に失敗しました。"), QMessageBox::Critical);
    }
  }
  Settings.ErrorDialog = CheckBox1->isChecked();
}

void TDirDlg::BitBtn2Click() {
  CanCloseSettings = true;
  reject();
}

void TDirDlg::SpeedButton1Click() {
  TForm3 choice(this);
  choice.FolderTreeViewEx1->SelectPath(Edit2->text());
  // Kept exactly as chosen: on Linux another letter case is another folder.
  if (ui::ExecModal(choice) == QDialog::Accepted) Edit2->setText(ChosenFolder);
}

bool TDirDlg::FormCloseQuery() {
  for (int r = 2; r <= 4; ++r) {
    const QTableWidgetItem* cell = StringGrid1->item(r, 0);
    QString ext = cell ? cell->text().trimmed().toLower() : QString();
    if (!ext.isEmpty() && !ext.startsWith(QLatin1Char('.'))) ext.prepend(QLatin1Char('.'));
    ExtensionTable[r] = ext;
  }
  return CanCloseSettings;
}

void TDirDlg::done(int result) {
  // OK, Cancel and the window's close button all ask first.
  if (!FormCloseQuery()) return;
  QDialog::done(result);
}

void TDirDlg::keyPressEvent(QKeyEvent* event) {
  // Esc is the Cancel button's.
  if (event->key() == Qt::Key_Escape) {
    BitBtn2->click();
    return;
  }
  QDialog::keyPressEvent(event);
}
