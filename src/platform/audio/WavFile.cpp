#include "platform/audio/WavFile.h"

#include "platform/audio/AudioFormat.h"
#include "platform/text/TextFile.h"

#include <QFile>

#include <algorithm>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace tv::audio {

namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;
// The PCM sub-format of an EXTENSIBLE header: 00000001-0000-0010-8000-00AA00389B71.
constexpr uint8_t kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                       0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

uint16_t le16(const uint8_t *p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t le32(const uint8_t *p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
void put16(uint8_t *p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void put32(uint8_t *p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

struct Format {
  uint16_t tag = 0;
  uint16_t channels = 0;
  uint32_t rate = 0;
  uint16_t bits = 0;
  uint16_t blockAlign = 0;
  bool pcmSubFormat = true;
};

QString describe(const Format &f) {
  QString text = QStringLiteral("%1 Hz, %2 %3, %4 bit")
                     .arg(f.rate)
                     .arg(f.channels)
                     .arg(f.channels == 1 ? QStringLiteral("channel") : QStringLiteral("channels"))
                     .arg(f.bits);
  if (f.tag != kFormatPcm && !(f.tag == kFormatExtensible && f.pcmSubFormat))
    text += QStringLiteral(", format 0x%1 (not PCM)").arg(f.tag, 0, 16);
  else if (f.blockAlign != f.channels * ((f.bits + 7) / 8))
    text += QStringLiteral(", %1 bytes per sample frame").arg(f.blockAlign);
  return text;
}

// Reads the fmt chunk's body; false with `error` for a body too short for its tag.
bool readFormat(const uint8_t *p, uint32_t size, Format &f, QString &error) {
  if (size < 16) {
    error = QStringLiteral("fmt chunk too short (%1 bytes)").arg(size);
    return false;
  }
  f.tag = le16(p);
  f.channels = le16(p + 2);
  f.rate = le32(p + 4);
  f.blockAlign = le16(p + 12);
  f.bits = le16(p + 14);
  if (f.tag == kFormatExtensible) {
    if (size < 40 || le16(p + 16) < 22) {
      error = QStringLiteral("EXTENSIBLE fmt chunk too short (%1 bytes)").arg(size);
      return false;
    }
    f.pcmSubFormat = std::memcmp(p + 24, kPcmSubFormat, 16) == 0;
    // Fewer valid bits than the container holds is another format.
    if (const uint16_t valid = le16(p + 18); valid != 0) f.bits = std::min(valid, f.bits);
  }
  return true;
}

}  // namespace

std::optional<std::vector<int16_t>> parseWav(QByteArrayView file, QString &error) {
  const auto *bytes = reinterpret_cast<const uint8_t *>(file.data());
  const qsizetype size = file.size();
  if (size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0) {
    error = QStringLiteral("not a RIFF/WAVE file");
    return std::nullopt;
  }
  std::optional<Format> format;
  qsizetype at = 12;
  while (at + 8 <= size) {
    const uint8_t *chunk = bytes + at;
    const uint32_t chunkSize = le32(chunk + 4);
    const qsizetype body = at + 8;
    const qsizetype remaining = size - body;
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (qsizetype(chunkSize) > remaining) {
        error = QStringLiteral("fmt chunk runs past the end of the file");
        return std::nullopt;
      }
      Format f;
      if (!readFormat(bytes + body, chunkSize, f, error)) return std::nullopt;
      format = f;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      if (!format) {
        error = QStringLiteral("no fmt chunk before the data");
        return std::nullopt;
      }
      const Format &f = *format;
      const bool pcm = f.tag == kFormatPcm || (f.tag == kFormatExtensible && f.pcmSubFormat);
      if (!pcm || f.rate != uint32_t(kSampleRate) || f.channels != 1 || f.bits != 16 ||
          f.blockAlign != 2) {
        error = describe(f);
        return std::nullopt;
      }
      // A data chunk cut short (or of unknown size) gives what the file holds.
      const qsizetype dataBytes = std::min<qsizetype>(chunkSize, remaining) & ~qsizetype(1);
      std::vector<int16_t> samples(size_t(dataBytes / 2));
      for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(le16(bytes + body + 2 * qsizetype(i)));
      return samples;
    } else if (qsizetype(chunkSize) > remaining) {
      error = QStringLiteral("a chunk runs past the end of the file");
      return std::nullopt;
    }
    at = body + qsizetype(chunkSize) + (chunkSize & 1);
  }
  error = format ? QStringLiteral("no data chunk") : QStringLiteral("no fmt chunk");
  return std::nullopt;
}

std::optional<std::vector<int16_t>> readWavFile(const QString &path, QString &error) {
  if (!QFile::exists(path)) {
    error = QStringLiteral("file not found: ") + path;
    return std::nullopt;
  }
  const std::optional<QByteArray> bytes = text::readFileBounded(path, kMaxWavFileBytes);
  if (!bytes) {
    error = QStringLiteral("cannot read the file (unreadable, or larger than %1 MiB): ")
                .arg(kMaxWavFileBytes >> 20) +
            path;
    return std::nullopt;
  }
  return parseWav(*bytes, error);
}

void wavHeader(uint8_t out[44], uint32_t dataBytes) {
  std::memcpy(out, "RIFF", 4);
  put32(out + 4, 36 + dataBytes);
  std::memcpy(out + 8, "WAVEfmt ", 8);
  put32(out + 16, 16);
  put16(out + 20, kFormatPcm);
  put16(out + 22, 1);
  put32(out + 24, kSampleRate);
  put32(out + 28, kSampleRate * 2);
  put16(out + 32, 2);
  put16(out + 34, 16);
  std::memcpy(out + 36, "data", 4);
  put32(out + 40, dataBytes);
}

WavWriter::~WavWriter() { close(); }

bool WavWriter::create(const QString &path, QString &error) {
  close();
  const QByteArray name = QFile::encodeName(path);
  fd_ = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    error =
        QStringLiteral("cannot create %1: %2").arg(path, QString::fromLocal8Bit(strerror(errno)));
    return false;
  }
  dataBytes_ = 0;
  uint8_t header[44];
  wavHeader(header, 0);
  if (::write(fd_, header, sizeof header) != qsizetype(sizeof header)) {
    error =
        QStringLiteral("cannot write %1: %2").arg(path, QString::fromLocal8Bit(strerror(errno)));
    close();
    return false;
  }
  return true;
}

bool WavWriter::append(const int16_t *samples, int count) {
  if (fd_ < 0) return false;
  uint8_t buffer[2 * 1024];
  while (count > 0) {
    const int n = std::min(count, int(sizeof buffer / 2));
    for (int i = 0; i < n; ++i) put16(buffer + 2 * i, uint16_t(samples[i]));
    size_t left = size_t(2 * n);
    const uint8_t *p = buffer;
    while (left > 0) {
      const ssize_t w = ::write(fd_, p, left);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return false;
      p += w;
      left -= size_t(w);
    }
    dataBytes_ += uint64_t(2 * n);
    samples += n;
    count -= n;
  }
  return true;
}

bool WavWriter::updateSizes() {
  if (fd_ < 0) return false;
  // A RIFF file cannot say more than 4 GiB; the sizes then stay at the largest value.
  const uint32_t data = uint32_t(std::min<uint64_t>(dataBytes_, 0xFFFFFFFFu - 36));
  uint8_t header[44];
  wavHeader(header, data);
  return ::pwrite(fd_, header + 4, 4, 4) == 4 && ::pwrite(fd_, header + 40, 4, 40) == 4;
}

void WavWriter::close() {
  if (fd_ < 0) return;
  updateSizes();
  ::close(fd_);
  fd_ = -1;
}

}  // namespace tv::audio
