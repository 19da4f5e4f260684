// The ISO-2022-JP line decoder on bytes from an IRC server. The first input byte says
// where the stream is split in two arrivals; the split must not change the lines. Every
// line is non-empty, bounded, free of line breaks, NUL and ESC, and, where it decoded
// without replacement, encodes back to bytes that decode to the same line.
#include "ircsock/Iso2022JpDecoder.h"
#include "ircsock/Iso2022JpEncoder.h"

#include <QStringList>

#include <cstdlib>

namespace {

using tv::ircsock::Iso2022JpDecoder;

QStringList decodeInPieces(QByteArrayView stream, qsizetype split, int stopEvery) {
  QStringList lines;
  Iso2022JpDecoder decoder;
  int count = 0;
  const auto sink = [&](QString &&line, qsizetype cut) {
    if (line.isEmpty() || line.size() > Iso2022JpDecoder::kMaxLineChars || cut < 0) std::abort();
    lines.append(std::move(line));
    return stopEvery == 0 || ++count % stopEvery != 0;
  };
  for (QByteArrayView piece : {stream.first(split), stream.sliced(split)}) {
    // A sink that stops makes the caller resume with the rest, as TvIRC does.
    while (!piece.isEmpty()) piece = piece.sliced(decoder.feed(piece, sink));
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0) return 0;
  const QByteArrayView stream(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
  const qsizetype split = stream.size() * data[0] / 255;
  const QStringList whole = decodeInPieces(stream, 0, 0);
  if (decodeInPieces(stream, split, 0) != whole) std::abort();
  if (decodeInPieces(stream, split, 3) != whole) std::abort();

  for (const QString &line : whole) {
    for (const QChar ch : line)
      if (ch == u'\n' || ch == u'\r' || ch == u'\0' || ch == u'\x1b' || ch.isSurrogate())
        std::abort();
    if (line.contains(QChar(0xFFFD))) continue;
    const auto bytes = tv::ircsock::encodeIrcLine(line);
    if (!bytes) continue;  // too long to send, which is fine for a received line
    if (tv::ircsock::decodeIso2022JpLines(*bytes) != QStringList{line}) std::abort();
  }
  return 0;
}
