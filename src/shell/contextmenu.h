#pragma once
// An item's context menu: the one place that knows what the shell's
// commands are and what they do. Views only fill a menu through it, show
// it, and invoke what was chosen (or a command by its number).
#include "shell/shellfolder.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class QMenu;

namespace shell {

// Verbs: a command's number, counted from the first command given to
// QueryContextMenu, is that first command plus its verb.
enum Verb : int {
  kVerbOpen = 0,
  kVerbCreateShortcut = 16,
  kVerbDelete = 17,
  kVerbRename = 18,
  kVerbProperties = 19,
  kVerbCut = 24,
  kVerbCopy = 25,
  kVerbPaste = 26,
  kVerbSendTo = 0x100,  // + the entry's index in the Send To folder
};
constexpr int kMaxSendToEntries = 100;

// How an invoked command ended.
enum class Outcome {
  kDone,       // carried out
  kCancelled,  // the user said no: nothing happened
  kFailed,     // not carried out; nothing told the user yet
  kTold,       // not (wholly) carried out; the user has been told why in Japanese
};

class ContextMenu {
 public:
  // items: one-entry lists of entries of folder. owner: the window that
  // owns questions and dialogs.
  ContextMenu(QWidget* owner, std::shared_ptr<ShellFolder> folder, std::vector<IdList> items);

  // Adds the entries to menu, numbered from first; false when there are no items.
  bool QueryContextMenu(QMenu* menu, int first);
  // Runs a command by its verb, as choosing its entry would.
  Outcome InvokeCommand(int verb);

  // The Send To folder's entries in menu order: (caption, path).
  static std::vector<std::pair<QString, QString>> SendToEntries();

 private:
  QStringList Paths() const;
  uint32_t CommonAttributes(uint32_t mask) const;
  bool CanPaste() const;
  void FillSendTo(QMenu* submenu, int first);
  Outcome Open();
  Outcome CreateShortcut();
  Outcome Delete();
  Outcome Properties();
  Outcome PutOnClipboard(bool cut);
  Outcome Paste();
  Outcome SendTo(int index);
  Outcome Report(const QStringList& failures);

  QPointer<QWidget> owner_;
  std::shared_ptr<ShellFolder> folder_;
  std::vector<IdList> items_;
};

// Runs the command numbered `number` (the menu numbered from 1) of one
// item's menu without showing it. None when the item lacks `needed`, or
// for a paste when its menu has no enabled paste entry.
std::optional<Outcome> InvokeItemCommand(QWidget* owner, const std::shared_ptr<ShellFolder>& folder,
                                         const IdList& item, int number, uint32_t needed);
// What the standard commands ask of an item.
constexpr uint32_t kStandardAttributes = 0x800F0177;

// The 1-based position of the first enabled, non-separator entry of menu
// whose caption, in its Shift-JIS (CP932) form, holds needle first at the
// 1-based byte position given; -1 when there is none.
int FindMenuItemByText(const QMenu* menu, const QString& needle, int position);

// Whether a file is a desktop entry that starts a program.
bool IsProgramEntry(const QString& path);
// Starts a desktop entry's program with the files, as its Exec line says.
bool StartProgramEntry(const QString& path, const QStringList& files);

}  // namespace shell
