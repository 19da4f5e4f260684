#include "irc/OutgoingText.h"

#include "ircsock/Iso2022JpEncoder.h"

namespace tv::irc {
namespace {

constexpr qsizetype kEscapeBytes = 3;  // ESC $ B or ESC ( B

// One character's share of a line: its bytes, and whether it needs the two-byte mode.
struct Unit {
  qsizetype chars = 1;  // UTF-16 units it spans
  qsizetype bytes = 0;
  bool twoByte = false;
};

Unit unitAt(QStringView text, qsizetype at) {
  Unit unit;
  if (QChar::isHighSurrogate(text[at].unicode()) && at + 1 < text.size() &&
      text[at + 1].isLowSurrogate())
    unit.chars = 2;
  const qsizetype encoded = ircsock::encodeIso2022Jp(text.sliced(at, unit.chars)).size();
  // A two-byte character encodes alone as ESC $ B, its pair, ESC ( B.
  unit.twoByte = encoded > 2;
  unit.bytes = unit.twoByte ? 2 : encoded;
  return unit;
}

// Walks the text and calls `cut` before each character that would take the running
// piece past maxBytes. Returns nothing; the caller's closure collects.
template <typename Cut>
void walk(QStringView text, qsizetype maxBytes, Cut cut) {
  qsizetype used = 0;  // bytes of the piece so far, closing escape excluded
  bool twoByte = false;
  for (qsizetype at = 0; at < text.size();) {
    const Unit unit = unitAt(text, at);
    const qsizetype switching = unit.twoByte != twoByte ? kEscapeBytes : 0;
    const qsizetype closing = unit.twoByte ? kEscapeBytes : 0;
    if (used > 0 && used + switching + unit.bytes + closing > maxBytes) {
      if (!cut(at)) return;
      used = 0;
      twoByte = false;
      continue;
    }
    used += (unit.twoByte != twoByte ? kEscapeBytes : 0) + unit.bytes;
    twoByte = unit.twoByte;
    at += unit.chars;
  }
}

}  // namespace

QString cleanOutgoing(QString text) {
  for (QChar &c : text)
    if (c == u'\r' || c == u'\n' || c == QChar(u'\0')) c = u' ';
  return text;
}

qsizetype encodedLength(QStringView text) { return ircsock::encodeIso2022Jp(text).size(); }

QStringList splitForSending(QStringView text, qsizetype maxBytes) {
  QStringList pieces;
  qsizetype start = 0;
  walk(text, maxBytes, [&](qsizetype at) {
    pieces.append(text.sliced(start, at - start).toString());
    start = at;
    return true;
  });
  pieces.append(text.sliced(start).toString());
  return pieces;
}

QString fitLine(QStringView line, qsizetype maxBytes) {
  if (encodedLength(line) <= maxBytes) return line.toString();
  qsizetype end = line.size();
  walk(line, maxBytes, [&](qsizetype at) {
    end = at;
    return false;
  });
  return line.first(end).toString();
}

}  // namespace tv::irc
