// RTF from peers and files: reading never crashes or runs away, and whatever was read
// is written back and read again to the same text.
#include "platform/richtext/RtfReader.h"
#include "platform/richtext/RtfWriter.h"
#include "platform/richtext/SafeDocument.h"

#include <QGuiApplication>
#include <QTextCursor>

#include <cstdlib>

namespace {

tv::richtext::RtfLimits limits() {
  tv::richtext::RtfLimits l;
  l.maxInputBytes = 4 << 20;
  l.maxTextChars = 1 << 20;
  l.maxPictureBytes = 1 << 20;
  l.maxPicturesBytes = 4 << 20;
  l.maxPicturePixels = 1 << 20;
  return l;
}

// Characters the writer leaves out on purpose: control characters and stray object
// marks that are not pictures.
QString comparable(QString text) {
  text.removeIf([](QChar c) {
    return (c.unicode() < 0x20 && c != u'\t' && c != u'\r' && c != u'\n') ||
           c == QChar::ObjectReplacementCharacter;
  });
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
  tv::richtext::SafeDocument doc;
  QTextCursor cursor(&doc);
  const auto result = tv::richtext::readRtf(bytes, cursor, limits());
  if (!result.ok()) {
    if (!doc.isEmpty()) std::abort();  // refused input inserts nothing
    return 0;
  }
  const QByteArray written = tv::richtext::writeRtf(doc);
  tv::richtext::SafeDocument again;
  QTextCursor cursor2(&again);
  if (!tv::richtext::readRtf(written, cursor2, limits()).ok()) std::abort();
  if (comparable(tv::richtext::plainTextOf(doc)) != comparable(tv::richtext::plainTextOf(again)))
    std::abort();
  return 0;
}
