#include "app/main.h"
#include "app/kinds.h"
#include "Arcive/ArchiveKinds.h"

#include "app/IniFile.h"
#include "app/about.h"
#include "app/error.h"
#include "app/filelist.h"
#include "app/memo.h"
#include "app/func.h"
#include "app/keep.h"
#include "app/glyphs.h"
#include "ui/prompt.h"
#include "app/kankyo.h"
#include "app/splash.h"
#include "app/tenkai.h"
#include "app/version.h"
#include "Arcive/ArchiveFile.h"
#include "components/FTVEX/FTVEX.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/process.h"
#include "platform/sandbox.h"
#include "shell/shellfolder.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QLineEdit>
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

#include <algorithm>
#include <iterator>
#include <vector>

namespace {

constexpr int kToolBarHeight = 24;
constexpr int kButtonWidth = 96;
constexpr int kButtonHeight = 36;

bool LibraryPresent(const char* dllName) {
  const QString file = platform::LibraryFileName(QLatin1String(dllName));
  return QFile::exists(GetWindowsFolder() + QLatin1Char('/') + file) ||
         QFile::exists(GetSystemFolder() + QLatin1Char('/') + file);
}

}  // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QString::fromUtf8(kAppTitle));
  ui::SetTitle(QString::fromUtf8(kAppTitle));
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
  Sandbox1 = new QAction(QStringLiteral("サンドボックスで実行"), this);
  Sandbox1->setObjectName(QStringLiteral("Sandbox1"));
  Sandbox1->setCheckable(true);
  Sandbox1->setChecked(true);
  connect(Sandbox1, &QAction::toggled, this, [this](bool on) {
    Settings.Sandbox = on;
    ApplyRunEnvironment();
  });
  Refresh1 = action(QStringLiteral("最新の情報に更新"), glyphs::kRefresh, &TForm1::Refresh1Click);
  Refresh1->setShortcut(Qt::Key_F5);
  Exit1 = action(QStringLiteral("終了(&X)"), -1, &TForm1::BitBtn1Click);
  // The extract button's twin, enabled with it.
  Extract1 = action(QStringLiteral("展開(&E)..."), -1, &TForm1::BitBtn3Click);
  Extract1->setEnabled(false);
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
  File1->addAction(Sandbox1);
  File1->addAction(Refresh1);
  File1->addAction(Extract1);
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
  // A split archive shows by its first part.
  FolderTreeViewEx1->SetFileFilter([](const QString& folder, const QByteArray& name) {
    return !IsLaterVolume(folder + QLatin1Char('/') + QString::fromUtf8(name));
  });
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
    // A focused button takes Enter itself; Enter elsewhere is the default button's.
    b->setAutoDefault(true);
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
  BitBtn3->installEventFilter(this);
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
  if (freshRoot) TempRoot = PrivateTempRoot();

  auto* splash = new TfSplash;
  splash->Version->setText(QString::fromUtf8(kVersionText));
  splash->show();
  splash->repaint();
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  // The splash stays on top of everything: a question at start must not
  // come up beneath it, so it goes for good before the first one.
  const auto asking = [splash]() -> QWidget* {
    splash->hide();
    return nullptr;
  };

  History.clear();
  HasLhaDll = HasZipDll = HasCabDll = false;

  LoadSettings(*this);

  HasLhaDll = LibraryPresent("unlha32.dll");
  HasZipDll = LibraryPresent("unzip32.dll");
  HasCabDll = LibraryPresent("cab32.dll");
  NoteArchiveModules(LibraryPresent);
  // The tree shows the kinds whose module is here.
  FolderTreeViewEx1->SetFileMask(ShownEndings());

  if (!(HasLhaDll && HasZipDll && HasCabDll) && !Settings.ErrorDialog) {
    TErrDlg dlg(asking());
    ui::ExecModal(dlg);
  }

  if (!freshRoot && QFileInfo(TempRoot).isDir() && !QFileInfo(TempRoot).isSymLink() &&
      ui::MessageBox(asking(), QStringLiteral("一時解凍フォルダーの中身をすべて削除します。"),
                     QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes &&
      OfferChangedFiles(asking(), true)) {
    TDeleteReport report;
    if (!DeleteFolderTree(TempRoot, &report) && !report.failed.isEmpty()) ReportLeftovers(asking(), report);
  }

  ExtensionTable[0] = QStringLiteral(".txt");
  ExtensionTable[1] = QStringLiteral(".rtf");
  ExtensionTable[5] = QStringLiteral(".com");
  ExtensionTable[6] = QStringLiteral(".exe");
  ExtensionTable[7] = QStringLiteral(".html");
  ExtensionTable[8] = QStringLiteral(".htm");

  // Other users must not read or plant files where our programs run.
  if (!freshRoot) {
    if (const QString why = platform::MakePrivateFolder(TempRoot); !why.isEmpty()) {
      const QString instead = PrivateTempRoot();
      ui::MessageBox(asking(),
                     QStringLiteral("一時解凍フォルダー %1 は安全に使えません (%2)。\n代わりに %3 を使います。")
                         .arg(TempRoot, why, instead),
                     QMessageBox::Warning);
      TempRoot = instead;
    }
  }
  // Without any private folder nothing is extracted (every path below an
  // empty root is refused), and the user knows why.
  if (TempRoot.isEmpty())
    ui::MessageBox(asking(), QStringLiteral("一時解凍フォルダーを作成できませんでした。書庫の中のファイルを開くことはできません。"),
                   QMessageBox::Critical);

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
  Sandbox1->setChecked(Settings.Sandbox);
  ApplyRunEnvironment();

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
  if (watched == BitBtn3 && event->type() == QEvent::EnabledChange) Extract1->setEnabled(BitBtn3->isEnabled());

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
  BitBtn1->move(cw - kButtonWidth - 6, top);  // the designed right margin, the whole button inside
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

void TForm1::ToolButton4Click() {
  const std::vector<QString> before(std::begin(ExtensionTable), std::end(ExtensionTable));
  TDirDlg dialog(this);
  ui::ExecModal(dialog);
  // New text extensions count at once: the archive shown is sorted again,
  // with the member the user had picked still picked. Nothing changed,
  // nothing is listed again.
  if (ArchivePath.isEmpty() || std::equal(before.begin(), before.end(), std::begin(ExtensionTable))) return;
  const int row = ListView1->SelectedRow();
  const QString picked = row >= 0 ? ListView1->Items()->item(row, 0)->text() : QString();
  ListArchive();
  if (picked.isEmpty()) return;
  for (int r = 0; r < ListView1->Items()->rowCount(); ++r) {
    if (ListView1->Items()->item(r, 0)->text() != picked) continue;
    const QModelIndex at = ListView1->Items()->index(r, 0);
    SelectedName.clear();  // so the selection counts as a new pick
    ListView1->Selection()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    ListView1->CurrentView()->scrollTo(at);
    break;
  }
}

void TForm1::Refresh1Click() { FolderTreeViewEx1->RefreshTree(); }

void TForm1::BitBtn3Click() {
  Tdevelop dialog(this);
  ui::ExecModal(dialog);
}

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
  // What programs or the user made there is asked about before anything
  // is deleted; a cancel keeps it all and the window.
  if (!OfferChangedFiles(this, false)) canClose = false;
  // Wine's server stays a few seconds after its last program; it holds
  // nothing worth asking about.
  // (Only a session that ran a Windows program has a prefix to look at.)
  const QString prefix = QFileInfo::exists(platform::CurrentRunEnvironment().winePrefix)
                             ? platform::CurrentRunEnvironment().winePrefix
                             : QString();
  if (!platform::WineProcessesRunning(prefix, true)) platform::KillWineProcesses(prefix);
  TDeleteReport report;
  if (canClose) DeleteFolderTree(TempRoot, &report);
  // Only a program still using its files is worth keeping the window for;
  // anything else that stays is said and left.
  if (!canClose) {
  } else if (QFileInfo::exists(TempRoot) && report.inUse.isEmpty()) {
    ReportLeftovers(this, report);
  } else if (QFileInfo::exists(TempRoot)) {
    const QString text = QStringLiteral("まだ一時解凍のアプリケーションが動作しています。") +
                         QLatin1Char('\n') + QStringLiteral("強制終了しますか？") +
                         QStringLiteral("\n\n") +
                         QStringLiteral("強制終了した場合、解凍動作中のアプリケーションが正常に動作しなくなる可能性があります。");
    canClose = ui::MessageBox(this, text, QMessageBox::Critical, QMessageBox::Yes | QMessageBox::No) ==
               QMessageBox::Yes;
    // The Windows programs of this session can be ended for real, and
    // what they held then goes too.
    if (canClose && platform::WineProcessesRunning(prefix, false)) {
      platform::KillWineProcesses(prefix);
      TDeleteReport again;
      DeleteFolderTree(TempRoot, &again);
    }
  }
  if (ViewerForm) {
    try {
      delete ViewerForm.data();
    } catch (...) {
      ui::MessageBox(this, QStringLiteral("簡易ビューワの開放ミス"), QMessageBox::Critical);
    }
    ViewerForm = nullptr;
  }
  // Told once: a close refused and tried again would only repeat it.
  if (!SaveSettings(*this) && !settingsFailureTold_) {
    settingsFailureTold_ = true;
    ui::MessageBox(this,
                   QStringLiteral("設定ファイル %1 を保存できませんでした。今回の設定は次回に引き継がれません。")
                       .arg(platform::SettingsFilePath()),
                   QMessageBox::Warning);
  }
  return canClose;
}

bool TForm1::OfferChangedFiles(QWidget* parent, bool atStart) {
  const QList<keep::Changed> changes = keep::ChangedFiles(TempRoot);
  if (changes.isEmpty()) return true;
  const QString common = keep::CommonFolder(changes);
  QString destination = QDir::homePath() + QStringLiteral("/ピポラ！");
  if (!common.isEmpty()) destination += QLatin1Char('/') + common;
  TKeepForm form(parent, changes, destination, atStart);
  const int answer = ui::ExecModal(form);
  if (answer == TKeepForm::kDiscard) return true;
  if (answer != TKeepForm::kSave) return false;
  QString why;
  const QString target = form.Edit1->text().trimmed();
  if (target.isEmpty() || !QDir::isAbsolutePath(target)) {
    ui::MessageBox(parent, QStringLiteral("保存先のフォルダーを絶対パスで指定してください。"), QMessageBox::Warning);
    return false;
  }
  if (!keep::Save(TempRoot, form.Checked(), common, target, &why)) {
    ui::MessageBox(parent, why + QStringLiteral("\n\n一時解凍フォルダーはそのまま残しています。"), QMessageBox::Warning);
    return false;
  }
  return true;
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (FormCloseQuery()) event->accept();
  else event->ignore();
}

void TForm1::keyPressEvent(QKeyEvent* event) {
  // Enter that no control took is the default button's.
  // The keypad's Enter is the same key.
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && BitBtn1->isEnabled()) {
    BitBtn1->animateClick();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

