#include "platform/audiosetup/WavFormat.h"

#include "platform/audiosetup/SetupDevices.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace tv::audiosetup {
namespace {

constexpr quint16 kFormatPcm = 1;
constexpr quint16 kFormatExtensible = 0xFFFE;
// The KSDATAFORMAT_SUBTYPE_PCM GUID after its first two bytes (the format tag).
constexpr char kPcmGuidTail[] = "\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71";

quint16 u16(QByteArrayView b, qint64 at) { return qFromLittleEndian<quint16>(b.data() + at); }
quint32 u32(QByteArrayView b, qint64 at) { return qFromLittleEndian<quint32>(b.data() + at); }

QString plural(qint64 n, const char *one, const char *many) {
  return QString::number(n) + u' ' + QString::fromLatin1(n == 1 ? one : many);
}

struct Format {
  quint16 tag = 0;
  quint16 channels = 0;
  quint32 rate = 0;
  quint16 blockAlign = 0;
  quint16 bits = 0;

  QString describe() const {
    QString text = QString::number(rate) + QStringLiteral(" Hz, ") +
                   plural(channels, "channel", "channels") + QStringLiteral(", ") +
                   QString::number(bits) + QStringLiteral(" bit");
    if (tag != kFormatPcm) text = QStringLiteral("format %1, ").arg(tag) + text;
    return text;
  }
  bool usable() const {
    return tag == kFormatPcm && channels == 1 && rate == quint32(kSampleRate) && bits == 16 &&
           blockAlign == 2;
  }
};

}  // namespace

std::optional<WavData> ReadWavLayout(QByteArrayView head, qint64 fileSize, QString &why) {
  head = head.first(std::min<qint64>(head.size(), std::min(fileSize, kMaxWavHeaderBytes)));
  if (head.size() < 12 || head.first(4) != "RIFF" || head.sliced(8, 4) != "WAVE") {
    why = QStringLiteral("WAVファイルではありません。");
    return std::nullopt;
  }
  std::optional<Format> format;
  qint64 pos = 12;
  while (true) {
    if (pos + 8 > head.size()) {
      why = pos + 8 > fileSize ? QStringLiteral("WAVファイルに音声データがありません。")
                               : QStringLiteral("WAVファイルの音声データの前の部分が長すぎます。");
      return std::nullopt;
    }
    const QByteArrayView id = head.sliced(pos, 4);
    const qint64 size = u32(head, pos + 4);
    const qint64 body = pos + 8;
    if (id == "data") {
      if (!format) {
        why = QStringLiteral("WAVファイルに形式(fmt)の情報がありません。");
        return std::nullopt;
      }
      if (!format->usable()) {
        why = QStringLiteral(
                  "WAVファイルの形式(%1)には対応していません。"
                  "48000 Hz, 1 channel, 16 bit の PCM が必要です。")
                  .arg(format->describe());
        return std::nullopt;
      }
      const qint64 bytes = std::min(size, fileSize - body);
      return WavData{body, bytes & ~qint64(1)};
    }
    if (id == "fmt ") {
      if (size < 16 || body + size > head.size()) {
        why = QStringLiteral("WAVファイルの形式(fmt)の情報が壊れています。");
        return std::nullopt;
      }
      Format f{u16(head, body), u16(head, body + 2), u32(head, body + 4), u16(head, body + 12),
               u16(head, body + 14)};
      if (f.tag == kFormatExtensible) {
        // cbSize, valid bits, channel mask, then the sub-format GUID.
        if (size < 40 || head.sliced(body + 26, 14) != QByteArrayView(kPcmGuidTail, 14)) {
          why = QStringLiteral("WAVファイルの形式(拡張形式)には対応していません。");
          return std::nullopt;
        }
        f.tag = u16(head, body + 24);
      }
      format = f;
    }
    pos = body + size + (size & 1);  // chunks are padded to an even length
  }
}

QByteArray WavHeader(qint64 dataBytes) {
  const auto bytes = quint32(std::clamp<qint64>(dataBytes, 0, 0xFFFFFFFFLL - 36));
  QByteArray h(44, '\0');
  char *p = h.data();
  auto put16 = [&p](int at, quint16 v) { qToLittleEndian(v, p + at); };
  auto put32 = [&p](int at, quint32 v) { qToLittleEndian(v, p + at); };
  memcpy(p, "RIFF", 4);
  put32(4, 36 + bytes);
  memcpy(p + 8, "WAVEfmt ", 8);
  put32(16, 16);
  put16(20, kFormatPcm);
  put16(22, 1);
  put32(24, kSampleRate);
  put32(28, kSampleRate * 2);
  put16(32, 2);
  put16(34, 16);
  memcpy(p + 36, "data", 4);
  put32(40, bytes);
  return h;
}

}  // namespace tv::audiosetup
