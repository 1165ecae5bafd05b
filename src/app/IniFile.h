#pragma once
#include <QByteArray>
#include <QString>
#include <vector>

class TForm1;

// An INI file read and written key by key, with the reading rules of the
// Windows private-profile functions: names are matched without regard to
// case, values are trimmed and lose one pair of surrounding quotes, integers
// may be written "0x..." in hexadecimal, strings are cut at 2047 characters.
// Lines the program does not write (other keys, comments, other sections)
// come back byte for byte, whatever their encoding.
class TIniFile {
 public:
  explicit TIniFile(const QString& path);

  QString ReadString(const QString& section, const QString& key, const QString& def) const;
  int ReadInteger(const QString& section, const QString& key, int def) const;
  bool ReadBool(const QString& section, const QString& key, bool def) const;
  bool ValueExists(const QString& section, const QString& key) const;

  // A new key goes to the end of its section, a new section to the end of the file.
  void WriteString(const QString& section, const QString& key, const QString& value);
  void WriteInteger(const QString& section, const QString& key, int value);
  void WriteBool(const QString& section, const QString& key, bool value);

  // Writes the file as a whole (temporary file, then rename), so that a
  // failed save leaves the previous file untouched.
  bool UpdateFile() const;

  const QString& FileName() const { return path_; }

 private:
  struct Line {
    QByteArray raw;  // the line as it stands in the file, without its "\n"
    QString text;    // the same, decoded (UTF-8), for reading
    QString key;     // empty for comments and blank lines
  };
  struct Section {
    QString name;       // empty for lines before the first section header (and "[]")
    QByteArray header;  // the header line as it stands; empty before the first one
    std::vector<Line> lines;
  };
  const Line* Find(const QString& section, const QString& key) const;

  QString path_;
  std::vector<Section> sections_;
};

// "0x"/"0X" hexadecimal or decimal text as a 32-bit integer; def when it is no number.
int IniStrToIntDef(const QString& text, int def);

// The program-wide settings, one per key of the settings file, named after
// the key. The main window's geometry, the tree width and the column widths
// live in the window itself; Ext2..Ext4 live in ExtensionTable.
struct TSettings {
  int ViewMode = 4;
  QString CopyDir;
  int CopyProcess = 0;
  int CopyMode = 1;
  bool CopyFlag = false;
  bool ErrorDialog = false;
  int MemoHeight = 400;
  int MemoWidth = 400;
  int MemoLeft = 0;
  int MemoTop = 0;
  bool MemoFlag = true;
  int DeveHeight = 290;
  int DeveLeft = 0;
  int DeveTop = 0;
  QString Folder;
  QString Directory[6];  // Directory0: the destination entry; 1..5: remembered ones
  bool Sandbox = true;   // programs run inside bubblewrap
};
extern TSettings Settings;

constexpr int kDefaultSeparate = 210;
constexpr int kDefaultColumnWidths[3] = {150, 80, 130};

// Reads every key in order and applies the window's own ones to it at once.
void LoadSettings(TForm1& form);
// Writes every key in the same order; false when the file could not be written.
bool SaveSettings(TForm1& form);
