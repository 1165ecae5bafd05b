#include "platform/mbcs.h"

#include <algorithm>

namespace platform {
namespace {

CodePage g_codePage = CodePage::Utf8;

bool IsSjisLead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

}  // namespace

CodePage ActiveCodePage() { return g_codePage; }
void SetActiveCodePage(CodePage cp) { g_codePage = cp; }

int CharLength(const QByteArray& text, int i) {
  const auto b = static_cast<unsigned char>(text.at(i));
  int n = 1;
  if (g_codePage == CodePage::ShiftJis) {
    n = IsSjisLead(b) ? 2 : 1;
  } else if (b >= 0xF0) {
    n = 4;
  } else if (b >= 0xE0) {
    n = 3;
  } else if (b >= 0xC0) {
    n = 2;
  }
  return std::min<int>(n, text.size() - i);
}

int LastCharStart(const QByteArray& text) {
  // Lead bytes can only be told from trail bytes by walking from the start.
  int last = -1;
  for (int i = 0; i < text.size(); i += CharLength(text, i)) last = i;
  return last;
}

}  // namespace platform

#include <QString>
#include <iconv.h>

namespace platform {

QByteArray ToCp932(const QString& text) {
  QByteArray out;
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return text.toLatin1();
  // One character at a time, so a character CP932 lacks costs only itself.
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    QByteArray in = text.mid(i, n).toUtf8();
    char buf[8];
    char* src = in.data();
    char* dst = buf;
    size_t inLeft = in.size(), outLeft = sizeof buf;
    if (iconv(cd, &src, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1)) {
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      out += '?';
    } else {
      out.append(buf, dst - buf);
    }
    i += n;
  }
  iconv_close(cd);
  return out;
}

}  // namespace platform
