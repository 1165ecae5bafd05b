#pragma once
#include <QByteArray>

class QTextDocument;

// Reads an RTF document into a text document: paragraphs and line breaks,
// bold, italic, underline, font size, colours, tabs, \uN characters and
// \'hh bytes in the document's code page (\ansicpg, Shift-JIS for 932).
// Pictures, tables and other destinations are left out.
void ReadRtf(const QByteArray& rtf, QTextDocument& document);
