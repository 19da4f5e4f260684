// The WAV header reader: what it accepts, where it finds the samples, and what it says
// when it refuses.
#include "platform/audiosetup/WavFormat.h"

#include <gtest/gtest.h>

#include <QtEndian>

using tv::audiosetup::ReadWavLayout;
using tv::audiosetup::WavHeader;

namespace {

QByteArray u16(quint16 v) {
  QByteArray b(2, '\0');
  qToLittleEndian(v, b.data());
  return b;
}
QByteArray u32(quint32 v) {
  QByteArray b(4, '\0');
  qToLittleEndian(v, b.data());
  return b;
}
QByteArray chunk(const char *id, const QByteArray &body, qint64 claimed = -1) {
  QByteArray c = QByteArray(id, 4) + u32(quint32(claimed < 0 ? body.size() : claimed)) + body;
  if (body.size() % 2) c += '\0';
  return c;
}
QByteArray fmt(quint16 tag, quint16 channels, quint32 rate, quint16 bits) {
  const quint16 align = quint16(channels * bits / 8);
  return chunk("fmt ",
               u16(tag) + u16(channels) + u32(rate) + u32(rate * align) + u16(align) + u16(bits));
}
QByteArray extensible(quint16 subFormat) {
  const QByteArray guidTail("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
  return chunk("fmt ", u16(0xFFFE) + u16(1) + u32(48000) + u32(96000) + u16(2) + u16(16) + u16(22) +
                           u16(16) + u32(4) + u16(subFormat) + guidTail);
}
QByteArray riff(const QByteArray &chunks) {
  return "RIFF" + u32(quint32(chunks.size() + 4)) + "WAVE" + chunks;
}

TEST(WavFormat, ReadsWhatItCanPlayAndNamesWhatItCannot) {
  const QByteArray pcm = fmt(1, 1, 48000, 16);
  const QByteArray samples(100, '\x01');
  struct Case {
    const char *what;
    QByteArray file;
    qint64 offset;    // -1: refused
    qint64 bytes;     // when accepted
    const char *why;  // part of the reason when refused
  } cases[] = {
      {"plain PCM", riff(pcm + chunk("data", samples)), 44, 100, ""},
      {"WAV header we write", WavHeader(100) + samples, 44, 100, ""},
      {"EXTENSIBLE with PCM", riff(extensible(1) + chunk("data", samples)), 68, 100, ""},
      {"odd chunk before fmt", riff(chunk("LIST", "abc") + pcm + chunk("data", samples)), 56, 100,
       ""},
      {"data shorter than claimed", riff(pcm + chunk("data", samples.left(50), 4800)), 44, 50, ""},
      {"CD audio", riff(fmt(1, 2, 44100, 16) + chunk("data", samples)), -1, 0,
       "44100 Hz, 2 channels, 16 bit"},
      {"float samples", riff(fmt(3, 1, 48000, 32) + chunk("data", samples)), -1, 0,
       "format 3, 48000 Hz, 1 channel, 32 bit"},
      {"EXTENSIBLE float", riff(extensible(3) + chunk("data", samples)), -1, 0, "format 3"},
      {"data before fmt", riff(chunk("data", samples) + pcm), -1, 0, "fmt"},
      {"no data", riff(pcm), -1, 0, "音声データがありません"},
      {"not RIFF", "RIFX" + riff(pcm).mid(4), -1, 0, "WAVファイルではありません"},
      {"chunk past the end", riff(chunk("junk", "", 0xFFFFFFF0) + pcm), -1, 0,
       "音声データがありません"},
  };
  for (const Case &c : cases) {
    QString why;
    const auto layout = ReadWavLayout(c.file, c.file.size(), why);
    if (c.offset < 0) {
      EXPECT_FALSE(layout) << c.what;
      EXPECT_TRUE(why.contains(QString::fromUtf8(c.why))) << c.what << ": " << why.toStdString();
    } else {
      ASSERT_TRUE(layout) << c.what << ": " << why.toStdString();
      EXPECT_EQ(layout->offset, c.offset) << c.what;
      EXPECT_EQ(layout->bytes, c.bytes) << c.what;
    }
  }
}

}  // namespace
