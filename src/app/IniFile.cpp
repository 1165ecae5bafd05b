#include "app/IniFile.h"

#include "app/main.h"
#include "platform/folders.h"
#include "ui/windowsize.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>
#include <functional>

TSettings Settings;

namespace {

constexpr qsizetype kMaxString = 2047;

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

}  // namespace

int IniStrToIntDef(const QString& textIn, int def) {
  const QString text = textIn.trimmed();
  bool ok = false;
  if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
    const uint v = text.mid(2).toUInt(&ok, 16);
    return ok ? static_cast<int>(v) : def;
  }
  const int v = text.toInt(&ok, 10);
  return ok ? v : def;
}

TIniFile::TIniFile(const QString& path) : path_(path) {
  sections_.push_back({QString(), QByteArray(), {}});
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return;
  const QByteArray content = f.readAll();
  for (const QByteArray& raw : content.split('\n')) {
    QString line = QString::fromUtf8(raw);
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    const QString t = line.trimmed();
    if (t.startsWith(QLatin1Char('[')) && t.contains(QLatin1Char(']'))) {
      sections_.push_back({t.mid(1, t.indexOf(QLatin1Char(']')) - 1).trimmed(), raw, {}});
      continue;
    }
    const qsizetype eq = t.indexOf(QLatin1Char('='));
    const QString key = (eq > 0 && !t.startsWith(QLatin1Char(';'))) ? t.left(eq).trimmed() : QString();
    sections_.back().lines.push_back({raw, line, key});
  }
  // The split leaves one empty line for the final line end.
  auto& last = sections_.back().lines;
  if (!last.empty() && last.back().raw.isEmpty()) last.pop_back();
}

const TIniFile::Line* TIniFile::Find(const QString& section, const QString& key) const {
  for (const Section& s : sections_) {
    if (s.name.isEmpty() || !SameName(s.name, section)) continue;
    for (const Line& l : s.lines)
      if (!l.key.isEmpty() && SameName(l.key, key)) return &l;
  }
  return nullptr;
}

bool TIniFile::ValueExists(const QString& section, const QString& key) const {
  return Find(section, key) != nullptr;
}

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& def) const {
  const Line* l = Find(section, key);
  if (!l) return def;
  QString v = l->text.mid(l->text.indexOf(QLatin1Char('=')) + 1).trimmed();
  if (v.size() >= 2 && ((v.startsWith(QLatin1Char('"')) && v.endsWith(QLatin1Char('"'))) ||
                        (v.startsWith(QLatin1Char('\'')) && v.endsWith(QLatin1Char('\''))))) {
    v = v.mid(1, v.size() - 2);
  }
  return v.left(kMaxString);
}

int TIniFile::ReadInteger(const QString& section, const QString& key, int def) const {
  const Line* l = Find(section, key);
  return l ? IniStrToIntDef(ReadString(section, key, QString()), def) : def;
}

bool TIniFile::ReadBool(const QString& section, const QString& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value) {
  // Line breaks would split the entry; they cannot be stored in an INI value.
  QString v = value;
  v.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
  const QString text = key + QLatin1Char('=') + v;
  for (Section& s : sections_) {
    if (s.name.isEmpty() || !SameName(s.name, section)) continue;
    for (Line& l : s.lines) {
      if (!l.key.isEmpty() && SameName(l.key, key)) {
        if (l.text != text) l = {text.toUtf8(), text, key};
        return;
      }
    }
    // After the last entry, so blank lines between sections stay between them.
    auto at = s.lines.end();
    while (at != s.lines.begin() && std::prev(at)->text.trimmed().isEmpty()) --at;
    s.lines.insert(at, {text.toUtf8(), text, key});
    return;
  }
  sections_.push_back({section, '[' + section.toUtf8() + ']', {{text.toUtf8(), text, key}}});
}

void TIniFile::WriteInteger(const QString& section, const QString& key, int value) {
  WriteString(section, key, QString::number(value));
}

void TIniFile::WriteBool(const QString& section, const QString& key, bool value) {
  WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool TIniFile::UpdateFile() const {
  QByteArray out;
  for (const Section& s : sections_) {
    if (!s.header.isEmpty()) out += s.header + '\n';
    for (const Line& l : s.lines) out += l.raw + '\n';
  }
  if (!QDir().mkpath(QFileInfo(path_).absolutePath())) return false;
  QSaveFile f(path_);
  if (!f.open(QIODevice::WriteOnly)) return false;
  f.write(out);
  return f.commit();
}

namespace {

const QString kWindow = QStringLiteral("Window");
const QString kOption = QStringLiteral("Option");
const QString kHeader = QStringLiteral("Header");
const QString kTree = QStringLiteral("Tree");

// One key of the settings file: how it is read into the program and written
// back. The table order is the file order.
struct Key {
  QString section;
  QString name;
  std::function<void(const TIniFile&, TForm1&)> load;
  std::function<void(TIniFile&, TForm1&)> save;
};

Key IntKey(const QString& section, const QString& name, int TSettings::*field) {
  const int def = TSettings().*field;
  return {section, name,
          [=](const TIniFile& ini, TForm1&) { Settings.*field = ini.ReadInteger(section, name, def); },
          [=](TIniFile& ini, TForm1&) { ini.WriteInteger(section, name, Settings.*field); }};
}

Key BoolKey(const QString& section, const QString& name, bool TSettings::*field) {
  const bool def = TSettings().*field;
  return {section, name,
          [=](const TIniFile& ini, TForm1&) { Settings.*field = ini.ReadBool(section, name, def); },
          [=](TIniFile& ini, TForm1&) { ini.WriteBool(section, name, Settings.*field); }};
}

Key StrKey(const QString& section, const QString& name, QString* value) {
  return {section, name,
          [=](const TIniFile& ini, TForm1&) { *value = ini.ReadString(section, name, QString()); },
          [=](TIniFile& ini, TForm1&) { ini.WriteString(section, name, *value); }};
}

// A window value whose default is the window's current value and which is
// applied to the window as soon as it is read.
Key WindowKey(const QString& section, const QString& name, std::function<int(TForm1&)> get,
              std::function<void(TForm1&, int)> set) {
  return {section, name,
          [=](const TIniFile& ini, TForm1& f) {
            // An absent key leaves the window where the system put it.
            if (ini.ValueExists(section, name)) set(f, ini.ReadInteger(section, name, get(f)));
          },
          [=](TIniFile& ini, TForm1& f) { ini.WriteInteger(section, name, get(f)); }};
}

Key ColumnKey(int column) {
  return {kHeader, QStringLiteral("Col[%1]").arg(column),
          [=](const TIniFile& ini, TForm1& f) {
            f.ListView1->SetColumnWidth(
                column, ini.ReadInteger(kHeader, QStringLiteral("Col[%1]").arg(column),
                                        f.ListView1->DefaultColumnWidth(column)));
          },
          [=](TIniFile& ini, TForm1& f) {
            ini.WriteInteger(kHeader, QStringLiteral("Col[%1]").arg(column), f.ListView1->ColumnWidth(column));
          }};
}

const std::vector<Key>& Keys() {
  static const std::vector<Key> keys = [] {
    std::vector<Key> k{
        WindowKey(kWindow, QStringLiteral("Left"), [](TForm1& f) { return f.pos().x(); },
                  [](TForm1& f, int v) { f.move(v, f.pos().y()); }),
        WindowKey(kWindow, QStringLiteral("Top"), [](TForm1& f) { return f.pos().y(); },
                  [](TForm1& f, int v) { f.move(f.pos().x(), v); }),
        WindowKey(kWindow, QStringLiteral("Height"), [](TForm1& f) { return ui::OuterSize(&f).height(); },
                  [](TForm1& f, int v) {
                    // A missing key reads as the current size: nothing to apply.
                    if (v != ui::OuterSize(&f).height()) ui::ResizeOuter(&f, QSize(ui::OuterSize(&f).width(), v));
                  }),
        WindowKey(kWindow, QStringLiteral("Width"), [](TForm1& f) { return ui::OuterSize(&f).width(); },
                  [](TForm1& f, int v) {
                    if (v != ui::OuterSize(&f).width()) ui::ResizeOuter(&f, QSize(v, ui::OuterSize(&f).height()));
                  }),
        IntKey(kOption, QStringLiteral("ViewMode"), &TSettings::ViewMode),
        StrKey(kOption, QStringLiteral("CopyDir"), &Settings.CopyDir),
        IntKey(kOption, QStringLiteral("CopyProcess"), &TSettings::CopyProcess),
        IntKey(kOption, QStringLiteral("CopyMode"), &TSettings::CopyMode),
        BoolKey(kOption, QStringLiteral("CopyFlag"), &TSettings::CopyFlag),
        BoolKey(kOption, QStringLiteral("ErrorDialog"), &TSettings::ErrorDialog),
        {kOption, QStringLiteral("Separate"),
         [](const TIniFile& ini, TForm1& f) {
           f.SetTreeWidth(ini.ReadInteger(kOption, QStringLiteral("Separate"), kDefaultSeparate));
         },
         [](TIniFile& ini, TForm1& f) { ini.WriteInteger(kOption, QStringLiteral("Separate"), f.TreeWidth()); }},
        ColumnKey(0),
        ColumnKey(1),
        ColumnKey(2),
        IntKey(kWindow, QStringLiteral("MemoHeight"), &TSettings::MemoHeight),
        IntKey(kWindow, QStringLiteral("MemoWidth"), &TSettings::MemoWidth),
        IntKey(kWindow, QStringLiteral("MemoLeft"), &TSettings::MemoLeft),
        IntKey(kWindow, QStringLiteral("MemoTop"), &TSettings::MemoTop),
        BoolKey(kWindow, QStringLiteral("MemoFlag"), &TSettings::MemoFlag),
        IntKey(kWindow, QStringLiteral("DeveHeight"), &TSettings::DeveHeight),
        IntKey(kWindow, QStringLiteral("DeveLeft"), &TSettings::DeveLeft),
        IntKey(kWindow, QStringLiteral("DeveTop"), &TSettings::DeveTop),
        StrKey(kTree, QStringLiteral("Folder"), &Settings.Folder),
    };
    for (int slot = 2; slot <= 4; ++slot)
      k.push_back(StrKey(kOption, QStringLiteral("Ext%1").arg(slot), &ExtensionTable[slot]));
    for (int i = 0; i <= 5; ++i)
      k.push_back(StrKey(kOption, QStringLiteral("Directory%1").arg(i), &Settings.Directory[i]));
    // Newer than the keys above, so it goes last and leaves their order alone.
    k.push_back(BoolKey(kOption, QStringLiteral("Sandbox"), &TSettings::Sandbox));
    return k;
  }();
  return keys;
}

}  // namespace

void LoadSettings(TForm1& form) {
  const TIniFile ini(platform::SettingsFilePath());
  for (const Key& key : Keys()) key.load(ini, form);
  // A place remembered from another screen layout must not hide the window:
  // some of its top part must be on a screen, else it goes onto the main one.
  const QRect frame(form.pos(), form.size());
  const QRect grip(frame.topLeft(), QSize(frame.width(), std::min(frame.height(), 40)));
  const QList<QScreen*> screens = QGuiApplication::screens();
  const bool seen = std::any_of(screens.begin(), screens.end(), [&grip](QScreen* sc) {
    const QRect part = sc->availableGeometry().intersected(grip);
    return part.width() >= 40 && part.height() >= 10;
  });
  if (!seen && QGuiApplication::primaryScreen()) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    form.resize(std::min(form.width(), area.width()), std::min(form.height(), area.height()));
    form.move(area.topLeft());
  }
}

bool SaveSettings(TForm1& form) {
  TIniFile ini(platform::SettingsFilePath());
  for (const Key& key : Keys()) key.save(ini, form);
  return ini.UpdateFile();
}
