#include "app/memo.h"

#include "app/IniFile.h"
#include "app/extraction.h"
#include "app/func.h"
#include "app/glyphs.h"
#include "app/main.h"
#include "ui/prompt.h"
#include "ui/windowsize.h"
#include "app/rtf.h"
#include "app/textcodec.h"
#include "platform/files.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QTextEdit>
#include <QToolBar>
#include <QHBoxLayout>
#include <QVBoxLayout>

QVariant TWebBrowser::loadResource(int type, const QUrl& name) {
  // Only files below TempRoot, whatever links lead there.
  if (name.isLocalFile() || name.isRelative() || name.scheme() == QLatin1String("file")) {
    const QString real = QFileInfo(name.toLocalFile()).canonicalFilePath();
    const QString root = AddTrailingBackslash(QFileInfo(TempRoot).canonicalFilePath());
    if (real.isEmpty() || root == QLatin1String("/") || !real.startsWith(root)) return QVariant();
  }
  if (type != QTextDocument::HtmlResource || !name.isLocalFile()) return QTextBrowser::loadResource(type, name);
  QByteArray page;
  if (!platform::ReadRegularFile(name.toLocalFile(), &page)) return QVariant();
  QByteArray charset = HtmlMetaCharset(page).toUpper();
  if (charset == "SHIFT_JIS" || charset == "X-SJIS" || charset == "SJIS" || charset == "WINDOWS-31J") charset = "CP932";
  QString text = charset.isEmpty() ? QString() : DecodeAs(page, charset.constData());
  if (text.isEmpty()) text = DecodeText(page);
  return text;
}

TForm2::TForm2(QWidget* parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("Form2"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("テキスト　ビュワー"));
  resize(394, 428);

  ToolBar1 = new QToolBar(this);
  ToolBar1->setFixedHeight(29);
  ToolBar1->setAccessibleName(QStringLiteral("ブラウザーのツールバー"));
  auto button = [this](const char* theme, QStyle::StandardPixmap fallback, const QString& hint,
                       void (TForm2::*handler)()) {
    // Qt's own home glyph is a folder: a theme without a home icon gets ours.
    const QIcon spare = fallback == QStyle::SP_DirHomeIcon ? glyphs::DrawnGlyph(glyphs::kHome) : style()->standardIcon(fallback);
    auto* a = ToolBar1->addAction(QIcon::fromTheme(QLatin1String(theme), spare), hint);
    a->setToolTip(hint);
    connect(a, &QAction::triggered, this, handler);
    if (QWidget* w = ToolBar1->widgetForAction(a)) w->setAccessibleName(hint);
    return a;
  };
  ToolButton1 = button("go-home", QStyle::SP_DirHomeIcon, QStringLiteral("起動ページに戻る"), &TForm2::ToolButton1Click);
  ToolBar1->addSeparator();
  ToolButton2 = button("go-previous", QStyle::SP_ArrowBack, QStringLiteral("戻る"), &TForm2::ToolButton2Click);
  ToolButton3 = button("go-next", QStyle::SP_ArrowForward, QStringLiteral("進む"), &TForm2::ToolButton3Click);
  ToolBar1->addSeparator();
  ToolButton4 = button("process-stop", QStyle::SP_BrowserStop, QStringLiteral("読み込み中止"), &TForm2::ToolButton4Click);
  ToolButton5 = button("view-refresh", QStyle::SP_BrowserReload, QStringLiteral("読み直し"), &TForm2::ToolButton5Click);

  RichEdit1 = new QTextEdit(this);
  RichEdit1->setReadOnly(true);
  RichEdit1->setLineWrapMode(QTextEdit::NoWrap);
  RichEdit1->document()->setDocumentMargin(5);
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  if (QFontDatabase::families().contains(QStringLiteral("IPAGothic"))) fixed.setFamily(QStringLiteral("IPAGothic"));
  fixed.setPixelSize(12);
  RichEdit1->setFont(fixed);
  RichEdit1->setAccessibleName(QStringLiteral("テキスト"));
  WebBrowser1 = new TWebBrowser(this);
  // Pages of the archive open here; addresses on the web in the desktop's browser.
  WebBrowser1->setOpenLinks(false);
  connect(WebBrowser1, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
    const QUrl target = WebBrowser1->source().resolved(link);
    if (target.isLocalFile() || target.scheme().isEmpty()) WebBrowser1->setSource(target);
    else if (!OpenUrl(target.toString()))
      ui::MessageBox(this, QStringLiteral("%1 を開くプログラムが見つかりません。").arg(target.toString()), QMessageBox::Warning);
  });
  WebBrowser1->setAccessibleName(QStringLiteral("ページ"));
  stack_ = new QStackedWidget(this);
  stack_->addWidget(RichEdit1);
  stack_->addWidget(WebBrowser1);

  Panel1 = new QWidget(this);
  Panel1->setFixedHeight(32);
  BitBtn1 = new QPushButton(QStringLiteral("閉じる(&C)"), Panel1);
  BitBtn1->setFixedSize(89, 25);
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, &QWidget::close);
  // Centred by a layout: it has the panel's width from the first showing on.
  auto* buttonRow = new QHBoxLayout(Panel1);
  buttonRow->setContentsMargins(0, 0, 0, 0);
  buttonRow->addWidget(BitBtn1, 0, Qt::AlignCenter);

  auto* client = new QWidget(this);
  setCentralWidget(client);
  auto* layout = new QVBoxLayout(client);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(ToolBar1);
  layout->addWidget(stack_, 1);
  layout->addWidget(Panel1);
}

TForm2* TForm2::Obtain() {
  if (auto* open = qobject_cast<TForm2*>(ViewerForm.data())) {
    open->RichEdit1->clear();
    open->WebBrowser1->setSource(QUrl());
    return open;
  }
  auto* form = new TForm2;
  ui::ResizeOuter(form, QSize(Settings.MemoWidth, Settings.MemoHeight));
  form->move(Settings.MemoLeft, Settings.MemoTop);
  ViewerForm = form;
  return form;
}

void TForm2::ShowText(TForm1* main, const QString& member) {
  if (!main->MemberFile(TempRoot, member)) return;
  TForm2* form = Obtain();
  ExtractArchive(main, main->ArchivePath, {QStringList{member}}, TempRoot);
  // Looked at again: the extraction may have put a link in its place.
  const std::optional<QString> path = main->MemberFile(TempRoot, member);
  if (!path) return;
  form->setWindowTitle(QStringLiteral("テキスト　ビューア 【") + *path + QStringLiteral("】"));
  form->stack_->setCurrentWidget(form->RichEdit1);
  QByteArray bytes;
  if (!platform::ReadRegularFile(*path, &bytes)) {
    // A member the module refused has been reported already.
    if (QFileInfo::exists(*path) || QFileInfo(*path).isSymLink())
      ui::MessageBox(main, QStringLiteral("%1 を読み込めません。").arg(*path), QMessageBox::Critical);
    return;
  }
  if (path->endsWith(QLatin1String(".rtf"), Qt::CaseInsensitive)) ReadRtf(bytes, *form->RichEdit1->document());
  else form->RichEdit1->setPlainText(DecodeText(bytes));
  form->ToolBar1->hide();
  form->show();
  QFile::remove(*path);
  form->raise();
  form->activateWindow();
}

void TForm2::ShowHtml(TForm1*, const QString&, const QString& page) {
  TForm2* form = Obtain();
  form->setWindowTitle(QStringLiteral("Html　ビューア 【") + page + QStringLiteral("】"));
  form->ToolBar1->show();
  form->StartUrl = page;
  form->stack_->setCurrentWidget(form->WebBrowser1);
  form->WebBrowser1->setSource(QUrl::fromLocalFile(form->StartUrl));
  form->show();
  form->raise();
  form->activateWindow();
}

// Browser errors (nothing to go back to, say) are of no interest to the user.
void TForm2::ToolButton1Click() { WebBrowser1->setSource(QUrl::fromLocalFile(StartUrl)); }
void TForm2::ToolButton2Click() { WebBrowser1->backward(); }
void TForm2::ToolButton3Click() { WebBrowser1->forward(); }
void TForm2::ToolButton4Click() {}  // pages are read at once; there is no load to stop
void TForm2::ToolButton5Click() { WebBrowser1->reload(); }

void TForm2::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    close();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

void TForm2::closeEvent(QCloseEvent* event) {
  Settings.MemoHeight = ui::OuterSize(this).height();
  Settings.MemoWidth = ui::OuterSize(this).width();
  Settings.MemoLeft = pos().x();
  Settings.MemoTop = pos().y();
  ViewerForm = nullptr;
  event->accept();
}
