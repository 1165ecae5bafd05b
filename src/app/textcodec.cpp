#include "app/textcodec.h"

#include <QRegularExpression>

#include <iconv.h>
#include <uchardet.h>

QString DecodeAs(const QByteArray& bytes, const char* encoding) {
  iconv_t cd = iconv_open("UTF-8", encoding);
  if (cd == reinterpret_cast<iconv_t>(-1)) return QString();
  QByteArray out(bytes.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(bytes.constData());
  size_t inLeft = static_cast<size_t>(bytes.size());
  char* o = out.data();
  size_t outLeft = static_cast<size_t>(out.size());
  const size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) return QString();
  out.truncate(out.size() - static_cast<qsizetype>(outLeft));
  return QString::fromUtf8(out);
}

QString DecodeText(const QByteArray& bytes) {
  if (bytes.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(bytes.mid(3));
  if (bytes.startsWith("\xFF\xFE")) return DecodeAs(bytes.mid(2), "UTF-16LE");
  if (bytes.startsWith("\xFE\xFF")) return DecodeAs(bytes.mid(2), "UTF-16BE");
  uchardet_t detector = uchardet_new();
  uchardet_handle_data(detector, bytes.constData(), static_cast<size_t>(bytes.size()));
  uchardet_data_end(detector);
  const QByteArray charset = uchardet_get_charset(detector);
  uchardet_delete(detector);
  if (!charset.isEmpty() && charset != "ASCII") {
    // Shift-JIS as Windows writes it has extra characters: read it as CP932.
    const QByteArray name = charset.toUpper() == "SHIFT_JIS" ? QByteArray("CP932") : charset;
    const QString text = DecodeAs(bytes, name.constData());
    if (!text.isEmpty() || bytes.isEmpty()) return text;
  }
  const QString utf8 = QString::fromUtf8(bytes);
  if (!utf8.contains(QChar::ReplacementCharacter)) return utf8;
  const QString sjis = DecodeAs(bytes, "CP932");
  return sjis.isEmpty() ? utf8 : sjis;
}

QByteArray HtmlMetaCharset(const QByteArray& page) {
  static const QRegularExpression meta(QStringLiteral("<meta[^>]*charset\\s*=\\s*[\"']?([A-Za-z0-9_.:-]+)"),
                                       QRegularExpression::CaseInsensitiveOption);
  const auto m = meta.match(QString::fromLatin1(page.left(4096)));
  return m.hasMatch() ? m.captured(1).toLatin1() : QByteArray();
}
