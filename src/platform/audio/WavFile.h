#pragma once
// WAV files of the voice format: reading a capture file (checked, bounded) and writing a
// playback file that stays valid while it grows (its sizes are rewritten as it goes).
//
// Accepted: RIFF/WAVE, PCM (format 1, or EXTENSIBLE with the PCM sub-format), 48000 Hz,
// 1 channel, 16 bit. Other chunks are skipped; every size is checked against the file;
// a data chunk cut short by the file's end gives the samples that are there. Anything
// else is refused, naming what was found ("44100 Hz, 2 channels, 16 bit").

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace tv::audio {

// Longest capture file read: about 45 minutes of voice.
inline constexpr qint64 kMaxWavFileBytes = 256 * 1024 * 1024;

// The samples of a WAV file's bytes; empty optional with `error` set when refused.
std::optional<std::vector<int16_t>> parseWav(QByteArrayView file, QString &error);
// The same from a file (missing, unreadable or too large files are refused too).
std::optional<std::vector<int16_t>> readWavFile(const QString &path, QString &error);

// The 44-byte header of a voice-format file holding `dataBytes` of samples.
void wavHeader(uint8_t out[44], uint32_t dataBytes);

// A growing playback file. Not thread-safe: one thread writes.
class WavWriter {
 public:
  WavWriter() = default;
  ~WavWriter();
  WavWriter(const WavWriter &) = delete;
  WavWriter &operator=(const WavWriter &) = delete;

  // Creates or replaces the file with an empty voice-format file. False with the
  // reason in `error`.
  bool create(const QString &path, QString &error);
  bool isOpen() const { return fd_ >= 0; }
  // Appends samples. False on a write error (the file keeps what was written).
  bool append(const int16_t *samples, int count);
  // Rewrites the header's sizes for what has been appended so far.
  bool updateSizes();
  // Sizes rewritten, then closed.
  void close();

 private:
  int fd_ = -1;
  uint64_t dataBytes_ = 0;
};

}  // namespace tv::audio
