#include "platform/peer/VoiceTypes.h"

namespace tv::peer {

const QList<CompressionInfo> &compressionTypes() {
  static const QList<CompressionInfo> types = [] {
    struct Row {
      quint32 bits;
      const char *guid;
    };
    const Row rows[] = {
        {6000, "{8A3E51C0-6F2B-4D7A-9C15-2B7E40D1A601}"},
        {8000, "{8A3E51C0-6F2B-4D7A-9C15-2B7E40D1A602}"},
        {12000, "{8A3E51C0-6F2B-4D7A-9C15-2B7E40D1A603}"},
        {16000, "{8A3E51C0-6F2B-4D7A-9C15-2B7E40D1A604}"},
        {24000, "{8A3E51C0-6F2B-4D7A-9C15-2B7E40D1A605}"},
        {32000, "{8A3E51C0-6F2B-4D7A-9C15-2B7E40D1A606}"},
        {48000, "{8A3E51C0-6F2B-4D7A-9C15-2B7E40D1A607}"},
        {64000, "{8A3E51C0-6F2B-4D7A-9C15-2B7E40D1A608}"},
    };
    // "SC0n" numbers the codecs by rising bit rate. SC03 (12 kbit/s) is the one the
    // connection dialog offers first: clear speech at a rate every link can carry.
    QList<CompressionInfo> list;
    int n = 0;
    for (const Row &r : rows)
      list.append(
          {QStringLiteral("Opus SC%1 %2kbps").arg(++n, 2, 10, QLatin1Char('0')).arg(r.bits / 1000),
           QUuid(QLatin1String(r.guid)), r.bits});
    return list;
  }();
  return types;
}

const CompressionInfo *findCompressionType(const QUuid &guid) {
  for (const CompressionInfo &c : compressionTypes())
    if (c.guid == guid) return &c;
  return nullptr;
}

quint32 compressionTypeCount() { return quint32(compressionTypes().size()); }

Result compressionType(quint32 n, CompressionInfo &out) {
  if (n < 1 || n > compressionTypeCount()) return DVERR_INVALIDPARAM;
  out = compressionTypes().at(n - 1);
  return kOk;
}

bool isValidClientConfig(const VoiceClientConfig &c) {
  auto inRange = [](qint32 v, qint32 lo, qint32 hi) { return v >= lo && v <= hi; };
  return (c.flags & ~kClientKnownFlags) == 0 && inRange(c.recordVolume, kVolumeMin, kVolumeMax) &&
         inRange(c.playbackVolume, kVolumeMin, kVolumeMax) && inRange(c.threshold, 0, 99) &&
         inRange(c.bufferQuality, 0, 15) && inRange(c.bufferAggressiveness, 0, 100) &&
         inRange(c.notifyPeriodMs, 0, 10000);
}

}  // namespace tv::peer
