#include "app/rtf.h"

#include "app/textcodec.h"

#include <QColor>
#include <QTextCursor>
#include <QTextDocument>

#include <vector>

namespace {

struct State {
  bool bold = false, italic = false, underline = false;
  double points = 12;
  int color = 0;
  int skipAfterUnicode = 1;  // \ucN
  bool ignore = false;       // inside a destination that is not text
};

class Reader {
 public:
  Reader(const QByteArray& rtf, QTextDocument& doc) : in_(rtf), cursor_(&doc) {}

  void Run() {
    std::vector<State> stack{State{}};
    while (at_ < in_.size()) {
      const char c = in_[at_];
      if (c == '{') {
        Flush(stack.back());
        stack.push_back(stack.back());
        ++at_;
        // "{\*\dest ...}" is a destination a reader may skip.
        if (in_.mid(at_, 2) == "\\*") stack.back().ignore = true;
      } else if (c == '}') {
        Flush(stack.back());
        inColorTable_ = false;  // the colour table is a group of its own
        if (stack.size() > 1) stack.pop_back();
        ++at_;
      } else if (c == '\\') {
        Control(stack);
      } else if (c == '\r' || c == '\n') {
        ++at_;
      } else {
        if (!stack.back().ignore) {
          if (inColorTable_) ColorTableText(c);
          else pending_ += c;
        }
        ++at_;
      }
    }
    Flush(stack.back());
  }

 private:
  void Control(std::vector<State>& stack) {
    State& s = stack.back();
    ++at_;
    if (at_ >= in_.size()) return;
    const char c = in_[at_];
    if (!std::isalpha(static_cast<unsigned char>(c))) {
      ++at_;
      if (c == '\'') {  // a byte in the document's code page
        bool ok = false;
        const int byte = in_.mid(at_, 2).toInt(&ok, 16);
        at_ += 2;
        if (ok && !s.ignore && !inColorTable_) pending_ += static_cast<char>(byte);
      } else if (c == '~') {
        Text(s, QStringLiteral("\u00A0"));
      } else if (c == '\\' || c == '{' || c == '}') {
        if (!s.ignore) pending_ += c;
      } else if (c == '\n' || c == '\r') {
        Paragraph(s);
      }
      return;
    }
    const qsizetype start = at_;
    while (at_ < in_.size() && std::isalpha(static_cast<unsigned char>(in_[at_]))) ++at_;
    const QByteArray word = in_.mid(start, at_ - start);
    bool hasParam = false;
    int param = 0;
    const qsizetype numStart = at_;
    if (at_ < in_.size() && (in_[at_] == '-' || std::isdigit(static_cast<unsigned char>(in_[at_])))) {
      ++at_;
      while (at_ < in_.size() && std::isdigit(static_cast<unsigned char>(in_[at_]))) ++at_;
      param = in_.mid(numStart, at_ - numStart).toInt();
      hasParam = true;
    }
    if (at_ < in_.size() && in_[at_] == ' ') ++at_;  // the delimiter belongs to the word

    static const char* const kSkipped[] = {"fonttbl", "stylesheet", "info", "pict", "object", "header", "footer",
                                           "listtable", "listoverridetable", "themedata", "colorschememapping",
                                           "datastore", "latentstyles", "generator", "xmlnstbl", "rsidtbl"};
    for (const char* w : kSkipped)
      if (word == w) {
        Flush(s);
        s.ignore = true;
        return;
      }
    if (word == "colortbl") {
      Flush(s);
      inColorTable_ = true;
      s.ignore = false;
      colors_.clear();
      current_ = QColor(Qt::black);
      return;
    }
    if (inColorTable_) {
      if (word == "red") current_.setRed(param);
      else if (word == "green") current_.setGreen(param);
      else if (word == "blue") current_.setBlue(param);
      return;
    }
    if (word == "ansicpg" && hasParam) {
      codePage_ = "CP" + QByteArray::number(param);
      return;
    }
    if (s.ignore) return;
    if (word == "par" || word == "sect") Paragraph(s);
    else if (word == "line") Text(s, QStringLiteral("\u2028"));
    else if (word == "tab") Text(s, QStringLiteral("\t"));
    else if (word == "b") Change(s, s.bold, !hasParam || param != 0);
    else if (word == "i") Change(s, s.italic, !hasParam || param != 0);
    else if (word == "ul") Change(s, s.underline, !hasParam || param != 0);
    else if (word == "ulnone") Change(s, s.underline, false);
    else if (word == "plain") {
      Flush(s);
      s.bold = s.italic = s.underline = false;
      s.points = 12;
      s.color = 0;
    } else if (word == "fs" && hasParam) {
      Flush(s);
      s.points = param / 2.0;
    } else if (word == "cf" && hasParam) {
      Flush(s);
      s.color = param;
    } else if (word == "uc" && hasParam) {
      s.skipAfterUnicode = param;
    } else if (word == "u" && hasParam) {
      Text(s, QString(QChar(static_cast<char16_t>(param < 0 ? param + 65536 : param))));
      // Skip the stand-in characters that follow for readers without Unicode.
      for (int n = 0; n < s.skipAfterUnicode && at_ < in_.size(); ++n) {
        if (in_[at_] == '\\' && in_.mid(at_ + 1, 1) == "'") at_ += 4;
        else if (in_[at_] == '{' || in_[at_] == '}' || in_[at_] == '\\') break;
        else ++at_;
      }
    }
  }

  void ColorTableText(char c) {
    if (c == ';') {
      colors_.push_back(current_);
      current_ = QColor(Qt::black);
    }
  }

  void Change(State& s, bool& flag, bool value) {
    Flush(s);
    flag = value;
  }

  void Paragraph(State& s) {
    Flush(s);
    if (!s.ignore) cursor_.insertBlock();
  }

  void Text(State& s, const QString& text) {
    Flush(s);
    if (!s.ignore) Insert(s, text);
  }

  // Bytes collected so far, decoded in the document's code page.
  void Flush(const State& s) {
    if (inColorTable_ && !pending_.isEmpty()) pending_.clear();
    if (pending_.isEmpty()) return;
    QString text = DecodeAs(pending_, codePage_.constData());
    if (text.isEmpty()) text = QString::fromLatin1(pending_);
    pending_.clear();
    Insert(s, text);
  }

  void Insert(const State& s, const QString& text) {
    QTextCharFormat f;
    f.setFontWeight(s.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(s.italic);
    f.setFontUnderline(s.underline);
    f.setFontPointSize(s.points > 0 ? s.points : 12);
    // Colour 0 of the table (or none) is the automatic colour.
    if (s.color > 0 && s.color < static_cast<int>(colors_.size())) f.setForeground(colors_[s.color]);
    cursor_.insertText(text, f);
  }

  const QByteArray& in_;
  qsizetype at_ = 0;
  QTextCursor cursor_;
  QByteArray pending_;
  QByteArray codePage_ = "CP1252";
  std::vector<QColor> colors_;
  QColor current_;
  bool inColorTable_ = false;
};

}  // namespace

void ReadRtf(const QByteArray& rtf, QTextDocument& document) {
  document.clear();
  Reader(rtf, document).Run();
}
