#include "shell/properties.h"

#include "ui/prompt.h"

#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QMimeDatabase>
#include <QPushButton>
#include <QVBoxLayout>

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace shell {
namespace {

struct Total {
  qint64 bytes = 0;
  qint64 files = 0;
  qint64 folders = 0;
  bool cut = false;  // too many entries to count them all
};

// Adds up a folder without following links, at most a bounded number of entries.
void Count(int dirFd, const char* name, Total* t) {
  struct stat st {};
  if (t->cut || ::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return;
  if (t->files + t->folders > 200000) {
    t->cut = true;
    return;
  }
  if (!S_ISDIR(st.st_mode)) {
    ++t->files;
    t->bytes += st.st_size;
    return;
  }
  ++t->folders;
  const int fd = ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  DIR* d = ::fdopendir(fd);
  if (!d) {
    ::close(fd);
    return;
  }
  while (dirent* e = ::readdir(d))
    if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) Count(fd, e->d_name, t);
  ::closedir(d);
}

QString KindText(const QFileInfo& info) {
  if (info.isSymLink()) return QStringLiteral("シンボリック リンク (%1)").arg(info.symLinkTarget());
  if (info.isDir()) return QStringLiteral("フォルダ");
  const QMimeType type = QMimeDatabase().mimeTypeForFile(info);
  return type.comment().isEmpty() ? QStringLiteral("ファイル") : type.comment();
}

QString TimeText(const QDateTime& t) {
  return t.isValid() ? t.toString(QStringLiteral("yyyy年M月d日 H:mm:ss")) : QStringLiteral("(不明)");
}

QLabel* Value(const QString& text, const QString& name) {
  auto* label = new QLabel(text);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  label->setAccessibleName(name);
  label->setWordWrap(true);
  return label;
}

}  // namespace

QString SizeText(qint64 bytes) {
  const QLocale c(QLocale::Japanese, QLocale::Japan);
  const QString exact = QStringLiteral("%1 バイト").arg(c.toString(bytes));
  if (bytes < 1024) return exact;
  return QStringLiteral("%1 (%2)").arg(c.formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat), exact);
}

QString PermissionText(const QString& path) {
  struct stat st {};
  if (::lstat(QFile::encodeName(QFileInfo(path).absoluteFilePath()).constData(), &st) != 0) return QStringLiteral("(不明)");
  QString bits;
  const char* letters = "rwxrwxrwx";
  for (int i = 0; i < 9; ++i) bits += (st.st_mode & (0400 >> i)) ? QLatin1Char(letters[i]) : QLatin1Char('-');
  const passwd* pw = ::getpwuid(st.st_uid);
  const group* gr = ::getgrgid(st.st_gid);
  return QStringLiteral("%1 (所有者: %2、グループ: %3)")
      .arg(bits, pw ? QString::fromLocal8Bit(pw->pw_name) : QString::number(st.st_uid),
           gr ? QString::fromLocal8Bit(gr->gr_name) : QString::number(st.st_gid));
}

void ShowProperties(QWidget* owner, const QStringList& paths) {
  if (paths.isEmpty()) return;
  const QFileInfo first(paths.front());
  QDialog dialog(owner);
  dialog.setObjectName(QStringLiteral("properties"));
  dialog.setWindowTitle(paths.size() == 1 ? QStringLiteral("%1のプロパティ").arg(first.fileName())
                                          : QStringLiteral("%1 個の項目のプロパティ").arg(paths.size()));
  auto* form = new QFormLayout;
  Total total;
  for (const QString& p : paths) {
    const QFileInfo info(p);
    const int parent = ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parent >= 0) {
      Count(parent, QFile::encodeName(info.fileName()).constData(), &total);
      ::close(parent);
    }
  }
  if (paths.size() == 1) {
    form->addRow(QStringLiteral("名前:"), Value(first.fileName(), QStringLiteral("名前")));
    form->addRow(QStringLiteral("種類:"), Value(KindText(first), QStringLiteral("種類")));
  } else {
    form->addRow(QStringLiteral("項目:"), Value(QStringLiteral("%1 個").arg(paths.size()), QStringLiteral("項目")));
  }
  form->addRow(QStringLiteral("場所:"), Value(first.absolutePath(), QStringLiteral("場所")));
  QString size = SizeText(total.bytes);
  if (total.folders > 0 || paths.size() > 1)
    size += QStringLiteral("\nファイル %1 個、フォルダ %2 個%3")
                .arg(total.files)
                .arg(total.folders)
                .arg(total.cut ? QStringLiteral(" 以上") : QString());
  form->addRow(QStringLiteral("サイズ:"), Value(size, QStringLiteral("サイズ")));
  if (paths.size() == 1) {
    form->addRow(QStringLiteral("作成日時:"), Value(TimeText(first.birthTime()), QStringLiteral("作成日時")));
    form->addRow(QStringLiteral("更新日時:"), Value(TimeText(first.lastModified()), QStringLiteral("更新日時")));
    form->addRow(QStringLiteral("アクセス日時:"), Value(TimeText(first.lastRead()), QStringLiteral("アクセス日時")));
    form->addRow(QStringLiteral("アクセス許可:"), Value(PermissionText(first.filePath()), QStringLiteral("アクセス許可")));
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addLayout(form);
  layout->addWidget(buttons);
  dialog.setMinimumWidth(360);
  ui::ExecModal(dialog);
}

}  // namespace shell
