#include "app/keep.h"

#include "app/choice.h"
#include "app/version.h"
#include "components/FTVEX/FTVEX.h"
#include "shell/fileops.h"
#include "ui/prompt.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSaveFile>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

namespace keep {

const char kRecordName[] = "zot.extracted";

namespace {

constexpr qint64 kHashLimit = qint64{4} << 20;

qint64 Ns(const timespec& t) { return qint64{t.tv_sec} * 1000000000 + t.tv_nsec; }

void Walk(const QByteArray& root, const QByteArray& rel, Snapshot& out) {
  DIR* d = ::opendir((root + rel).constData());
  if (!d) return;
  while (dirent* e = ::readdir(d)) {
    if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, "..")) continue;
    const QByteArray r = rel + e->d_name;
    // The session's wine prefix and our own record are no one's work.
    if (rel.isEmpty() && (r == "wine.prefix" || r == kRecordName)) continue;
    struct stat st {};
    if (::lstat((root + r).constData(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) Walk(root, r + '/', out);
    else if (S_ISREG(st.st_mode))
      out.insert(QFile::decodeName(r), {st.st_size, Ns(st.st_mtim), Ns(st.st_ctim), st.st_ino});
  }
  ::closedir(d);
}

QByteArray Hash(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return QByteArray();
  QCryptographicHash h(QCryptographicHash::Sha1);
  h.addData(&f);
  return h.result().toHex();
}

struct Record {
  FileState state;
  QByteArray hash;  // empty above the limit
};
using Records = QHash<QString, Record>;

QString RecordPath(const QString& tempRoot) { return tempRoot + QLatin1String(kRecordName); }

// One line a file: size, modified and changed times (ns), hash, then the
// path percent-encoded (a name may hold a line end).
bool Load(const QString& tempRoot, Records* out) {
  QFile f(RecordPath(tempRoot));
  if (!f.open(QIODevice::ReadOnly)) return false;
  for (const QByteArray& line : f.readAll().split('\n')) {
    const QList<QByteArray> parts = line.split('\t');
    if (parts.size() != 5) continue;
    Record r;
    r.state.size = parts[0].toLongLong();
    r.state.mtimeNs = parts[1].toLongLong();
    r.state.ctimeNs = parts[2].toLongLong();
    r.hash = parts[3];
    out->insert(QFile::decodeName(QByteArray::fromPercentEncoding(parts[4])), r);
  }
  return true;
}

void Store(const QString& tempRoot, const Records& records) {
  QSaveFile f(RecordPath(tempRoot));
  if (!f.open(QIODevice::WriteOnly)) return;
  for (auto it = records.begin(); it != records.end(); ++it) {
    const FileState& s = it->state;
    f.write(QByteArray::number(s.size) + '\t' + QByteArray::number(s.mtimeNs) + '\t' + QByteArray::number(s.ctimeNs) +
            '\t' + it->hash + '\t' + QFile::encodeName(it.key()).toPercentEncoding("/") + '\n');
  }
  f.commit();
}

Record Recorded(const QString& tempRoot, const QString& rel, const FileState& state) {
  return {state, state.size <= kHashLimit ? Hash(tempRoot + rel) : QByteArray()};
}

}  // namespace

Snapshot Take(const QString& tempRoot, const QString& folder) {
  Snapshot out;
  if (tempRoot.isEmpty()) return out;
  QString rel = folder.startsWith(tempRoot) ? folder.mid(tempRoot.size()) : QString();
  if (!rel.isEmpty() && !rel.endsWith(QLatin1Char('/'))) rel += QLatin1Char('/');
  Walk(QFile::encodeName(tempRoot), QFile::encodeName(rel), out);
  return out;
}

void RecordExtraction(const QString& tempRoot, const Snapshot& before, const QString& folder) {
  if (tempRoot.isEmpty() || !QFileInfo(tempRoot).isDir()) return;
  Records records;
  Load(tempRoot, &records);
  const Snapshot after = Take(tempRoot, folder);
  for (auto it = after.begin(); it != after.end(); ++it) {
    const auto was = before.find(it.key());
    if (was == before.end() || *was != *it) records.insert(it.key(), Recorded(tempRoot, it.key(), *it));
  }
  Store(tempRoot, records);
}

QList<Changed> ChangedFiles(const QString& tempRoot) {
  QList<Changed> out;
  if (tempRoot.isEmpty()) return out;
  Records records;
  const bool recorded = Load(tempRoot, &records);
  const Snapshot now = Take(tempRoot);
  for (auto it = now.begin(); it != now.end(); ++it) {
    bool changed = true;
    if (const auto r = records.find(it.key()); recorded && r != records.end()) {
      const FileState& was = r->state;
      if (was.size == it->size && was.mtimeNs == it->mtimeNs)
        changed = was.ctimeNs != it->ctimeNs && !r->hash.isEmpty() && Hash(tempRoot + it.key()) != r->hash;
    }
    if (changed) out.append({it.key(), *it});
  }
  std::sort(out.begin(), out.end(), [](const Changed& a, const Changed& b) { return a.path < b.path; });
  return out;
}

QString CommonFolder(const QList<Changed>& changes) {
  QString common;
  for (const Changed& c : changes) {
    const qsizetype slash = c.path.indexOf(QLatin1Char('/'));
    if (slash < 0) return QString();
    const QString top = c.path.left(slash);
    if (!common.isEmpty() && top != common) return QString();
    common = top;
  }
  return common;
}

bool Save(const QString& tempRoot, const QList<Changed>& files, const QString& common, const QString& destination,
          QString* why) {
  Records records;
  Load(tempRoot, &records);
  for (const Changed& f : files) {
    const QString sub = common.isEmpty() ? f.path : f.path.mid(common.size() + 1);
    const QString folder = QDir::cleanPath(destination + QLatin1Char('/') + QFileInfo(sub).path());
    if (!QDir().mkpath(folder)) {
      *why = QStringLiteral("「%1」を保存できませんでした。\nフォルダー %2 を作成できません。").arg(f.path, folder);
      return false;
    }
    QString made, reason;
    if (!shell::CopyInto(tempRoot + f.path, folder, &made, &reason)) {
      *why = QStringLiteral("「%1」を保存できませんでした。\n%2").arg(f.path, reason);
      return false;
    }
    // Kept now: a close asked again does not offer it twice.
    records.insert(f.path, Recorded(tempRoot, f.path, f.state));
  }
  Store(tempRoot, records);
  return true;
}

}  // namespace keep

TKeepForm::TKeepForm(QWidget* parent, const QList<keep::Changed>& changes, const QString& destination, bool atStart)
    : QDialog(parent), changes_(changes) {
  setObjectName(QStringLiteral("KeepForm"));
  setWindowTitle(QStringLiteral("変更されたファイルの保存"));
  Label1 = new QLabel(
      atStart ? QStringLiteral("前回の一時解凍フォルダーに、展開したあとで作られたか変更されたファイルがあります。\n"
                               "削除する前に、残すファイルを選んで保存できます。")
              : QStringLiteral("一時解凍フォルダーに、展開したあとで作られたか変更されたファイルがあります。\n"
                               "終了すると削除されます。残すファイルを選んで保存できます。"),
      this);
  Label1->setWordWrap(true);
  ListView1 = new QTreeWidget(this);
  ListView1->setAccessibleName(QStringLiteral("変更されたファイル"));
  ListView1->setRootIsDecorated(false);
  ListView1->setHeaderLabels({QStringLiteral("ファイル"), QStringLiteral("実行フォルダー"), QStringLiteral("サイズ"),
                              QStringLiteral("更新日時")});
  for (const keep::Changed& c : changes) {
    const qsizetype slash = c.path.indexOf(QLatin1Char('/'));
    auto* item = new QTreeWidgetItem(ListView1);
    item->setText(0, slash < 0 ? c.path : c.path.mid(slash + 1));
    item->setText(1, slash < 0 ? QStringLiteral("(一時解凍フォルダー)") : c.path.left(slash));
    item->setText(2, QLocale().toString(c.state.size) + QStringLiteral(" バイト"));
    item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    item->setText(3, c.Modified().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Checked);
    item->setToolTip(0, c.path);
  }
  ListView1->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  for (int c = 1; c < 4; ++c) ListView1->header()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
  if (ListView1->topLevelItemCount()) ListView1->setCurrentItem(ListView1->topLevelItem(0));

  auto* where = new QLabel(QStringLiteral("保存先(&D):"), this);
  Edit1 = new QLineEdit(destination, this);
  Edit1->setAccessibleName(QStringLiteral("保存先フォルダー"));
  where->setBuddy(Edit1);
  SpeedButton1 = new QPushButton(QStringLiteral("参照(&R)..."), this);
  SpeedButton1->setAccessibleName(QStringLiteral("保存先フォルダーを選ぶ"));
  SpeedButton1->setAutoDefault(false);
  BitBtn1 = new QPushButton(atStart ? QStringLiteral("保存して削除") : QStringLiteral("保存して終了"), this);
  BitBtn2 = new QPushButton(atStart ? QStringLiteral("保存せずに削除") : QStringLiteral("保存せずに終了"), this);
  BitBtn3 = new QPushButton(QStringLiteral("キャンセル"), this);
  BitBtn1->setDefault(true);
  BitBtn2->setAutoDefault(false);
  BitBtn3->setAutoDefault(false);

  auto* row = new QHBoxLayout;
  row->addWidget(where);
  row->addWidget(Edit1, 1);
  row->addWidget(SpeedButton1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(BitBtn1);
  buttons->addWidget(BitBtn2);
  buttons->addWidget(BitBtn3);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  layout->addWidget(ListView1, 1);
  layout->addLayout(row);
  layout->addLayout(buttons);
  resize(600, 380);

  // The keyboard goes list, folder, 参照, then the three answers.
  setTabOrder(ListView1, Edit1);
  setTabOrder(Edit1, SpeedButton1);
  setTabOrder(SpeedButton1, BitBtn1);
  setTabOrder(BitBtn1, BitBtn2);
  setTabOrder(BitBtn2, BitBtn3);
  ListView1->setFocus();

  connect(BitBtn1, &QPushButton::clicked, this, [this] { done(kSave); });
  connect(BitBtn2, &QPushButton::clicked, this, [this] { done(kDiscard); });
  connect(BitBtn3, &QPushButton::clicked, this, &QDialog::reject);
  connect(SpeedButton1, &QPushButton::clicked, this, [this] {
    TForm3 choice(this);
    // The default folder is made only when saving: start from what exists.
    QString start = Edit1->text();
    while (!start.isEmpty() && !QFileInfo(start).isDir() && start != QFileInfo(start).path())
      start = QFileInfo(start).path();
    choice.FolderTreeViewEx1->SelectPath(start);
    if (ui::ExecModal(choice) == QDialog::Accepted) Edit1->setText(ChosenFolder);
  });
}

QList<keep::Changed> TKeepForm::Checked() const {
  QList<keep::Changed> out;
  for (int i = 0; i < ListView1->topLevelItemCount() && i < changes_.size(); ++i)
    if (ListView1->topLevelItem(i)->checkState(0) == Qt::Checked) out.append(changes_[i]);
  return out;
}
