#pragma once
// The WAV files the file-backed sound devices read and write: RIFF/WAVE with 16-bit
// PCM samples (format 1, or EXTENSIBLE with the PCM sub-format), 48000 Hz, one
// channel, little-endian. Pure functions on bytes; the header reader is fuzzed.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace tv::audiosetup {

// Where the samples lie in the file.
struct WavData {
  qint64 offset = 0;  // of the first sample
  qint64 bytes = 0;   // whole samples only; what the file really holds
};

// Chunks before the samples must fit in this many bytes from the start of the file.
inline constexpr qint64 kMaxWavHeaderBytes = 64 * 1024;

// Reads the layout of a WAV file of `fileSize` bytes from its first bytes `head` (up to
// kMaxWavHeaderBytes; fewer when the file is shorter). Unknown chunks are skipped. A
// data chunk that claims more than the file holds gives what is there. Anything but
// 48000 Hz mono 16-bit PCM is refused with the reason in `why`, naming what was found
// ("44100 Hz, 2 channels, 16 bit").
std::optional<WavData> ReadWavLayout(QByteArrayView head, qint64 fileSize, QString &why);

// The 44-byte header of a file holding `dataBytes` bytes of 48000 Hz mono 16-bit PCM.
QByteArray WavHeader(qint64 dataBytes);

}  // namespace tv::audiosetup
