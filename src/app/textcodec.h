#pragma once
#include <QByteArray>
#include <QString>

// Text in whatever encoding a member came in: a BOM decides first, then
// the encoding detector (UTF-8, Shift-JIS, EUC-JP, ISO-2022-JP, ...).
QString DecodeText(const QByteArray& bytes);
// Bytes in a named encoding (iconv's names, e.g. "CP932"); empty on failure.
QString DecodeAs(const QByteArray& bytes, const char* encoding);
// The charset an HTML page names in its meta tag, or empty.
QByteArray HtmlMetaCharset(const QByteArray& page);
