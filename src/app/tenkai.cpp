#include "app/tenkai.h"

#include "app/IniFile.h"
#include "app/extraction.h"
#include "app/func.h"
#include "app/widgets.h"
#include "app/main.h"
#include "Arcive/ArchiveFile.h"
#include "components/ShView/ShView.h"
#include "ui/prompt.h"
#include "ui/windowsize.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

// The window frame the design's outer sizes include (caption and borders).
constexpr int kFrameWidth = 8;
constexpr int kFrameHeight = 34;
// The outer height taken by everything but the folder tree.
constexpr int kBelowTree = 275;

QString WithSeparator(const QString& path) { return AddTrailingBackslash(path); }

}  // namespace

Tdevelop::Tdevelop(TForm1* main) : QDialog(main), main_(main) {
  setObjectName(QStringLiteral("develop"));
  setWindowTitle(QStringLiteral("指定のフォルダーに圧縮ファイルを展開します！"));
  SetPixelFont(this, 13);

  Label1 = BoldLabel(QStringLiteral("展開先フォルダー"), this);
  FolderView1 = new TFolderView(this);
  Label1->setBuddy(FolderView1);
  ComboBox1 = new QComboBox(this);
  ComboBox1->setEditable(true);
  ComboBox1->setInsertPolicy(QComboBox::NoInsert);
  ComboBox1->setMaxVisibleItems(5);
  ComboBox1->setAccessibleName(QStringLiteral("展開先フォルダーのパス"));
  ComboBox1->lineEdit()->installEventFilter(this);
  ComboBox1->installEventFilter(this);
  RadioGroup1 = new QGroupBox(QStringLiteral("展開先の指定"), this);
  auto* radios = new QVBoxLayout(RadioGroup1);
  radios->setContentsMargins(8, 4, 8, 2);
  radios->setSpacing(0);
  RadioButtons[0] = new QRadioButton(QStringLiteral("上記指定の展開先ﾌｫﾙﾀﾞに展開"), RadioGroup1);
  RadioButtons[1] = new QRadioButton(QStringLiteral("圧縮ファイルのある場所に展開"), RadioGroup1);
  for (QRadioButton* r : RadioButtons) {
    radios->addWidget(r);
    connect(r, &QRadioButton::toggled, this, [this](bool on) {
      if (on) RadioGroup1Click();
    });
  }
  CheckBox1 = new QCheckBox(QStringLiteral("圧縮ファイルの名称のついたﾌｫﾙﾀﾞを作成して展開"), this);
  Label2 = BoldLabel(QStringLiteral("オリジナル圧縮ファイルの処理"), this);
  ComboBox2 = new QComboBox(this);
  ComboBox2->addItems({QStringLiteral("コピーしない"), QStringLiteral("解凍するﾌｫﾙﾀﾞの一つ上位のフォルダーにコピー"),
                       QStringLiteral("解凍するﾌｫﾙﾀﾞにコピー"),
                       QStringLiteral("解凍するﾌｫﾙﾀﾞに[arcive]というﾌｫﾙﾀﾞを作成してコピー"),
                       QStringLiteral("圧縮ファイル専用のﾌｫﾙﾀﾞにコピー（環境設定で設定）")});
  Label2->setBuddy(ComboBox2);
  ComboBox2->setAccessibleName(Label2->text());
  BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("展開"), this);
  BitBtn1->setDefault(true);
  BitBtn2 = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), QStringLiteral("キャンセル"), this);
  for (QPushButton* b : {BitBtn1, BitBtn2}) b->resize(89, 25);
  connect(BitBtn1, &QPushButton::clicked, this, [this] {
    BitBtn1Click();
    accept();
  });
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
  connect(FolderView1, &TFolderView::OnChange, this, &Tdevelop::FolderView1Change);
  connect(ComboBox1, &QComboBox::editTextChanged, this, &Tdevelop::ComboBox1Change);

  resize(kDevelopWidth - kFrameWidth, 435 - kFrameHeight);
  FormCreate();
}

int Tdevelop::RadioIndex() const { return RadioButtons[1]->isChecked() ? 1 : 0; }

void Tdevelop::FormCreate() {
  // The width is fixed, the height has a floor: the designed one, and no
  // less than lets the folder tree show six rows (a tree with no row to
  // click is no way to pick a folder).
  setFixedWidth(width());
  const int row = FolderView1->sizeHintForRow(0) > 0 ? FolderView1->sizeHintForRow(0) : 20;
  const int treeFloor = 6 * row + 2 * FolderView1->frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  setMinimumHeight(std::max(kDevelopMinHeight - kFrameHeight, treeFloor + kBelowTree - kFrameHeight));
  ui::ResizeOuter(this, QSize(ui::OuterSize(this).width(), std::max(Settings.DeveHeight, kDevelopMinHeight)));
  ComboBox2->setCurrentIndex(std::clamp(Settings.CopyProcess, 0, 4));
  CheckBox1->setChecked(Settings.CopyFlag);
  const bool beside = Settings.CopyMode == 1;
  {
    const QSignalBlocker quiet(RadioButtons[beside ? 1 : 0]);
    RadioButtons[beside ? 1 : 0]->setChecked(true);
  }
  if (beside) {
    RadioGroup1Click();
  } else {
    FolderView1->SelectPath(Settings.Directory[0]);
    ComboBox1->setEditText(Settings.Directory[0]);
  }
  for (int i = 1; i <= 5; ++i) ComboBox1->addItem(Settings.Directory[i]);
  ComboBox1->setCurrentIndex(-1);
  ComboBox1->setEditText(beside ? WithSeparator(QFileInfo(main_->ArchivePath).absolutePath()) : Settings.Directory[0]);
  CanCloseFlag = true;
  FormResize();
}

void Tdevelop::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  FormResize();
}

void Tdevelop::FormResize() {
  // Tops count from the client area's top, the sizes they follow are outer ones.
  const int W = width() + kFrameWidth, H = height() + kFrameHeight;
  const int cw = width() - 16;
  Label1->setGeometry(8, 6, cw, 16);
  FolderView1->setGeometry(8, 24, cw, std::max(H - kBelowTree, 15));
  ComboBox1->setGeometry(8, H - 240, cw, 24);
  RadioGroup1->setGeometry(8, H - 210, cw, 58);
  CheckBox1->setGeometry(8, H - 148, cw, 20);
  Label2->setGeometry(8, H - 125, cw, 16);
  ComboBox2->setGeometry(8, H - 110, cw, 24);
  const int left = (W - (BitBtn1->width() + BitBtn2->width()) - 20) / 2;
  BitBtn1->move(left, H - 77);
  BitBtn2->move(left + BitBtn1->width() + 20, H - 77);
}

void Tdevelop::RadioGroup1Click() {
  const bool beside = RadioIndex() == 1;
  FolderView1->setEnabled(!beside);
  ComboBox1->setEnabled(!beside);
  if (!beside) return;
  const QString folder = WithSeparator(QFileInfo(main_->ArchivePath).absolutePath());
  FolderView1->SelectPath(folder);
  ComboBox1->setEditText(folder);
}

void Tdevelop::FolderView1Change(QTreeWidgetItem*) {
  const QString path = FolderView1->GetSelectedPath();
  // The box already names this folder (perhaps with a final separator).
  if (QDir::cleanPath(ComboBox1->currentText()) == QDir::cleanPath(path) && !path.isEmpty()) return;
  ComboBox1->setEditText(path);
}

void Tdevelop::ComboBox1Change(const QString& text) {
  if (QDir::isAbsolutePath(text) && QFileInfo(text).isDir()) FolderView1->SelectPath(text);
}

bool Tdevelop::eventFilter(QObject* watched, QEvent* event) {
  // The key reaches the combo box or its line edit, depending on where the
  // focus landed; the dialog's default button must see it in neither.
  if ((watched == ComboBox1->lineEdit() || watched == ComboBox1) && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      ComboBox1KeyPress();
      return true;  // Enter here makes a folder, it does not extract
    }
  }
  return QDialog::eventFilter(watched, event);
}

void Tdevelop::ComboBox1KeyPress() {
  const QString text = ComboBox1->currentText();
  if (QDir::isAbsolutePath(text) && QFileInfo(text).isDir()) {
    FolderView1->SelectPath(text);
    return;
  }
  if (ui::MessageBox(this, QStringLiteral("展開するフォルダーを新しく作成しますか？\n\n") + text, QMessageBox::Question,
                     QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
    ComboBox1->setEditText(FolderView1->GetSelectedPath());
    return;
  }
  // Only absolute paths: a relative one would land wherever the program runs.
  if (QDir::isAbsolutePath(text) && QDir().mkpath(text)) {
    FolderView1->SelectPath(text);
    return;
  }
  ui::MessageBox(this, QStringLiteral("新しいフォルダーを作成できませんでした"), QMessageBox::Warning);
  ComboBox1->setEditText(FolderView1->GetSelectedPath());
}

bool Tdevelop::AskAboutExisting(const QString& target, QStringList* keep, bool* keepAll) {
  *keepAll = true;
  QStringList members, existing;
  try {
    TArchiveFile file(this);
    file.SetFileName(main_->ArchivePath);
    const bool opened = file.ForEachMember(nullptr, "*.*", [&](const CaMemberInfoEx& rec) {
      const QString name = QString::fromUtf8(rec.info.path);
      const std::optional<QString> at = MemberPathIn(target, name);
      if (at && (QFileInfo::exists(*at) || QFileInfo(*at).isSymLink()) && !QFileInfo(*at).isDir()) existing << name;
      else members << name;
      return true;
    });
    if (!opened) return true;  // the extraction will tell
  } catch (const Exception&) {
    return true;  // the extraction shows what is wrong
  }
  if (existing.isEmpty()) return true;
  QStringList firstFew = existing.mid(0, 5);
  if (existing.size() > firstFew.size()) firstFew << QStringLiteral("…");
  QMessageBox box(QMessageBox::Question, windowTitle(),
                  QStringLiteral("展開先には、書庫の中と同じ名前のファイルがすでに %1 個あります。\n\n%2\n\n"
                                 "上書きしますか？")
                      .arg(existing.size())
                      .arg(firstFew.join(QLatin1Char('\n'))),
                  QMessageBox::NoButton, this);
  QPushButton* replace = box.addButton(QStringLiteral("すべて上書き"), QMessageBox::YesRole);
  QPushButton* skip = box.addButton(QStringLiteral("既存のファイルを残して残りを展開"), QMessageBox::NoRole);
  box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
  box.setDefaultButton(skip);
  const int answer = ui::Ask(box, {replace, skip});
  if (answer == 0) return true;
  if (answer != 1) return false;
  // Names reach the module as literals: each selects its own member only,
  // so the ones not on disk are exactly what is extracted.
  *keep = members;
  *keepAll = false;
  return true;
}

bool Tdevelop::CopyArchiveTo(const QString& folder) {
  const QString archive = main_->ArchivePath;
  const QString name = QFileInfo(archive).fileName();
  const QString to = WithSeparator(folder) + name;
  if (!QFileInfo(folder).exists()) QDir().mkpath(folder);
  // The archive itself is there already: nothing to do, and nothing to harm.
  const QFileInfo source(archive), dest(to);
  if (dest.exists() && source.canonicalFilePath() == dest.canonicalFilePath()) return true;
  const QString part = to + QStringLiteral(".zot-part");
  QFile::remove(part);
  if (!QFile::copy(archive, part)) {
    QFile::remove(part);
    return false;
  }
  if (::rename(QFile::encodeName(part).constData(), QFile::encodeName(to).constData()) != 0) {
    QFile::remove(part);
    return false;
  }
  return true;
}

void Tdevelop::BitBtn1Click() {
  // Recent destinations, newest first; Linux names differ by case.
  const QString text = ComboBox1->currentText();
  bool known = false;
  for (int i = 0; i < ComboBox1->count(); ++i) known = known || ComboBox1->itemText(i) == text;
  if (!known) {
    ComboBox1->insertItem(0, text);
    while (ComboBox1->count() > 5) ComboBox1->removeItem(ComboBox1->count() - 1);
    ComboBox1->setCurrentIndex(-1);
    ComboBox1->setEditText(text);
  }
  const QString name = QFileInfo(main_->ArchivePath).fileName();
  const QString dest = WithSeparator(text);
  const QString sub = CheckBox1->isChecked() ? name.left(std::max<qsizetype>(name.indexOf(QLatin1Char('.')), 0)) : QString();
  const QString target = dest + sub;
  CanCloseFlag = QDir::isAbsolutePath(text);
  if (CanCloseFlag && !(QFileInfo::exists(target) && !QFileInfo(target).isDir())) CanCloseFlag = QDir().mkpath(target);
  else if (CanCloseFlag) CanCloseFlag = QFileInfo(target).isDir();
  if (!CanCloseFlag) {
    ui::MessageBox(this, QStringLiteral("圧縮ファイルの展開ができませんでした。"), QMessageBox::Critical);
    return;
  }
  QStringList keep;
  bool keepAll = true;
  if (!AskAboutExisting(target, &keep, &keepAll)) {
    CanCloseFlag = false;  // the user may pick another folder
    return;
  }
  int status = 0;
  const QString archive = main_->ArchivePath;
  const bool went = keepAll ? ExtractArchive(main_, archive, AllMembers(), target, &status)
                            : (keep.isEmpty() || ExtractArchive(main_, archive, {keep}, target, &status));
  if (!went) {
    ui::MessageBox(this, QStringLiteral("書庫 %1 の展開を中止しました。展開先: %2").arg(archive, target),
                   QMessageBox::Warning);
    return;
  }
  QString copyFolder;
  switch (ComboBox2->currentIndex()) {
    case 1: copyFolder = dest; break;
    case 2: copyFolder = target; break;
    case 3: copyFolder = WithSeparator(target) + QStringLiteral("arcive"); break;
    case 4: copyFolder = Settings.CopyDir; break;
    default: break;
  }
  if (!copyFolder.isEmpty() && !CopyArchiveTo(copyFolder))
    ui::MessageBox(this, QStringLiteral("圧縮ファイルのコピーに失敗しました。"), QMessageBox::Critical);
}

bool Tdevelop::FormCloseQuery() {
  Settings.DeveHeight = ui::OuterSize(this).height();
  Settings.DeveTop = pos().y();
  Settings.DeveLeft = pos().x();
  Settings.Directory[0] = ComboBox1->currentText();
  for (int i = 0; i < 5; ++i) Settings.Directory[i + 1] = i < ComboBox1->count() ? ComboBox1->itemText(i) : QString();
  Settings.CopyProcess = ComboBox2->currentIndex();
  Settings.CopyMode = RadioIndex();
  Settings.CopyFlag = CheckBox1->isChecked();
  const bool allow = CanCloseFlag;
  CanCloseFlag = true;
  return allow;
}

void Tdevelop::done(int result) {
  // Every way of closing (展開, キャンセル, Esc, the frame) asks first.
  if (!FormCloseQuery()) return;
  QDialog::done(result);
}
