#include "app/main.h"

#include "app/IniFile.h"
#include "app/about.h"
#include "app/error.h"
#include "app/filelist.h"
#include "app/memo.h"
#include "app/func.h"
#include "app/glyphs.h"
#include "app/prompt.h"
#include "app/splash.h"
#include "app/version.h"
#include "Arcive/ArchiveFile.h"
#include "components/FTVEX/FTVEX.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/process.h"
#include "shell/shellfolder.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileIconProvider>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QProgressDialog>
#include <QLabel>
#include <QListView>
#include <QTreeView>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QStandardItemModel>
#include <QThread>
#include <QToolBar>
#include <QToolButton>

QString TempRoot;
QStringList History;
bool HasLhaDll = false;
bool HasZipDll = false;
bool HasCabDll = false;
QString ExtensionTable[9];
QPointer<QWidget> ViewerForm;

namespace {

constexpr int kToolBarHeight = 24;
constexpr int kButtonWidth = 96;
constexpr int kButtonHeight = 36;

// "%12.0n": thousands separators, no decimals, right-aligned in 12 characters.
QString SizeText(uint64_t n) {
  QString digits = QString::number(n);
  for (qsizetype at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, QLatin1Char(','));
  return digits.rightJustified(12);
}

// Hourglass and no repainting while a listing runs, restored however it ends.
class ListingBusy {
 public:
  explicit ListingBusy(QWidget* list) : list_(list) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    list_->setUpdatesEnabled(false);
  }
  ~ListingBusy() {
    list_->setUpdatesEnabled(true);
    QApplication::restoreOverrideCursor();
  }

 private:
  QWidget* list_;
};

// Lets other programs run now and then during long listings.
void YieldEvery50(int& count) {
  if (++count >= 50) {
    QThread::yieldCurrentThread();
    count = 0;
  }
}

// The extension of a name's last part with its dot, lower-cased; empty when none.
QString ExtensionOf(const QString& name) {
  const QString last = name.section(QLatin1Char('/'), -1);
  const qsizetype dot = last.lastIndexOf(QLatin1Char('.'));
  return dot >= 0 ? last.mid(dot).toLower() : QString();
}

// Whether the module for archives with this (lower-case) extension is present.
bool ArchiveModulePresent(const QString& ext) {
  return (ext == QLatin1String(".lzh") && HasLhaDll) || (ext == QLatin1String(".zip") && HasZipDll) ||
         (ext == QLatin1String(".cab") && HasCabDll);
}

bool LibraryPresent(const char* dllName) {
  const QString file = platform::LibraryFileName(QLatin1String(dllName));
  return QFile::exists(GetWindowsFolder() + QLatin1Char('/') + file) ||
         QFile::exists(GetSystemFolder() + QLatin1Char('/') + file);
}

}  // namespace

QString HelpFilePath() {
  const QFileInfo exe(platform::ProgramPath());
  return exe.absolutePath() + QLatin1Char('/') + exe.completeBaseName() + QStringLiteral(".html");
}

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QString::fromUtf8(kAppTitle));
  setWindowIcon(glyphs::ProgramIcon());
  QFont f = font();
  f.setPixelSize(12);
  setFont(f);
  resize(635, 391);

  BuildActions();
  BuildMenus();
  BuildClient();
  FormCreate();
}

TForm1::~TForm1() = default;

void TForm1::BuildActions() {
  auto action = [this](const QString& text, int glyph, void (TForm1::*handler)()) {
    auto* a = new QAction(text, this);
    if (glyph >= 0) a->setIcon(glyphs::ImageList1(glyph));
    connect(a, &QAction::triggered, this, handler);
    return a;
  };
  ToolButton4 = action(QStringLiteral("環境設定"), glyphs::kSettings, &TForm1::ToolButton4Click);
  ToolButton3 = action(QStringLiteral("最新の情報に更新"), glyphs::kRefresh, &TForm1::Refresh1Click);
  ToolButton6 = action(QStringLiteral("大きいアイコン"), glyphs::kLargeIcons, &TForm1::ToolButton6Click);
  ToolButton7 = action(QStringLiteral("小さいアイコン"), glyphs::kSmallIcons, &TForm1::ToolButton7Click);
  ToolButton8 = action(QStringLiteral("一覧"), glyphs::kList, &TForm1::ToolButton8Click);
  ToolButton9 = action(QStringLiteral("詳細"), glyphs::kDetails, &TForm1::ToolButton9Click);
  ToolButton2 = action(QStringLiteral("テキスト自動閲覧"), glyphs::kAutoViewOn, &TForm1::ToolButton2Click);
  ToolButton2->setCheckable(true);
  ToolButton2->setChecked(true);
  ViewGroup = new QActionGroup(this);
  for (QAction* a : {ToolButton6, ToolButton7, ToolButton8, ToolButton9}) {
    a->setCheckable(true);
    ViewGroup->addAction(a);
  }
  // Tags 1-4 are the view modes.
  ToolButton6->setData(1);
  ToolButton7->setData(2);
  ToolButton8->setData(3);
  ToolButton9->setData(4);

  Options1 = action(QStringLiteral("環境設定(&O)"), glyphs::kSettings, &TForm1::ToolButton4Click);
  Refresh1 = action(QStringLiteral("最新の情報に更新"), glyphs::kRefresh, &TForm1::Refresh1Click);
  Refresh1->setShortcut(Qt::Key_F5);
  Exit1 = action(QStringLiteral("終了(&X)"), -1, &TForm1::BitBtn1Click);
  LargeIcon1 = action(QStringLiteral("大きいアイコン"), glyphs::kLargeIcons, &TForm1::ToolButton6Click);
  SmallIcon1 = action(QStringLiteral("小さいアイコン"), glyphs::kSmallIcons, &TForm1::ToolButton7Click);
  List1 = action(QStringLiteral("一覧"), glyphs::kList, &TForm1::ToolButton8Click);
  Report1 = action(QStringLiteral("詳細"), glyphs::kDetails, &TForm1::ToolButton9Click);
  for (QAction* a : {LargeIcon1, SmallIcon1, List1, Report1}) a->setCheckable(true);
  Text = action(QStringLiteral("テキスト自動閲覧"), -1, &TForm1::TextClick);
  Text->setCheckable(true);
  Contents1 = action(QStringLiteral("目次(&C)"), -1, &TForm1::Contents1Click);
  Contents1->setShortcut(Qt::Key_F1);
  About1 = action(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報(&A)..."), -1, &TForm1::About1Click);

  // The list's popup; what the two commands do comes with running and viewing.
  N2 = new QAction(QStringLiteral("実行"), this);
  N2->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
  N3 = new QAction(QStringLiteral("見る"), this);
  N3->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
  connect(N2, &QAction::triggered, this, &TForm1::N2Click);
  connect(N3, &QAction::triggered, this, &TForm1::N3Click);
  // The shortcuts work while the popup is closed too.
  addAction(N2);
  addAction(N3);
}

void TForm1::BuildMenus() {
  File1 = menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
  File1->addAction(Options1);
  File1->addAction(Refresh1);
  File1->addSeparator();
  File1->addAction(Exit1);
  View1 = menuBar()->addMenu(QStringLiteral("表示(&V)"));
  View1->addActions({LargeIcon1, SmallIcon1, List1, Report1});
  View1->addSeparator();
  View1->addAction(Text);
  Help1 = menuBar()->addMenu(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
  Help1->addAction(Contents1);
  Help1->addAction(About1);
  PopupMenu1 = new QMenu(this);
  PopupMenu1->addAction(N2);
  PopupMenu1->addAction(N3);
}

void TForm1::BuildToolBar() {
  ToolBar1 = new QToolBar(Client);
  ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
  ToolBar1->setMovable(false);
  ToolBar1->setFloatable(false);
  ToolBar1->setIconSize(QSize(16, 16));
  ToolBar1->setAccessibleName(QStringLiteral("ツールバー"));
  ToolBar1->addActions({ToolButton4, ToolButton3});
  ToolBar1->addSeparator();
  ToolBar1->addActions({ToolButton6, ToolButton7, ToolButton8, ToolButton9});
  ToolBar1->addSeparator();
  ToolBar1->addAction(ToolButton2);
  for (QAction* a : ToolBar1->actions()) {
    if (a->isSeparator()) continue;
    a->setToolTip(a->text());
    // Icon-only buttons are named after their hint for screen readers.
    if (QWidget* w = ToolBar1->widgetForAction(a)) w->setAccessibleName(a->text());
  }
}

void TForm1::BuildClient() {
  Client = new QWidget(this);
  setCentralWidget(Client);
  Client->installEventFilter(this);
  BuildToolBar();

  Panel1 = new QSplitter(Qt::Horizontal, Client);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setHandleWidth(3);
  Panel1->setChildrenCollapsible(false);
  FolderTreeViewEx1 = new TFolderTreeViewEx(Panel1);
  FolderTreeViewEx1->SetFileMask({QStringLiteral(".exe"), QStringLiteral(".lzh"), QStringLiteral(".zip"),
                                  QStringLiteral(".cab")});
  FolderTreeViewEx1->SetShowFile(true);
  FolderTreeViewEx1->SetShellRun(true);
  connect(FolderTreeViewEx1, &TFolderTreeViewEx::OnChange, this, &TForm1::FolderTreeViewEx1Change);
  connect(FolderTreeViewEx1, &TFolderTreeViewEx::OnClick, this, &TForm1::FolderTreeViewEx1Click);
  ListView1 = new TListView(Panel1);
  Panel1->addWidget(FolderTreeViewEx1);
  Panel1->addWidget(ListView1);
  Panel1->setStretchFactor(0, 0);
  Panel1->setStretchFactor(1, 1);
  pendingTreeWidth_ = 208;

  auto button = [this](const QString& caption, const QString& hint) {
    auto* b = new QPushButton(caption, Client);
    QFont f = b->font();
    f.setPixelSize(19);
    f.setBold(true);
    b->setFont(f);
    b->setToolTip(hint);
    b->setAutoDefault(false);
    b->resize(kButtonWidth, kButtonHeight);
    return b;
  };
  BitBtn2 = button(QStringLiteral("ピポラ！"), QStringLiteral("一時的に解凍、実行"));
  BitBtn3 = button(QStringLiteral("展開"), QStringLiteral("指定フォルダーに解凍"));
  BitBtn4 = button(QStringLiteral("履歴"), QString());
  BitBtn1 = button(QStringLiteral("終了"), QString());
  BitBtn1->setDefault(true);
  BitBtn2->setEnabled(false);
  BitBtn3->setEnabled(false);
  BitBtn4->setEnabled(false);
  connect(ListView1->Selection(), &QItemSelectionModel::selectionChanged, this, &TForm1::ListView1Change);
  for (QAbstractItemView* v : {static_cast<QAbstractItemView*>(ListView1->IconView()),
                               static_cast<QAbstractItemView*>(ListView1->ReportView())})
  {
    connect(v, &QAbstractItemView::doubleClicked, this, &TForm1::ListView1DblClick);
    // A right click (or the menu key) after the view has selected the row under it.
    v->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(v, &QWidget::customContextMenuRequested, this, [this, v](const QPoint& pos) {
      ListView1MouseDown(Qt::RightButton, v->viewport()->mapToGlobal(pos));
    });
  }
  connect(BitBtn1, &QPushButton::clicked, this, &TForm1::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TForm1::BitBtn2Click);
  connect(BitBtn3, &QPushButton::clicked, this, &TForm1::BitBtn3Click);
  connect(BitBtn4, &QPushButton::clicked, this, &TForm1::BitBtn4Click);
}

int TForm1::TreeWidth() const {
  if (pendingTreeWidth_ >= 0) return pendingTreeWidth_;
  return Panel1->sizes().value(0);
}

void TForm1::SetTreeWidth(int width) {
  width = std::max(width, 0);
  // The splitter ignores sizes until it has a size of its own.
  if (Panel1->width() <= 0) {
    pendingTreeWidth_ = width;
    return;
  }
  pendingTreeWidth_ = -1;
  Panel1->setSizes({width, std::max(Panel1->width() - Panel1->handleWidth() - width, 0)});
}

void TForm1::FormCreate() {
  // Without a data folder, a new private folder each time: a fixed name in
  // the shared temporary folder could be taken first by another user.
  TempRoot = MakeTempRoot(GetSpecialFolder(platform::CSIDL_APPDATA));
  const bool freshRoot = TempRoot.isEmpty();
  if (freshRoot) TempRoot = AddTrailingBackslash(platform::NewPrivateTempFolder());

  auto* splash = new TfSplash;
  splash->Version->setText(QString::fromUtf8(kVersionText));
  splash->show();
  splash->repaint();
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

  History.clear();
  HasLhaDll = HasZipDll = HasCabDll = false;

  LoadSettings(*this);

  HasLhaDll = LibraryPresent("unlha32.dll");
  HasZipDll = LibraryPresent("unzip32.dll");
  HasCabDll = LibraryPresent("cab32.dll");

  if (!(HasLhaDll && HasZipDll && HasCabDll) && !Settings.ErrorDialog) {
    TErrDlg dlg;
    ui::ExecModal(dlg);
  }

  if (!freshRoot && QFileInfo(TempRoot).isDir() && !QFileInfo(TempRoot).isSymLink() &&
      ui::MessageBox(splash, QStringLiteral("一時解凍フォルダーの中身をすべて削除します。"),
                     QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes) {
    TDeleteReport report;
    if (!DeleteFolderTree(TempRoot, &report) && !report.failed.isEmpty()) ReportLeftovers(splash, report);
  }

  ExtensionTable[0] = QStringLiteral(".txt");
  ExtensionTable[1] = QStringLiteral(".rtf");
  ExtensionTable[5] = QStringLiteral(".com");
  ExtensionTable[6] = QStringLiteral(".exe");
  ExtensionTable[7] = QStringLiteral(".html");
  ExtensionTable[8] = QStringLiteral(".htm");

  // Other users must not read or plant files where our programs run.
  if (const QString why = platform::MakePrivateFolder(TempRoot); !why.isEmpty()) {
    const QString instead = AddTrailingBackslash(platform::NewPrivateTempFolder());
    ui::MessageBox(splash,
                   QStringLiteral("一時解凍フォルダー %1 は安全に使えません (%2)。\n代わりに %3 を使います。")
                       .arg(TempRoot, why, instead),
                   QMessageBox::Warning);
    TempRoot = instead;
  }

  // A first start opens at the user's home folder, and so does a start whose
  // remembered folder or file is not there; that one stays remembered (it
  // may be on a drive that is not mounted) until the user selects another.
  if (Settings.Folder.isEmpty()) {
    FolderTreeViewEx1->SelectPath(QDir::homePath());
  } else if (!FolderTreeViewEx1->SelectPath(Settings.Folder)) {
    const QString remembered = Settings.Folder;
    FolderTreeViewEx1->SelectPath(QDir::homePath());
    Settings.Folder = remembered;
  }

  ToolButton2->setChecked(Settings.MemoFlag);
  ToolButton2Click();

  delete splash;
}

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TForm1::FormShow() {
  switch (Settings.ViewMode) {
    case 1: ToolButton6Click(); break;
    case 2: ToolButton7Click(); break;
    case 3: ToolButton8Click(); break;
    case 4: ToolButton9Click(); break;
    default: break;  // an unknown mode leaves the list as it is
  }
  CheckViewMenu();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Client && event->type() == QEvent::Resize) FormResize();

  return QMainWindow::eventFilter(watched, event);
}

void TForm1::FormResize() {
  const int ch = Client->height();
  const int cw = Client->width();
  const int th = kToolBarHeight;
  ToolBar1->setGeometry(0, 0, cw, th);
  Panel1->setGeometry(0, th, cw, std::max(ch - th - 50, 0));
  if (pendingTreeWidth_ >= 0 && Panel1->width() > 0) SetTreeWidth(pendingTreeWidth_);
  const int top = ch - 40;
  BitBtn2->move(24, top);
  BitBtn3->move(128, top);
  BitBtn4->move(232, top);
  BitBtn1->move(cw - 95, top);
}

void TForm1::SetViewMode(int mode) {
  static constexpr TViewStyle kStyles[] = {vsIcon, vsSmallIcon, vsList, vsReport};
  ListView1->SetViewStyle(kStyles[mode - 1]);
  Settings.ViewMode = mode;
  for (QAction* a : ViewGroup->actions()) a->setChecked(a->data().toInt() == mode);
  CheckViewMenu();
}

void TForm1::ToolButton6Click() { SetViewMode(1); }
void TForm1::ToolButton7Click() { SetViewMode(2); }
void TForm1::ToolButton8Click() { SetViewMode(3); }
void TForm1::ToolButton9Click() { SetViewMode(4); }

void TForm1::CheckViewMenu() {
  QAction* const items[] = {LargeIcon1, SmallIcon1, List1, Report1};
  for (int i = 0; i < 4; ++i) items[i]->setChecked(Settings.ViewMode == i + 1);
}

void TForm1::ToolButton2Click() {
  const bool down = ToolButton2->isChecked();
  Text->setChecked(down);
  ToolButton2->setIcon(glyphs::ImageList1(down ? glyphs::kAutoViewOn : glyphs::kAutoViewOff));
}

void TForm1::TextClick() {
  // The menu item has already flipped its own check mark.
  ToolButton2->setChecked(Text->isChecked());
  ToolButton2Click();
}

void TForm1::BitBtn1Click() { close(); }

void TForm1::NotYetAvailable(const QString& what) {
  ui::MessageBox(this, what + QStringLiteral("は、このバージョンではまだ使えません。"),
                 QMessageBox::Information);
}

void TForm1::ToolButton4Click() { NotYetAvailable(QStringLiteral("環境設定")); }

void TForm1::Refresh1Click() { FolderTreeViewEx1->RefreshTree(); }

void TForm1::BitBtn3Click() { NotYetAvailable(QStringLiteral("展開")); }

void TForm1::BitBtn4Click() {
  TForm4 form(this);
  ui::ExecModal(form);
}

void TForm1::About1Click() {
  TAboutBox box(this);
  ui::ExecModal(box);
}

void TForm1::Contents1Click() {
  const QString help = HelpFilePath();
  if (!QFileInfo::exists(help)) {
    ui::MessageBox(this, QStringLiteral("ヘルプファイル %1 が見つかりません。").arg(help),
                   QMessageBox::Warning);
    return;
  }
  if (!OpenUrl(help))
    ui::MessageBox(this, QStringLiteral("ヘルプを表示できませんでした。\nヘルプファイル: %1").arg(help),
                   QMessageBox::Warning);
}

bool TForm1::FormCloseQuery() {
  bool canClose = true;
  Settings.MemoFlag = ToolButton2->isChecked();
  // Our own working folder must not keep the temporary root alive.
  QDir::setCurrent(platform::ProgramFolder());
  TDeleteReport report;
  DeleteFolderTree(TempRoot, &report);
  // Only a program still using its files is worth keeping the window for;
  // anything else that stays is said and left.
  if (QFileInfo::exists(TempRoot) && report.inUse.isEmpty()) {
    ReportLeftovers(this, report);
  } else if (QFileInfo::exists(TempRoot)) {
    const QString text = QStringLiteral("まだ一時解凍のアプリケーションが動作しています。") +
                         QLatin1Char('\n') + QStringLiteral("強制終了しますか？") +
                         QStringLiteral("\n\n") +
                         QStringLiteral("強制終了した場合、解凍動作中のアプリケーションが正常に動作しなくなる可能性があります。");
    canClose = ui::MessageBox(this, text, QMessageBox::Critical, QMessageBox::Yes | QMessageBox::No) ==
               QMessageBox::Yes;
  }
  if (ViewerForm) {
    try {
      delete ViewerForm.data();
    } catch (...) {
      ui::MessageBox(this, QStringLiteral("簡易ビューワの開放ミス"), QMessageBox::Critical);
    }
    ViewerForm = nullptr;
  }
  SaveSettings(*this);
  return canClose;
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (FormCloseQuery()) event->accept();
  else event->ignore();
}

void TForm1::keyPressEvent(QKeyEvent* event) {
  // Enter that no control took is the default button's.
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier &&
      BitBtn1->isEnabled()) {
    BitBtn1->animateClick();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

// ---------------------------------------------------------------- listing

void TForm1::AddEntry(const QString& caption, const QIcon& icon, const QString& size, const QString& date) {
  auto* name = new QStandardItem(icon, caption);
  auto* sizeItem = new QStandardItem(size);
  sizeItem->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  auto* dateItem = new QStandardItem(date);
  dateItem->setTextAlignment(Qt::AlignCenter);
  for (QStandardItem* i : {name, sizeItem, dateItem}) i->setEditable(false);
  ListView1->Items()->appendRow({name, sizeItem, dateItem});
}

bool TForm1::IsSelfExtracting(const QString& path) {
  QByteArray head;
  if (!platform::ReadRegularFile(path, &head, 256) || head.size() < 256) {
    ui::MessageBox(this, QStringLiteral("ファイル %1 を読み込めません。").arg(path), QMessageBox::Critical);
    return false;
  }
  if (HasLhaDll && head.mid(36, 9) == "LHA's SFX") return true;
  return HasZipDll && head.contains("ZIP");
}

void TForm1::ClearList() {
  ListView1->Items()->removeRows(0, ListView1->Items()->rowCount());
  // A new listing starts a new selection: an entry with the caption of the
  // last one selected is classified again.
  SelectedName.clear();
  ExecMember.clear();
  TextMember.clear();
  HtmlMember.clear();
  FolderArchive.clear();
  FolderProgram.clear();
}

void TForm1::FolderTreeViewEx1Change(const QString& folderName) {
  ClearList();
  ArchivePath.clear();
  Settings.Folder = folderName;
  BitBtn2->setEnabled(false);
  if (!QFileInfo(folderName).isFile()) {
    ListFolder(folderName);
    BitBtn3->setEnabled(false);
    return;
  }
  const QString ext = ExtensionOf(folderName);
  bool archive = false;
  if (ext == QLatin1String(".exe")) {
    if (!IsSelfExtracting(folderName)) {
      BitBtn3->setEnabled(false);
      return;
    }
    archive = true;
  } else {
    archive = ArchiveModulePresent(ext);
  }
  if (archive) {
    ArchivePath = folderName;
    ListArchive();
  }
  BitBtn3->setEnabled(true);
}

void TForm1::FolderTreeViewEx1Click(const QString& folderName) {
  if (QFileInfo(folderName).isFile()) return;
  ArchivePath.clear();
  ListFolder(folderName);
}

void TForm1::ListFolder(const QString& folder) {
  ClearList();
  ListingBusy busy(ListView1);
  int count = 0;
  QDir dir(folder);
  // Only files: a folder that happens to be called "x.zip" is no archive.
  // Regular files only (and links to them): a FIFO or device is no archive.
  for (const QFileInfo& fi : dir.entryInfoList(QDir::Files | QDir::Hidden, QDir::NoSort)) {
    const QString ext = ExtensionOf(fi.fileName());
    const bool listed = ext == QLatin1String(".exe") || ArchiveModulePresent(ext);
    if (listed) {
      const QDateTime t = fi.lastModified();
      AddEntry(fi.fileName(), shell::PathIcon(fi.filePath()), SizeText(static_cast<uint64_t>(fi.size())),
               (t.isValid() ? t : QDateTime(QDate(1899, 12, 30), QTime(0, 0))).toString(QStringLiteral("yyyy/MM/dd   HH:mm:ss")));
    }
    YieldEvery50(count);
  }
}

void TForm1::ListArchive() {
  ClearList();
  QList<QByteArray> masks{"*.com", "*.exe"};
  for (int slot : {0, 1, 2, 3, 4, 7, 8})
    if (!ExtensionTable[slot].isEmpty()) masks << "*" + ExtensionTable[slot].toUtf8();
  masks << "*.*";
  // One error is enough to tell; the passes after it would only repeat it.
  for (const QByteArray& mask : masks)
    if (!ListMembers(mask)) break;
}

bool TForm1::ListMembers(const QByteArray& mask) {
  ListingBusy busy(ListView1);
  MemberKind kind = mkOther;
  if (mask == "*.com" || mask == "*.exe") kind = mkProgram;
  for (int slot = 0; slot <= 4; ++slot)
    if (!ExtensionTable[slot].isEmpty() && mask == "*" + ExtensionTable[slot].toUtf8()) kind = mkText;
  for (int slot : {7, 8})
    if (!ExtensionTable[slot].isEmpty() && mask == "*" + ExtensionTable[slot].toUtf8()) kind = mkHtml;
  const QIcon icon = glyphs::MemberIcon(kind);
  try {
    TArchiveFile file(this);
    file.SetFileName(ArchivePath);
    if (file.OpenArchive(nullptr, 0) != 0) return true;
    CaMemberInfoEx rec{};
    int count = 0;
    for (int st = file.FindFirst(mask, &rec); st == 0; st = file.FindNext(&rec)) {
      const QString name = QString::fromUtf8(rec.info.path);
      const QString ext = ExtensionOf(name);
      const bool known = !ext.isEmpty() && std::any_of(std::begin(ExtensionTable), std::end(ExtensionTable),
                                                       [&ext](const QString& e) { return e == ext; });
      if (!(mask == "*.*" && known)) {
        const uint16_t d = rec.info.dos_date, t = rec.info.dos_time;
        const QString date = QString::asprintf("%4.4d/%2.2d/%2.2d", (d >> 9) + 1980, (d >> 5) & 15, d & 31) +
                             QStringLiteral("   ") +
                             QString::asprintf("%2.2d:%2.2d:%2.2d", t >> 11, (t >> 5) & 63, (t & 31) * 2);
        AddEntry(name, icon, SizeText(rec.info.original_size), date);
      }
      YieldEvery50(count);
    }
    file.CloseArchive();
  } catch (const Exception& e) {
    ui::MessageBox(this, e.Message(), QMessageBox::Critical);
    return false;
  }
  return true;
}

void TForm1::ListView1Change() {
  const QModelIndexList rows = ListView1->Selection()->selectedRows(0);
  if (rows.isEmpty()) return;
  const QString caption = rows.first().data().toString();
  if (caption == SelectedName) return;
  ExecMember.clear();
  TextMember.clear();
  HtmlMember.clear();
  FolderArchive.clear();
  FolderProgram.clear();
  SelectedName = caption;
  const QString ext = ExtensionOf(caption);
  auto inSlots = [&ext](std::initializer_list<int> indexes) {
    return !ext.isEmpty() &&
           std::any_of(indexes.begin(), indexes.end(), [&ext](int i) { return ExtensionTable[i] == ext; });
  };
  const bool text = inSlots({0, 1, 2, 3, 4});
  const bool html = inSlots({7, 8});
  if (!ArchivePath.isEmpty()) {
    if (ext == QLatin1String(".com") || ext == QLatin1String(".exe")) {
      ExecMember = caption;
      BitBtn2->setEnabled(true);
    } else if (text) {
      TextMember = caption;
      BitBtn2->setEnabled(false);
      if (ToolButton2->isChecked()) N3Click();
    } else if (html) {
      HtmlMember = caption;
      BitBtn2->setEnabled(true);
    } else {
      BitBtn2->setEnabled(false);
    }
    return;
  }
  BitBtn2->setEnabled(false);
  const QString full = AddTrailingBackslash(Settings.Folder) + caption;
  if (ext == QLatin1String(".exe")) {
    if (IsSelfExtracting(full)) FolderArchive = full;
    else FolderProgram = full;
  } else if (ArchiveModulePresent(ext)) {
    FolderArchive = full;
  }
}

void TForm1::ListView1MouseDown(Qt::MouseButton button, const QPoint& globalPos) {
  if (button != Qt::RightButton || ArchivePath.isEmpty()) return;
  if (ListView1->Selection()->selectedRows(0).isEmpty()) return;
  PopupMenu1->popup(globalPos);
}

// ---------------------------------------------------------------- running

bool StartProgramFile(QWidget* parent, const QString& path) {
  const QString folder = QFileInfo(path).absolutePath();
  QDir::setCurrent(folder);
  if (platform::StartProgram(path, folder)) return true;
  QString why;
  if (!QFileInfo(path).isFile())
    why = QStringLiteral("プログラム %1 が見つかりません。書庫の展開に失敗した可能性があります。").arg(path);
  else if (platform::IsWindowsProgram(path))
    why = QStringLiteral("%1 は Windows 用のプログラムです。起動するには wine をインストールしてください。").arg(path);
  else
    why = QStringLiteral("プログラム %1 を起動できませんでした。実行の許可があるか確かめてください。").arg(path);
  ui::MessageBox(parent, why, QMessageBox::Warning);
  return false;
}

QString TForm1::RunFolder() const {
  const QString name = QFileInfo(ArchivePath).fileName();
  return TempRoot + name.left(name.indexOf(QLatin1Char('.')) < 0 ? 0 : name.indexOf(QLatin1Char('.')));
}

bool TForm1::ExtractMembers(const QString& mask, const QString& destination) {
  try {
    TArchiveFile file(this);
    file.SetFileName(ArchivePath);
    file.Options.x = 1;
    file.Options.jf = 0;
    file.Options.jse = 0;
    file.Options.jso = 1;
    file.SetOutputSize(16384);
    // Long extractions show their progress after half a second and can be
    // stopped. The dialog lets events through, so the window takes no input
    // meanwhile: a second run or listing must not start inside this one.
    QProgressDialog progress(QStringLiteral("書庫を展開しています..."), QStringLiteral("中止"), 0, 100);
    progress.setWindowTitle(QString::fromUtf8(kAppTitle));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(500);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setValue(0);
    bool cancelled = false;
    file.OnProgress = [&](TArchiveFile*, int state, void* lpEis, bool& abort) {
      const auto* info = static_cast<const CaExtractingInfo*>(lpEis);
      if (state == CA_STATE_INPROCESS && info) {
        const uint64_t size = info->member_size;
        progress.setLabelText(QStringLiteral("%1\n%2 / %3 バイト")
                                  .arg(QString::fromUtf8(info->member_path), QLocale().toString(qulonglong(info->written)),
                                       QLocale().toString(qulonglong(size))));
        progress.setValue(size ? static_cast<int>(std::min<uint64_t>(100, info->written * 100 / size)) : 100);
      }
      abort = cancelled = cancelled || progress.wasCanceled();
    };
    const int status = mask == QLatin1String("*.*") ? file.Extract(this, nullptr, destination, AllMembers())
                                                    : file.Extract(this, nullptr, TempRoot, {QStringList{mask}});
    progress.close();
    if (cancelled) return false;
    // Members that were refused or did not check out are gone; say which.
    if (status != 0) {
      const QString said = QString::fromUtf8(file.Output.constData()).trimmed();
      ui::MessageBox(this,
                     QStringLiteral("書庫 %1 を展開できなかったファイルがあります。").arg(ArchivePath) +
                         (said.isEmpty() ? QString() : QStringLiteral("\n\n") + said),
                     QMessageBox::Warning);
    }
    return true;
  } catch (const Exception& e) {
    ui::MessageBox(this, e.Message(), QMessageBox::Critical);
    return false;
  }
}

std::optional<QString> TForm1::MemberFile(const QString& folder, const QString& member) {
  if (std::optional<QString> path = MemberPathIn(folder, member)) return path;
  ui::MessageBox(this,
                 QStringLiteral("書庫の中の名前「%1」は展開先フォルダーの外を指しているため、開きません。").arg(member),
                 QMessageBox::Warning);
  return std::nullopt;
}

void TForm1::BitBtn2Click() {
  const QString member = !ExecMember.isEmpty() ? ExecMember : HtmlMember;
  if (member.isEmpty()) return;
  const QString run = RunFolder();
  if (!MemberFile(run, member)) return;
  QDir().mkdir(run);
  if (!ExtractMembers(QStringLiteral("*.*"), run)) return;  // a stopped run starts nothing
  // Looked at again now that the archive's links are on disk.
  const std::optional<QString> full = MemberFile(run, member);
  if (!full) return;
  if (!ExecMember.isEmpty()) {
    History << *full;
    BitBtn4->setEnabled(true);
    StartProgramFile(this, *full);
    return;
  }
  QDir::setCurrent(QFileInfo(*full).absolutePath());
  TForm2::ShowHtml(this, run, *full);
}

void TForm1::N2Click() {
  if (!ExecMember.isEmpty()) {
    BitBtn2Click();
    return;
  }
  if (SelectedName.isEmpty() || ArchivePath.isEmpty()) return;
  if (!MemberFile(TempRoot, SelectedName)) return;
  if (!ExtractMembers(SelectedName, QString())) return;
  const std::optional<QString> path = MemberFile(TempRoot, SelectedName);
  if (!path || !QFileInfo::exists(*path)) return;  // the extraction has said why
  if (!platform::OpenDocument(*path))
    ui::MessageBox(this, QStringLiteral("%1 を開くプログラムが見つかりません。").arg(*path), QMessageBox::Warning);
}

void TForm1::N3Click() {
  if (!ExecMember.isEmpty() || ArchivePath.isEmpty()) return;
  if (TextMember.isEmpty()) TextMember = SelectedName;
  if (TextMember.isEmpty()) return;
  TForm2::ShowText(this, TextMember);
}

void TForm1::ListView1DblClick() {
  if (!FolderArchive.isEmpty()) {
    ArchivePath = FolderArchive;
    ListArchive();
  }
  if (BitBtn2->isEnabled()) {
    BitBtn2Click();
  } else if (!FolderProgram.isEmpty()) {
    StartProgramFile(this, FolderProgram);
  }
}

void ReportLeftovers(QWidget* parent, const TDeleteReport& report) {
  QStringList shown = report.failed.mid(0, 10);
  if (report.failed.size() > shown.size()) shown << QStringLiteral("ほか %1 件").arg(report.failed.size() - shown.size());
  ui::MessageBox(parent,
                 QStringLiteral("一時解凍フォルダー %1 の一部を削除できませんでした。\n\n").arg(TempRoot) +
                     shown.join(QLatin1Char('\n')),
                 QMessageBox::Warning);
}
