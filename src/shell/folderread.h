#pragma once
// Reading a folder the way the views show it: one directory read and one
// attribute read per entry, sorted in shell order, safe on any thread; and
// running such reads off the interface thread, so that a big folder or a
// hung mount never stops the window.
#include "shell/idlist.h"

#include <QPointer>
#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class QObject;
class QTreeWidgetItem;

namespace shell {

struct FolderEntry {
  IdList item;          // one-entry list (kFile)
  QString caption;      // the in-folder name
  uint32_t attributes;  // as ShellFolder::GetAttributesOf with the options' mask
  mode_t mode = 0;      // of what the entry resolves to (the link's own when it dangles)
  qint64 size = 0;
  qint64 mtime = 0;     // seconds since the epoch
  bool expandable = false;  // a folder with subfolders, or with files the options show
};

struct FolderReadOptions {
  bool folders = true;
  bool files = false;
  bool hidden = true;
  // Extensions with the dot, upper case; files must match one (none: all).
  QStringList fileMask;
  // Asked for each file the mask lets through (folder path, name): false
  // leaves it out. Called from the reading thread.
  std::function<bool(const QString& folder, const QByteArray& name)> fileFilter;
  // Whether hidden files count when deciding that a folder has files to show.
  bool hiddenFilesInProbe = true;
  bool filesFirst = false;      // sorting: files before folders
  bool probe = true;            // work out `expandable` (reads each subfolder until it knows)
  uint32_t attributeMask = 0xFFFFFFFF;
};

struct FolderListing {
  bool ok = false;  // the folder could be read
  std::vector<FolderEntry> entries;  // in shell order
};

// Whether a file name ends in one of the mask's endings (".lzh" matches
// ARC.LZH, ".tar.gz" matches APP.TAR.GZ); a name that is only the ending does not.
bool MatchesMask(const QByteArray& name, const QStringList& upperMask);

// The disabled row "読み込み中…" that stands for a folder's entries while
// they are read.
QTreeWidgetItem* NewReadingItem();

// Reads a file-system folder. Thread-safe.
FolderListing ReadFolder(const QString& path, const FolderReadOptions& options);

// How long the interface thread waits for a read before it goes on and
// takes the result later (ms).
int SyncReadBudget();
void SetSyncReadBudget(int ms);

// Tests: called on the reading thread before each folder read.
void SetFolderReadHook(std::function<void(const QString& path)> hook);

namespace detail {
void Deliver(QPointer<QObject> receiver, std::function<void()> call);
void StartInBackground(std::function<void()> job);
}  // namespace detail

// Runs work off the interface thread. When it ends within the budget the
// result comes back at once; otherwise nothing comes back and `late` is
// called with the result on the interface thread when it ends (not at all
// when receiver has gone by then).
template <class T>
std::optional<T> RunWithinBudget(QObject* receiver, std::function<T()> work, std::function<void(T)> late) {
  struct State {
    std::mutex lock;
    std::condition_variable done;
    std::optional<T> result;
    bool abandoned = false;  // the interface thread stopped waiting
  };
  auto state = std::make_shared<State>();
  QPointer<QObject> guard(receiver);
  detail::StartInBackground([state, work = std::move(work), late = std::move(late), guard]() mutable {
    T value = work();
    std::unique_lock<std::mutex> hold(state->lock);
    if (!state->abandoned) {
      state->result = std::move(value);
      state->done.notify_all();
      return;
    }
    hold.unlock();
    auto shared = std::make_shared<T>(std::move(value));
    detail::Deliver(guard, [late = std::move(late), shared] { late(std::move(*shared)); });
  });
  std::unique_lock<std::mutex> hold(state->lock);
  if (state->done.wait_for(hold, std::chrono::milliseconds(SyncReadBudget()), [&] { return state->result.has_value(); }))
    return std::move(state->result);
  state->abandoned = true;
  return std::nullopt;
}

}  // namespace shell
