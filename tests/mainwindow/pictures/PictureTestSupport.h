#pragma once
// Picture files for the picture tests, and what the chat log shows on its last
// picture line.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace tv::richtext {
class RichTextView;
}

namespace tv::test {

// A picture of the size with some detail in it, as a file of the given format.
QByteArray pictureFile(QSize size, const char *format, int quality = -1);
// A PNG whose header announces the size; its pixel data is a few bytes.
QByteArray pngHeaderOnly(quint32 width, quint32 height);
// A BMP whose header announces the size over a few bytes of pixels.
QByteArray lyingBmp(qint32 width, qint32 height);
// Bytes that decode as nothing.
QByteArray garbage(qsizetype size);

struct PictureLine {
  bool found = false;
  bool placeholder = false;
  QSize size;    // of the image the view keeps
  QString text;  // the rest of the line
};
// The last line of the view that holds a picture.
PictureLine lastPictureLine(const richtext::RichTextView &view);

// The process's resident memory now and at its peak (kB, from /proc/self/status).
qint64 residentKb();
qint64 peakResidentKb();

}  // namespace tv::test
