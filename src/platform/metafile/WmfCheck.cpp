#include "platform/metafile/WmfCheck.h"

#include <QtEndian>

#include <algorithm>
#include <cstdlib>

namespace tv::metafile {
namespace {

constexpr quint32 kPlaceableKey = 0x9AC6CDD7u;
constexpr qsizetype kPlaceableBytes = 22;
constexpr qsizetype kHeaderBytes = 18;
constexpr quint16 kHeaderWords = 9;
constexpr qsizetype kRecordHeaderBytes = 6;
constexpr quint16 kEof = 0x0000;
constexpr quint16 kSetWindowExt = 0x020C;
constexpr qint64 kPointsPerInch = 72;  // what the helper draws at

quint16 u16(QByteArrayView d, qsizetype at) { return qFromLittleEndian<quint16>(d.data() + at); }
qint16 i16(QByteArrayView d, qsizetype at) { return qFromLittleEndian<qint16>(d.data() + at); }
quint32 u32(QByteArrayView d, qsizetype at) { return qFromLittleEndian<quint32>(d.data() + at); }

bool standardHeaderAt(QByteArrayView d, qsizetype at) {
  if (d.size() - at < kHeaderBytes) return false;
  const quint16 type = u16(d, at);
  return (type == 1 || type == 2) && u16(d, at + 2) == kHeaderWords;
}

int pixels(qint64 units, qint64 perInch) {
  const qint64 px = std::llabs(units) * kPointsPerInch / perInch;
  return int(std::clamp<qint64>(px, 1, 1 << 30));
}

}  // namespace

bool looksLikeWmf(QByteArrayView data) {
  return (data.size() >= 4 && u32(data, 0) == kPlaceableKey) || standardHeaderAt(data, 0);
}

WmfInfo checkWmf(QByteArrayView data, int maxRecords) {
  WmfInfo info;
  qsizetype at = 0;
  if (data.size() >= 4 && u32(data, 0) == kPlaceableKey) {
    if (data.size() < kPlaceableBytes) return info;
    info.placeable = true;
    const qint64 width = qint64(i16(data, 10)) - i16(data, 6);
    const qint64 height = qint64(i16(data, 12)) - i16(data, 8);
    const quint16 inch = u16(data, 14);
    info.verdict = WmfVerdict::BadHeader;
    if (inch == 0 || width == 0 || height == 0) return info;
    info.size = QSize(pixels(width, inch), pixels(height, inch));
    at = kPlaceableBytes;
  }
  if (!standardHeaderAt(data, at)) {
    info.verdict = info.placeable ? WmfVerdict::BadHeader : WmfVerdict::NotMetafile;
    return info;
  }
  info.verdict = WmfVerdict::BadHeader;
  const quint16 version = u16(data, at + 4);
  const qint64 totalWords = u32(data, at + 6);
  const qint64 maxRecordWords = u32(data, at + 12);
  const qint64 available = data.size() - at;
  if ((version != 0x0100 && version != 0x0300) || totalWords < kHeaderWords ||
      totalWords * 2 > available || maxRecordWords < 3 || maxRecordWords * 2 > available)
    return info;

  // Every record lies inside the data and within the header's largest record, up to
  // and including the end-of-file record.
  qsizetype pos = at + kHeaderBytes;
  while (true) {
    if (data.size() - pos < kRecordHeaderBytes) {
      info.verdict = pos >= data.size() ? WmfVerdict::NoEnd : WmfVerdict::RecordPastEnd;
      return info;
    }
    if (info.records >= maxRecords) {
      info.verdict = WmfVerdict::TooManyRecords;
      return info;
    }
    const qint64 words = u32(data, pos);
    const quint16 function = u16(data, pos + 4);
    if (words < 3 || words > maxRecordWords || words * 2 > data.size() - pos) {
      info.verdict = WmfVerdict::RecordPastEnd;
      return info;
    }
    ++info.records;
    if (function == kEof) break;
    if (function == kSetWindowExt && words >= 5 && !info.placeable && info.size.isEmpty()) {
      const int height = std::abs(int(i16(data, pos + 6)));
      const int width = std::abs(int(i16(data, pos + 8)));
      if (width > 0 && height > 0) info.size = QSize(width, height);
    }
    pos += words * 2;
  }
  info.verdict = WmfVerdict::Ok;
  return info;
}

}  // namespace tv::metafile
