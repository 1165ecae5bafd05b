#pragma once
#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <optional>

#include "app/listview.h"
#include "app/state.h"
#include "Arcive/ARCHIVES.h"

class QAction;
class QActionGroup;
class QMenu;
class QPushButton;
class QSplitter;
class QStandardItem;
class QToolBar;
class TFolderTreeViewEx;
namespace shell {
struct FolderListing;
}

// The main window: folder tree, file or member list, toolbar, menus and the
// four large buttons.
class TForm1 : public QMainWindow {
  Q_OBJECT
 public:
  explicit TForm1(QWidget* parent = nullptr);
  ~TForm1() override;

  // Toolbar (a check button is "down" while it is checked).
  QToolBar* ToolBar1;
  QAction* ToolButton4;  // settings
  QAction* ToolButton3;  // refresh
  QAction* ToolButton6;  // large icons
  QAction* ToolButton7;  // small icons
  QAction* ToolButton8;  // list
  QAction* ToolButton9;  // details
  QAction* ToolButton2;  // automatic text viewing
  QActionGroup* ViewGroup;

  // Menus.
  QMenu* File1;
  QAction* Options1;
  QAction* Sandbox1;  // "サンドボックスで実行", checkable
  QAction* Refresh1;
  QAction* Extract1;
  QAction* Exit1;
  QMenu* View1;
  QAction* LargeIcon1;
  QAction* SmallIcon1;
  QAction* List1;
  QAction* Report1;
  QAction* Text;
  QMenu* Help1;
  QAction* Contents1;
  QAction* About1;
  QMenu* PopupMenu1;
  QAction* N2;  // 実行
  QAction* N3;  // 見る

  QWidget* Client;  // everything below the menu bar
  QSplitter* Panel1;
  TFolderTreeViewEx* FolderTreeViewEx1;
  TListView* ListView1;
  QPushButton* BitBtn2;  // ピポラ！
  QPushButton* BitBtn3;  // 展開
  QPushButton* BitBtn4;  // 履歴
  QPushButton* BitBtn1;  // 終了

  // Selection state of the list.
  QString ArchivePath, SelectedName, ExecMember, TextMember, HtmlMember, FolderArchive, FolderProgram;

  int TreeWidth() const;
  void SetTreeWidth(int width);

  // Folder browsing and archive listing.
  void FolderTreeViewEx1Change(const QString& folderName);
  void FolderTreeViewEx1Click(const QString& folderName);
  // Lists a path given from outside (the command line, a second start) as
  // if the user had clicked it in the tree.
  void OpenPath(const QString& path);
  void ListFolder(const QString& folder);
  void ListArchive();
  // One listing pass; false when the archive component raised (already
  // shown). Every pass runs, so each error is told.
  // One listing pass: the members the mask matches, programs for this system
  // left out; the last pass (nativeAt >= 0) puts those in at that row.
  bool ListMembers(const QByteArray& mask, int nativeAt = -1);
  void ListView1Change();
  void ListView1MouseDown(Qt::MouseButton button, const QPoint& pos);
  // Whether the program file is a self-extracting archive of a present
  // library; one that cannot be read is said, and flagged in unreadable.
  bool IsSelfExtracting(const QString& path, bool* unreadable = nullptr);
  // Running and opening members.
  QString RunFolder() const;
  // Extracts "*.*" into destination, or one member into TempRoot; false when
  // the extraction was cancelled or the archive layer raised (already shown).
  // A module's failure is shown to the user and does not return false.
  bool ExtractMembers(const QString& mask, const QString& destination);
  // The same for a list of members (AllMembers(): every one) into
  // destination; moduleStatus gets the module's answer.
  bool ExtractFiles(const TFileList& files, const QString& destination, int* moduleStatus = nullptr);
  // The checked place of a member below folder; a refused name is said.
  std::optional<QString> MemberFile(const QString& folder, const QString& member);
  void BitBtn2Click();
  void N2Click();
  void N3Click();
  void ListView1DblClick();

  void FormCreate();
  void FormShow();
  void FormResize();
  bool FormCloseQuery();  // true: the window may close
  // Hands the temporary root, the session's wine prefix and the sandbox
  // setting to the platform layer, which starts the programs.
  void ApplyRunEnvironment();
  void BitBtn1Click();
  void ToolButton4Click();
  void Refresh1Click();
  void BitBtn3Click();
  void BitBtn4Click();
  void About1Click();
  void Contents1Click();
  void ToolButton6Click();
  void ToolButton7Click();
  void ToolButton8Click();
  void ToolButton9Click();
  void ToolButton2Click();
  void TextClick();
  void CheckViewMenu();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildActions();
  void BuildMenus();
  void BuildToolBar();
  void BuildClient();
  void SetViewMode(int mode);

  int pendingTreeWidth_ = -1;
  bool settingsFailureTold_ = false;
  void AddEntry(const QString& caption, const QIcon& icon, const QString& size, const QString& date);
  QList<QStandardItem*> MakeEntry(const QString& caption, const QIcon& icon, const QString& size, const QString& date);
  void ClearList();
  // Offers the files made or changed in TempRoot for keeping before it is
  // deleted; false when the user cancels or a copy fails (nothing deleted).
  bool OfferChangedFiles(QWidget* parent, bool atStart);
  // The archives and programs of a folder read (in the background when slow).
  void FillFolderList(const QString& folder, const shell::FolderListing& listing);
  int listTicket_ = 0;  // the newest listing; a folder read that ends after another began is dropped
};
