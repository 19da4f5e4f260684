#pragma once
// Writes rich text as RTF 1.x for code page 932: a font table (\fcharset128 for
// Japanese fonts), a colour table, sizes, bold, italic, underline, strike-through,
// colours, paragraphs and pictures (\pngblip or \jpegblip). Text in Japanese fonts is
// written as CP932 bytes (\'hh); characters CP932 lacks, and every non-ASCII character
// in other fonts, as \uN with '?' for readers that do not know \u.

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace tv::richtext {

// The characters [start, end) of the document as a complete RTF document. An end of
// -1 means the end of the document. A range that ends after a paragraph's last
// character includes that paragraph's end (\par).
QByteArray writeRtf(const QTextDocument &doc, int start = 0, int end = -1);

// The same range as plain text: paragraphs and line breaks end in CR LF, pictures are
// left out.
QString plainTextOf(const QTextDocument &doc, int start = 0, int end = -1);

// Whether a font family is written with \fcharset128: Japanese names and the Japanese
// fonts commonly found on desktops.
bool isJapaneseFontFamily(const QString &family);

}  // namespace tv::richtext
