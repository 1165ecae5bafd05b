#include "app/rtf.h"
#include "app/textcodec.h"
#include "support.h"

#include <iconv.h>

#include <QTextBlock>
#include <QTextDocument>

namespace {

class TextTest : public ZotTest {};

QByteArray Encode(const QString& text, const char* encoding) {
  // The test's own converter: iconv through the shell-free API in reverse.
  QByteArray utf8 = text.toUtf8();
  iconv_t cd = iconv_open(encoding, "UTF-8");
  QByteArray out(utf8.size() * 4 + 16, '\0');
  char* in = utf8.data();
  size_t inLeft = static_cast<size_t>(utf8.size());
  char* o = out.data();
  size_t outLeft = static_cast<size_t>(out.size());
  iconv(cd, &in, &inLeft, &o, &outLeft);
  iconv(cd, nullptr, nullptr, &o, &outLeft);  // back to ASCII at the end (ISO-2022-JP)
  iconv_close(cd);
  out.truncate(out.size() - static_cast<qsizetype>(outLeft));
  return out;
}

TEST_F(TextTest, EncodingsAreDetected) {
  const QString text = QStringLiteral("ピポラ！で書庫の中身を試す。日本語の説明書です。\n漢字とかなとカナ、表示能力のテスト。\n");
  for (const char* enc : {"CP932", "EUC-JP", "ISO-2022-JP", "UTF-8"}) EXPECT_EQ(DecodeText(Encode(text, enc)), text) << enc;
  EXPECT_EQ(DecodeText("\xEF\xBB\xBF" + text.toUtf8()), text);
  EXPECT_EQ(DecodeText("\xFF\xFE" + Encode(text, "UTF-16LE")), text);
  EXPECT_EQ(DecodeText("\xFE\xFF" + Encode(text, "UTF-16BE")), text);
  EXPECT_EQ(DecodeText("plain ASCII\n"), QStringLiteral("plain ASCII\n"));
  EXPECT_EQ(DecodeText(QByteArray()), QString());
}

TEST_F(TextTest, HtmlNamesItsCharset) {
  EXPECT_EQ(HtmlMetaCharset("<html><head><meta charset=\"Shift_JIS\">"), QByteArray("Shift_JIS"));
  EXPECT_EQ(HtmlMetaCharset("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=euc-jp\">"),
            QByteArray("euc-jp"));
  EXPECT_TRUE(HtmlMetaCharset("<html><body>no meta</body></html>").isEmpty());
}

QString Styled(const QTextDocument& doc, const QString& fragment, const char* what) {
  for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
    for (auto it = b.begin(); !it.atEnd(); ++it)
      if (it.fragment().text() == fragment) {
        const QTextCharFormat f = it.fragment().charFormat();
        if (QByteArray(what) == "b") return f.fontWeight() == QFont::Bold ? "yes" : "no";
        if (QByteArray(what) == "i") return f.fontItalic() ? "yes" : "no";
        if (QByteArray(what) == "u") return f.fontUnderline() ? "yes" : "no";
        if (QByteArray(what) == "size") return QString::number(f.fontPointSize());
        if (QByteArray(what) == "color") return f.foreground().color().name();
      }
  return QStringLiteral("missing");
}

TEST_F(TextTest, RtfKeepsFormattingAndCharacters) {
  QTextDocument doc;
  ReadRtf("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}{\\colortbl;\\red0\\green0\\blue255;\\red0\\green128\\blue0;}"
          "{\\*\\generator Writer;}{\\info{\\title Hidden}}"
          "\\pard\\fs20 Small {\\b Bold {\\i BoldItalic}} \\ul Under\\ulnone  {\\cf2 Green}\\par"
          "\\fs40 Big\\line next\\tab tab\\par "
          "caf\\'e9 \\uc1\\u8364? \\uc0\\u26085 \\{brace\\}\\par}",
          doc);
  EXPECT_EQ(doc.toPlainText(), QStringLiteral("Small Bold BoldItalic Under Green\nBig\nnext\ttab\ncafé € 日{brace}\n"))
      << doc.toPlainText().toStdString();
  EXPECT_EQ(Styled(doc, QStringLiteral("Small "), "size"), QStringLiteral("10"));
  EXPECT_EQ(Styled(doc, QStringLiteral("Bold "), "b"), QStringLiteral("yes"));
  EXPECT_EQ(Styled(doc, QStringLiteral("BoldItalic"), "i"), QStringLiteral("yes"));
  EXPECT_EQ(Styled(doc, QStringLiteral("BoldItalic"), "b"), QStringLiteral("yes"));
  EXPECT_EQ(Styled(doc, QStringLiteral("Under"), "u"), QStringLiteral("yes"));
  EXPECT_EQ(Styled(doc, QStringLiteral("Green"), "color"), QStringLiteral("#008000"));
  EXPECT_EQ(Styled(doc, QStringLiteral("Big\u2028next\ttab"), "size"), QStringLiteral("20"));
  EXPECT_FALSE(doc.toPlainText().contains(QStringLiteral("Hidden")));
  EXPECT_FALSE(doc.toPlainText().contains(QStringLiteral("Arial")));
}

TEST_F(TextTest, RtfBytesFollowTheDocumentCodePage) {
  QTextDocument doc;
  ReadRtf("{\\rtf1\\ansi\\ansicpg932 \\'93\\'fa\\'96\\'7b\\'8c\\'ea \\'95\\'5c}", doc);
  EXPECT_EQ(doc.toPlainText(), QStringLiteral("日本語 表"));
  // Damaged input ends without a crash.
  ReadRtf("{\\rtf1 unterminated {\\b bold \\'z", doc);
  ReadRtf("}}}}\\", doc);
  ReadRtf(QByteArray(), doc);
  SUCCEED();
}

}  // namespace
