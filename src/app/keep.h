#pragma once
// What the extractions into TempRoot put down, and what programs or the
// user made or changed there since: offered for keeping before TempRoot is
// deleted.
#include <QDateTime>
#include <QDialog>
#include <QHash>
#include <QList>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace keep {

struct FileState {
  qint64 size = 0;
  qint64 mtimeNs = 0;
  qint64 ctimeNs = 0;  // no program can set it: a rewrite that keeps size and time still moves it
  quint64 inode = 0;
  bool operator==(const FileState&) const = default;
};

// Regular files below TempRoot/folder, keyed by their path relative to
// tempRoot; the wine prefix and our own record never count.
using Snapshot = QHash<QString, FileState>;
Snapshot Take(const QString& tempRoot, const QString& folder = QString());

// Records what an extraction into folder wrote: files new or rewritten
// since `before`, with size, times and (up to 4 MB) a content hash.
void RecordExtraction(const QString& tempRoot, const Snapshot& before, const QString& folder);

struct Changed {
  QString path;  // relative to TempRoot
  FileState state;
  QDateTime Modified() const { return QDateTime::fromMSecsSinceEpoch(state.mtimeNs / 1000000); }
};
// Files made after their extraction or changed since; everything when the
// records are missing (a folder left by a session that kept none).
QList<Changed> ChangedFiles(const QString& tempRoot);

// The folder below TempRoot every changed file lies in (a run folder), or
// empty when they come from several or lie at the top.
QString CommonFolder(const QList<Changed>& changes);

// Copies the files into destination keeping their paths below common (see
// CommonFolder), never over another file: a taken name gets the next free
// one. The copies are recorded, so a close asked again does not offer them
// twice. False with the Japanese reason at the first failure.
bool Save(const QString& tempRoot, const QList<Changed>& files, const QString& common, const QString& destination,
          QString* why);

// The record's file name in TempRoot (a dot inside: no run folder has one).
extern const char kRecordName[];

}  // namespace keep

// "変更されたファイルの保存": the files a close (or the start-up clean-up)
// would delete, each with a check box, where to put them, and three answers.
class TKeepForm : public QDialog {
  Q_OBJECT
 public:
  enum Answer { kSave = 10, kDiscard = 11 };  // rejected: cancel
  TKeepForm(QWidget* parent, const QList<keep::Changed>& changes, const QString& destination, bool atStart);

  QLabel* Label1;
  QTreeWidget* ListView1;  // the files, checked
  QLineEdit* Edit1;        // the destination folder
  QPushButton* SpeedButton1;  // 参照...
  QPushButton* BitBtn1;    // 保存して終了
  QPushButton* BitBtn2;    // 保存せずに終了
  QPushButton* BitBtn3;    // キャンセル

  QList<keep::Changed> Checked() const;

 private:
  QList<keep::Changed> changes_;
};
