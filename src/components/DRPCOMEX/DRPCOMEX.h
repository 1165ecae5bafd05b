#pragma once
// The shell's context menu and drag for one or several items of one folder,
// as the folder and file views link them.
#include "components/ShView/ShView.h"
#include "shell/contextmenu.h"

#include <QObject>
#include <QStringList>

class TContextMenuEx : public QObject, public IShellContextMenu {
  Q_OBJECT
 public:
  static constexpr int kMaxItems = 1024;
  static constexpr int kFirstSendTo = 1525;

  explicit TContextMenuEx(QObject* owner = nullptr) : QObject(owner) {}

  const QStringList& CMFileName() const { return cmFileName_; }
  void SetCMFileName(const QStringList* names) {
    if (names) cmFileName_ = *names;
  }

  // Shows the menu of count items (one-entry lists joined) of folder at a
  // screen point and runs the choice; true when a Send To entry was chosen
  // and its copy succeeded.
  bool ShowMenu(QWidget* owner, const std::shared_ptr<shell::ShellFolder>& folder, const QPoint& point, int count,
                const shell::IdList& items);
  void ShowMenu(QWidget* owner, const std::shared_ptr<shell::ShellFolder>& folder, const QPoint& screen,
                const std::vector<shell::IdList>& items) override;

  // The standard commands: create shortcut, delete, properties, copy, paste.
  enum { scCreateShortcut, scDelete, scProperties, scCopy, scPaste };
  static bool InvokeStandardCommand(QWidget* owner, const std::shared_ptr<shell::ShellFolder>& folder,
                                    const shell::IdList& item, int index, const QPoint& point);

  // Tests look at the menu while it is open.
  static QMenu* OpenMenu();

 private:
  bool FillSendToMenu(QMenu* menu);
  bool PasteToSendTo(QWidget* owner, int index);

  QStringList cmFileName_;
};

namespace DRPCOMEX {
// The source of a drag of several items; it refreshes nothing afterwards.
class TDropSourceObject {
 public:
  Qt::DropAction DoDragDrop(QWidget* owner, QMimeData* data, Qt::DropActions allowed);
};
}  // namespace DRPCOMEX

class TDropSourceEx : public QObject, public IShellDragSource {
  Q_OBJECT
 public:
  explicit TDropSourceEx(QObject* owner = nullptr) : QObject(owner) {}

  const QStringList& DSFileName() const { return dsFileName_; }
  void SetDSFileName(const QStringList* names) {
    if (names) dsFileName_ = *names;
  }

  // Drags count items (one-entry lists joined) of folder as text/uri-list,
  // copy, move and link allowed; false when nothing could be dragged.
  bool StartDrag(QWidget* owner, const std::shared_ptr<shell::ShellFolder>& folder, int count,
                 const shell::IdList& items);
  void StartDrag(QWidget* owner, const std::shared_ptr<shell::ShellFolder>& folder,
                 const std::vector<shell::IdList>& items) override;

 private:
  QStringList dsFileName_;
};
