#pragma once
// Code pages of RTF text: \'hh bytes and raw 8-bit text are in the code page of the
// current font's character set, or the document's \ansicpg.

#include <QByteArrayView>
#include <QString>

namespace tv::richtext {

// The Windows code page of an RTF font character set (\fcharsetN); the document's
// code page for unknown sets; 0 for the symbol set (bytes taken as Latin-1).
int codePageOfCharset(int charset, int docCodePage);

// Decodes bytes of a Windows code page: 932 and 1252 directly, others through Qt's
// codecs where available, anything else as Latin-1.
QString decodeBytes(QByteArrayView bytes, int codePage);

}  // namespace tv::richtext
