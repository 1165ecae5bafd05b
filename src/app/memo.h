#pragma once
#include <QMainWindow>
#include <QTextBrowser>

class QAction;
class QPushButton;
class QStackedWidget;
class QTextEdit;
class QToolBar;
class QWidget;
class TForm1;

// The browser pane: pages are read from the extracted files, in the charset
// their meta tag names (or the detector finds), with relative links and
// pictures resolved beside them. Nothing outside TempRoot is read: a page
// from an archive must not show the user's own files.
class TWebBrowser : public QTextBrowser {
  Q_OBJECT
 public:
  using QTextBrowser::QTextBrowser;
  QVariant loadResource(int type, const QUrl& name) override;
};

// The viewer window: text members in a read-only text box, HTML members in
// the browser pane. At most one exists (ViewerForm). An ordinary top-level
// window, so the desktop and screen readers see it as one, with its caption.
class TForm2 : public QMainWindow {
  Q_OBJECT
 public:
  explicit TForm2(QWidget* parent = nullptr);

  QToolBar* ToolBar1;
  QAction* ToolButton1;  // 起動ページに戻る
  QAction* ToolButton2;  // 戻る
  QAction* ToolButton3;  // 進む
  QAction* ToolButton4;  // 読み込み中止
  QAction* ToolButton5;  // 読み直し
  QTextEdit* RichEdit1;
  TWebBrowser* WebBrowser1;
  QWidget* Panel1;
  QPushButton* BitBtn1;  // 閉じる(&C)
  QString StartUrl;

  // The viewer to show in: the open one, cleared, or a new one placed as
  // the settings say.
  static TForm2* Obtain();
  // Extracts one member into TempRoot, shows it as text, deletes the file.
  static void ShowText(TForm1* main, const QString& member);
  // Shows a page (its checked path in the run folder) in the browser pane.
  static void ShowHtml(TForm1* main, const QString& runFolder, const QString& page);

  void ToolButton1Click();
  void ToolButton2Click();
  void ToolButton3Click();
  void ToolButton4Click();
  void ToolButton5Click();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QStackedWidget* stack_;
};
