#pragma once
#include <QByteArray>

// Byte rules of the 8-bit system code page: UTF-8 here, Shift-JIS (CP932)
// where the program runs in that code page. A trailing byte of a double-byte
// character is never taken for an ASCII character such as "\" or "[".
namespace platform {

enum class CodePage { Utf8, ShiftJis };
CodePage ActiveCodePage();
void SetActiveCodePage(CodePage cp);  // tests

// Length in bytes of the character that starts at text[i].
int CharLength(const QByteArray& text, int i);
// Byte index where the last character of text starts (-1 when empty).
int LastCharStart(const QByteArray& text);

}  // namespace platform

namespace platform {

// The text in Shift-JIS (CP932) bytes as a Japanese system holds it;
// characters CP932 lacks become "?".
QByteArray ToCp932(const QString& text);

}  // namespace platform
