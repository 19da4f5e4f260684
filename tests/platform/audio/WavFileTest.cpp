// Capture files are read only in the voice format and within the file's bounds; a
// playback file is a valid WAV file while it grows and after it is closed.
#include "common/TestSupport.h"
#include "platform/audio/WavFile.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QtEndian>

namespace tv::audio {
namespace {

QByteArray le16(int v) {
  QByteArray b(2, 0);
  qToLittleEndian(quint16(v), b.data());
  return b;
}
QByteArray le32(quint32 v) {
  QByteArray b(4, 0);
  qToLittleEndian(v, b.data());
  return b;
}
QByteArray chunk(const char *id, const QByteArray &body, quint32 size = 0xFFFFFFFE) {
  const QByteArray pad = body.size() % 2 ? QByteArray(1, 0) : QByteArray();
  return QByteArray(id, 4) + le32(size == 0xFFFFFFFE ? quint32(body.size()) : size) + body + pad;
}
QByteArray fmt(int tag, int channels, int rate, int bits) {
  return le16(tag) + le16(channels) + le32(quint32(rate)) +
         le32(quint32(rate * channels * bits / 8)) + le16(channels * bits / 8) + le16(bits);
}
QByteArray extensible(int validBits, bool pcm) {
  QByteArray guid = QByteArray::fromHex("0100000000001000800000aa00389b71");
  if (!pcm) guid[0] = 3;
  return fmt(0xFFFE, 1, 48000, 16) + le16(22) + le16(validBits) + le32(4) + guid;
}
QByteArray riff(const QByteArray &chunks) {
  return "RIFF" + le32(quint32(4 + chunks.size())) + "WAVE" + chunks;
}
const QByteArray kSamples = le16(1) + le16(-2) + le16(32767);

TEST(WavFile, VoiceFormatFilesAreReadAndOthersRefusedByWhatTheyAre) {
  struct Case {
    const char *what;
    QByteArray file;
    int samples;        // -1: refused
    const char *error;  // part of the refusal
  } cases[] = {
      {"PCM", riff(chunk("fmt ", fmt(1, 1, 48000, 16)) + chunk("data", kSamples)), 3, ""},
      {"EXTENSIBLE PCM", riff(chunk("fmt ", extensible(16, true)) + chunk("data", kSamples)), 3,
       ""},
      {"other chunks, odd-sized, skipped",
       riff(chunk("LIST", "abc") + chunk("fmt ", fmt(1, 1, 48000, 16)) + chunk("fact", "x") +
            chunk("data", kSamples)),
       3, ""},
      {"data cut short by the file's end",
       riff(chunk("fmt ", fmt(1, 1, 48000, 16)) + chunk("data", kSamples, 1000)), 3, ""},
      {"data of unknown size",
       riff(chunk("fmt ", fmt(1, 1, 48000, 16)) + chunk("data", kSamples, 0xFFFFFFFF)), 3, ""},
      {"odd byte at the end",
       riff(chunk("fmt ", fmt(1, 1, 48000, 16)) + chunk("data", kSamples + 'x', 7)), 3, ""},
      {"not RIFF", "RIFX" + riff({}).mid(4), -1, "not a RIFF/WAVE file"},
      {"empty", {}, -1, "not a RIFF/WAVE file"},
      {"CD audio", riff(chunk("fmt ", fmt(1, 2, 44100, 16)) + chunk("data", kSamples)), -1,
       "44100 Hz, 2 channels, 16 bit"},
      {"8 bit", riff(chunk("fmt ", fmt(1, 1, 48000, 8)) + chunk("data", kSamples)), -1,
       "48000 Hz, 1 channel, 8 bit"},
      {"float", riff(chunk("fmt ", fmt(3, 1, 48000, 32)) + chunk("data", kSamples)), -1,
       "format 0x3 (not PCM)"},
      {"EXTENSIBLE float", riff(chunk("fmt ", extensible(16, false)) + chunk("data", kSamples)), -1,
       "not PCM"},
      {"EXTENSIBLE 12 valid bits",
       riff(chunk("fmt ", extensible(12, true)) + chunk("data", kSamples)), -1, "12 bit"},
      {"data before fmt", riff(chunk("data", kSamples) + chunk("fmt ", fmt(1, 1, 48000, 16))), -1,
       "no fmt chunk before the data"},
      {"no data", riff(chunk("fmt ", fmt(1, 1, 48000, 16))), -1, "no data chunk"},
      {"chunk past the end", riff(chunk("LIST", "ab", 0x7FFFFFFF) + chunk("data", kSamples)), -1,
       "runs past the end"},
      {"fmt too short",
       riff(chunk("fmt ", fmt(1, 1, 48000, 16).left(14)) + chunk("data", kSamples)), -1,
       "fmt chunk too short"},
  };
  for (const Case &c : cases) {
    QString error;
    const auto samples = parseWav(c.file, error);
    if (c.samples < 0) {
      EXPECT_FALSE(samples) << c.what;
      EXPECT_TRUE(error.contains(QString::fromUtf8(c.error)))
          << c.what << ": " << error.toStdString();
    } else {
      ASSERT_TRUE(samples) << c.what << ": " << error.toStdString();
      EXPECT_EQ(samples->size(), size_t(c.samples)) << c.what;
      EXPECT_EQ(samples->at(1), -2) << c.what;
    }
  }
}

TEST(WavFile, APlaybackFileIsValidWhileItGrowsAndCompleteWhenClosed) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("out.wav"));
  tv::test::writeBytes(path, "an older file of that name");
  WavWriter writer;
  QString error;
  ASSERT_TRUE(writer.create(path, error));
  const std::vector<int16_t> block(480, 1234);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(writer.append(block.data(), int(block.size())));
  ASSERT_TRUE(writer.updateSizes());
  const auto read = [&] { return parseWav(tv::test::readBytes(path), error); };
  ASSERT_TRUE(read());
  EXPECT_EQ(read()->size(), 1440u);
  ASSERT_TRUE(writer.append(block.data(), 10));
  EXPECT_EQ(read()->size(), 1440u) << "sizes lag behind until rewritten, and still read";
  writer.close();
  EXPECT_EQ(tv::test::readBytes(path).size(), 44 + 2 * 1450);
  EXPECT_EQ(read()->back(), 1234);
  EXPECT_FALSE(writer.create(dir.filePath(QStringLiteral("no/such/folder.wav")), error));
  EXPECT_TRUE(error.contains(QStringLiteral("cannot create")));
}

}  // namespace
}  // namespace tv::audio
