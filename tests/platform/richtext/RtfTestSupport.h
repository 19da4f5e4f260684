#pragma once
// Helpers for the RTF tests: reading RTF into a fresh document and building small
// picture files.

#include "platform/richtext/RtfReader.h"
#include "platform/richtext/SafeDocument.h"

#include <QByteArray>
#include <QImage>
#include <QTextCharFormat>

#include <memory>

namespace tv::richtext::test {

struct ReadDoc {
  std::unique_ptr<SafeDocument> doc = std::make_unique<SafeDocument>();
  RtfReadResult result;
  QString text() const;                     // plain text, paragraphs joined by CR LF
  QTextCharFormat formatAt(int pos) const;  // format of the character at pos
  int find(const QString &needle) const;    // position of needle in the text, or -1
};

ReadDoc read(QByteArrayView rtf, const RtfLimits &limits = {});

QByteArray imageFile(const QImage &image, const char *format);
QImage testImage(int w, int h);
// A packed DIB (a BMP file without its 14-byte file header).
QByteArray packedDib(const QImage &image);
// A minimal Windows metafile whose one drawing record is StretchDIB with the DIB.
QByteArray wmfWithDib(const QByteArray &dib, bool placeable);

}  // namespace tv::richtext::test
