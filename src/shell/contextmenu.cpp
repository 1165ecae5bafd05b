#include "shell/contextmenu.h"

#include "platform/clipboard.h"
#include "platform/mbcs.h"
#include "platform/process.h"
#include "shell/fileops.h"
#include "shell/properties.h"
#include "ui/prompt.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>
#include <QUrl>

#include <algorithm>

namespace shell {
namespace {

const char kPlaceholder[] = "zot-sendto-placeholder";

// The key of a desktop entry's [Desktop Entry] group, localised for Japanese.
QString DesktopKey(const QString& path, const QString& key) {
  QByteArray text;
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly) || f.size() > (1 << 20)) return QString();
  text = f.readAll();
  QString plain, japanese;
  bool inGroup = false;
  for (const QByteArray& raw : text.split('\n')) {
    const QString line = QString::fromUtf8(raw).trimmed();
    if (line.startsWith(QLatin1Char('['))) {
      inGroup = line == QLatin1String("[Desktop Entry]");
      continue;
    }
    if (!inGroup) continue;
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0) continue;
    const QString k = line.left(eq).trimmed(), v = line.mid(eq + 1).trimmed();
    if (k == key) plain = v;
    else if (k == key + QStringLiteral("[ja_JP]") || (k == key + QStringLiteral("[ja]") && japanese.isEmpty())) japanese = v;
  }
  return japanese.isEmpty() ? plain : japanese;
}

// The words of an Exec line: blanks separate, double quotes group with
// \" \` \$ \\ as escapes inside.
QStringList ExecWords(const QString& exec) {
  QStringList words;
  QString word;
  bool quoted = false, any = false;
  for (qsizetype i = 0; i < exec.size(); ++i) {
    const QChar c = exec.at(i);
    if (quoted) {
      if (c == QLatin1Char('\\') && i + 1 < exec.size() && QStringLiteral("\"`$\\").contains(exec.at(i + 1))) {
        word += exec.at(++i);
      } else if (c == QLatin1Char('"')) {
        quoted = false;
      } else {
        word += c;
      }
    } else if (c == QLatin1Char('"')) {
      quoted = any = true;
    } else if (c.isSpace()) {
      if (any || !word.isEmpty()) words << word;
      word.clear();
      any = false;
    } else {
      word += c;
    }
  }
  if (any || !word.isEmpty()) words << word;
  return words;
}

// A word with its field codes replaced (one file for %f and %u).
QString Expand(const QString& word, const QString& file) {
  QString out;
  for (qsizetype i = 0; i < word.size(); ++i) {
    if (word.at(i) != QLatin1Char('%') || i + 1 >= word.size()) {
      out += word.at(i);
      continue;
    }
    const QChar code = word.at(++i);
    if (code == QLatin1Char('%')) out += code;
    else if (code == QLatin1Char('f')) out += file;
    else if (code == QLatin1Char('u')) out += QUrl::fromLocalFile(file).toString();
  }
  return out;
}

}  // namespace

bool IsProgramEntry(const QString& path) {
  return path.endsWith(QLatin1String(".desktop")) && QFileInfo(path).isFile() &&
         DesktopKey(path, QStringLiteral("Type")) == QLatin1String("Application") &&
         !DesktopKey(path, QStringLiteral("Exec")).isEmpty();
}

bool StartProgramEntry(const QString& path, const QStringList& files) {
  QStringList words = ExecWords(DesktopKey(path, QStringLiteral("Exec")));
  if (words.isEmpty()) return false;
  const bool perFile = std::any_of(words.begin(), words.end(), [](const QString& w) {
    return w.contains(QLatin1String("%f")) || w.contains(QLatin1String("%u"));
  });
  const bool listed = words.contains(QStringLiteral("%F")) || words.contains(QStringLiteral("%U"));
  auto build = [&](const QString& file) {
    QStringList args;
    for (const QString& w : words) {
      if (w == QLatin1String("%F")) args << files;
      else if (w == QLatin1String("%U"))
        for (const QString& f : files) args << QUrl::fromLocalFile(f).toString();
      else if (w == QLatin1String("%i") || w == QLatin1String("%c") || w == QLatin1String("%k")) continue;
      else args << Expand(w, file);
    }
    // An entry that names no files still gets them, as a drop on it would.
    if (!perFile && !listed) args << files;
    return args;
  };
  bool ok = true;
  const QStringList runs = perFile ? files : QStringList{QString()};
  for (const QString& file : runs) {
    QStringList args = build(file);
    const QString program = args.takeFirst();
    ok = platform::StartCommand(program, args) && ok;
  }
  return ok;
}

ContextMenu::ContextMenu(QWidget* owner, std::shared_ptr<ShellFolder> folder, std::vector<IdList> items)
    : owner_(owner), folder_(std::move(folder)), items_(std::move(items)) {}

QStringList ContextMenu::Paths() const {
  QStringList out;
  if (!folder_) return out;
  for (const IdList& item : items_) {
    const QString p = folder_->GetDisplayNameOf(item, kForParsing);
    if (!p.startsWith(QLatin1Char('/'))) return {};  // a virtual item: no file commands
    out << p;
  }
  return out;
}

uint32_t ContextMenu::CommonAttributes(uint32_t mask) const {
  if (!folder_ || items_.empty()) return 0;
  uint32_t a = mask;
  for (const IdList& item : items_) a &= folder_->GetAttributesOf(item, mask);
  return a;
}

bool ContextMenu::CanPaste() const {
  if (items_.size() != 1 || platform::ClipboardFiles().isEmpty()) return false;
  const QStringList paths = Paths();
  if (paths.isEmpty()) return false;
  if (CommonAttributes(kDropTarget)) return true;
  // A program's entry in the Send To folder takes files as a drop would.
  return QFileInfo(paths.front()).absolutePath() == SendToFolder() && IsProgramEntry(paths.front());
}

std::vector<std::pair<QString, QString>> ContextMenu::SendToEntries() {
  const QDir dir(SendToFolder());
  std::vector<std::pair<QString, QString>> out;
  for (const QFileInfo& info : dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)) {
    QString caption = info.fileName();
    if (IsProgramEntry(info.filePath())) {
      const QString name = DesktopKey(info.filePath(), QStringLiteral("Name"));
      if (!name.isEmpty()) caption = name;
    }
    out.push_back({caption, info.filePath()});
  }
  std::stable_sort(out.begin(), out.end(),
                   [](const auto& a, const auto& b) { return NameCollator().compare(a.first, b.first) < 0; });
  if (out.size() > kMaxSendToEntries) out.resize(kMaxSendToEntries);
  return out;
}

void ContextMenu::FillSendTo(QMenu* submenu, int first) {
  // Like the shell's, the submenu holds a placeholder until it opens; a
  // caller that fills it itself removes the placeholder first.
  QAction* placeholder = submenu->addAction(QString());
  placeholder->setObjectName(QString::fromLatin1(kPlaceholder));
  placeholder->setEnabled(false);
  QObject::connect(submenu, &QMenu::aboutToShow, submenu, [submenu, first] {
    const QList<QAction*> actions = submenu->actions();
    if (actions.isEmpty() || actions.front()->objectName() != QLatin1String(kPlaceholder)) return;
    submenu->removeAction(actions.front());
    delete actions.front();
    const auto entries = SendToEntries();
    for (size_t i = 0; i < entries.size(); ++i) {
      QAction* a = submenu->addAction(QString(entries[i].first).replace(QLatin1Char('&'), QLatin1String("&&")));
      a->setIcon(PathIcon(entries[i].second));
      a->setData(first + kVerbSendTo + static_cast<int>(i));
    }
    if (entries.empty()) submenu->addAction(QStringLiteral("(送り先がありません)"))->setEnabled(false);
  });
}

bool ContextMenu::QueryContextMenu(QMenu* menu, int first) {
  if (!menu || !folder_ || items_.empty()) return false;
  const bool paths = !Paths().isEmpty();
  const bool one = items_.size() == 1;
  const uint32_t a = paths ? CommonAttributes(kCanCopy | kCanMove | kCanLink | kCanRename | kCanDelete | kHasPropSheet) : 0;
  auto add = [&](const QString& caption, int verb, bool enabled) {
    QAction* action = menu->addAction(caption);
    action->setData(first + verb);
    action->setEnabled(enabled);
    return action;
  };
  menu->setDefaultAction(add(QStringLiteral("開く(&O)"), kVerbOpen, paths));
  QMenu* sendTo = menu->addMenu(QStringLiteral("送る(&N)"));
  sendTo->menuAction()->setEnabled(paths);
  FillSendTo(sendTo, first);
  menu->addSeparator();
  add(QStringLiteral("切り取り(&T)"), kVerbCut, a & kCanMove);
  add(QStringLiteral("コピー(&C)"), kVerbCopy, a & kCanCopy);
  add(QStringLiteral("貼り付け(&P)"), kVerbPaste, CanPaste());
  menu->addSeparator();
  add(QStringLiteral("ショートカットの作成(&S)"), kVerbCreateShortcut, a & kCanLink);
  add(QStringLiteral("削除(&D)"), kVerbDelete, a & kCanDelete);
  add(QStringLiteral("名前の変更(&M)"), kVerbRename, one && (a & kCanRename));
  menu->addSeparator();
  add(QStringLiteral("プロパティ(&R)"), kVerbProperties, a & kHasPropSheet);
  return true;
}

Outcome ContextMenu::InvokeCommand(int verb) {
  if (Paths().isEmpty()) return Outcome::kFailed;
  const uint32_t a = CommonAttributes(kCanCopy | kCanMove | kCanLink | kCanRename | kCanDelete | kHasPropSheet);
  switch (verb) {
    case kVerbOpen: return Open();
    case kVerbCreateShortcut: return a & kCanLink ? CreateShortcut() : Outcome::kFailed;
    case kVerbDelete: return a & kCanDelete ? Delete() : Outcome::kFailed;
    case kVerbProperties: return a & kHasPropSheet ? Properties() : Outcome::kFailed;
    case kVerbCut: return a & kCanMove ? PutOnClipboard(true) : Outcome::kFailed;
    case kVerbCopy: return a & kCanCopy ? PutOnClipboard(false) : Outcome::kFailed;
    case kVerbPaste: return CanPaste() ? Paste() : Outcome::kFailed;
    case kVerbRename: return Outcome::kFailed;  // the view edits the name in place itself
    default: break;
  }
  if (verb >= kVerbSendTo && verb < kVerbSendTo + kMaxSendToEntries) return SendTo(verb - kVerbSendTo);
  return Outcome::kFailed;
}

Outcome ContextMenu::Report(const QStringList& failures) {
  if (failures.isEmpty()) return Outcome::kDone;
  ui::MessageBox(owner_, failures.join(QLatin1Char('\n')), QMessageBox::Warning);
  return Outcome::kTold;
}

Outcome ContextMenu::Open() {
  QStringList failures;
  for (const QString& p : Paths())
    if (!platform::OpenDocument(p)) failures << QStringLiteral("「%1」を開けません。").arg(QFileInfo(p).fileName());
  return Report(failures);
}

Outcome ContextMenu::CreateShortcut() {
  QStringList failures;
  for (const QString& p : Paths()) {
    QString made, why;
    if (!MakeShortcut(p, &made, &why)) failures << why;
  }
  return Report(failures);
}

Outcome ContextMenu::Delete() {
  const QStringList paths = Paths();
  const QString question = paths.size() == 1
      ? QStringLiteral("「%1」をごみ箱に移動しますか?").arg(QFileInfo(paths.front()).fileName())
      : QStringLiteral("これらの %1 個の項目をごみ箱に移動しますか?").arg(paths.size());
  if (ui::MessageBox(owner_, question, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
    return Outcome::kCancelled;
  QStringList failures;
  for (const QString& p : paths) {
    QString why;
    const TrashResult r = MoveToTrash(p, &why);
    if (r == TrashResult::kTrashed) {
      continue;
    }
    if (r == TrashResult::kNoTrash) {
      // Nothing goes for good without its own question.
      const QString really = QStringLiteral("「%1」のあるドライブにはごみ箱がありません。\n完全に削除しますか? 元に戻すことはできません。")
                                 .arg(QFileInfo(p).fileName());
      if (ui::MessageBox(owner_, really, QMessageBox::Warning, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
        if (paths.size() == 1) return Outcome::kCancelled;
        continue;
      }
      if (DeleteForGood(p, &why)) {
        continue;
      }
    }
    failures << why;
  }
  return Report(failures);
}

Outcome ContextMenu::Properties() {
  ShowProperties(owner_, Paths());
  return Outcome::kDone;
}

Outcome ContextMenu::PutOnClipboard(bool cut) {
  platform::SetClipboardFiles(Paths(), cut);
  return Outcome::kDone;
}

Outcome ContextMenu::Paste() {
  bool cut = false;
  const QStringList files = platform::ClipboardFiles(&cut);
  const QString target = Paths().front();
  if (IsProgramEntry(target)) return StartProgramEntry(target, files) ? Outcome::kDone : Outcome::kFailed;
  // A Send To folder entry receives copies, whatever the clipboard says.
  if (QFileInfo(target).absolutePath() == SendToFolder()) cut = false;
  QStringList failures;
  for (const QString& f : files) {
    QString made, why;
    if (cut ? MoveInto(f, target, &made, &why) : CopyInto(f, target, &made, &why)) continue;
    failures << why;
  }
  // Moved files are no longer where the clipboard says.
  if (cut && failures.isEmpty()) platform::ClearClipboard();
  return Report(failures);
}

Outcome ContextMenu::SendTo(int index) {
  const auto entries = SendToEntries();
  if (index < 0 || index >= static_cast<int>(entries.size())) return Outcome::kFailed;
  const QString target = entries[index].second;
  const QStringList paths = Paths();
  if (IsProgramEntry(target)) {
    if (StartProgramEntry(target, paths)) return Outcome::kDone;
    return Report({QStringLiteral("「%1」を起動できません。").arg(entries[index].first)});
  }
  if (!QFileInfo(target).isDir())
    return Report({QStringLiteral("送り先「%1」はフォルダでもプログラムでもありません。").arg(entries[index].first)});
  QStringList failures;
  for (const QString& p : paths) {
    QString made, why;
    if (CopyInto(p, target, &made, &why)) continue;
    failures << why;
  }
  return Report(failures);
}

std::optional<Outcome> InvokeItemCommand(QWidget* owner, const std::shared_ptr<ShellFolder>& folder,
                                         const IdList& item, int number, uint32_t needed) {
  if (!folder || item.isNull()) return std::nullopt;
  const uint32_t a = folder->GetAttributesOf(item, kStandardAttributes);
  if (a == 0 || (a & needed) != needed) return std::nullopt;
  ContextMenu menu(owner, folder, {item});
  QMenu popup;
  if (!menu.QueryContextMenu(&popup, 1)) return std::nullopt;
  // Paste only where the item's own menu offers it.
  if (number == kVerbPaste + 1 && FindMenuItemByText(&popup, QStringLiteral("(&P)"), 9) < 0) return std::nullopt;
  return menu.InvokeCommand(number - 1);
}

int FindMenuItemByText(const QMenu* menu, const QString& needle, int position) {
  if (!menu) return -1;
  const QByteArray want = platform::ToCp932(needle);
  const QList<QAction*> actions = menu->actions();
  for (int i = 0; i < actions.size(); ++i) {
    const QAction* a = actions[i];
    if (a->isSeparator() || !a->isEnabled() || !a->isVisible()) continue;
    const qsizetype at = platform::ToCp932(a->text()).indexOf(want);
    if (at >= 0 && at + 1 == position) return i + 1;
  }
  return -1;
}

}  // namespace shell
