#include "ircsock/Iso2022JpEncoder.h"

#include "ircsock/JisShiftJis.h"
#include "platform/text/Cp932.h"

#include <QHash>

namespace tv::ircsock {
namespace {

constexpr char kESC = 27;

// IBM extension code (0xFA40-0xFC4B) -> its NEC-selected copy (0xED40-0xEEFC).
QHash<std::uint16_t, std::uint16_t> buildIbmToNecSelected() {
  QHash<char16_t, std::uint16_t> necSelected;
  for (int lead = 0xED; lead <= 0xEE; ++lead)
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const char16_t ch = tv::text::cp932DoubleByte(std::uint8_t(lead), std::uint8_t(trail));
      if (ch != 0 && !necSelected.contains(ch))
        necSelected.insert(ch, std::uint16_t(lead << 8 | trail));
    }
  QHash<std::uint16_t, std::uint16_t> map;
  for (int lead = 0xFA; lead <= 0xFC; ++lead)
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const char16_t ch = tv::text::cp932DoubleByte(std::uint8_t(lead), std::uint8_t(trail));
      const auto it = necSelected.constFind(ch);
      if (ch != 0 && it != necSelected.cend()) map.insert(std::uint16_t(lead << 8 | trail), *it);
    }
  return map;
}

const QHash<std::uint16_t, std::uint16_t> &ibmToNecSelected() {
  static const QHash<std::uint16_t, std::uint16_t> map = buildIbmToNecSelected();
  return map;
}

// The bytes one character contributes: a single byte, or a JIS pair; nullopt for
// characters left out of the line entirely.
struct Unit {
  bool twoByte = false;
  CodePair bytes;
};

std::optional<Unit> unitFor(char32_t ch) {
  if (ch == '\r' || ch == '\n' || ch == 0) return std::nullopt;
  const Unit unknown{false, {'?', 0}};
  if (ch == char32_t(kESC)) return unknown;
  const auto code = tv::text::cp932Code(ch);
  if (!code) return unknown;
  if (*code <= 0xFF) return Unit{false, {*code, 0}};
  std::uint16_t sjis = *code;
  if (sjis >= 0xFA40) sjis = ibmToNecSelected().value(sjis, sjis);
  const CodePair jis = shiftJisToJis(sjis >> 8, sjis & 0xFF);
  if (!isJisByte(jis.first) || !isJisByte(jis.second)) return unknown;
  return Unit{true, jis};
}

}  // namespace

QByteArray encodeIso2022Jp(QStringView text) {
  QByteArray out;
  out.reserve(text.size() * 2 + 8);
  bool twoByte = false;
  for (qsizetype i = 0; i < text.size(); ++i) {
    char32_t ch = text[i].unicode();
    if (QChar::isHighSurrogate(ch) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      ch = QChar::surrogateToUcs4(char16_t(ch), text[i + 1].unicode());
      ++i;
    }
    const auto unit = unitFor(ch);
    if (!unit) continue;
    if (unit->twoByte != twoByte) {
      out.append(unit->twoByte ? QByteArrayView("\x1b$B") : QByteArrayView("\x1b(B"));
      twoByte = unit->twoByte;
    }
    out.append(char(unit->bytes.first));
    if (unit->twoByte) out.append(char(unit->bytes.second));
  }
  if (twoByte) out.append("\x1b(B");
  return out;
}

std::optional<QByteArray> encodeIrcLine(QStringView line, qsizetype limit) {
  QByteArray bytes = encodeIso2022Jp(line);
  bytes.append("\r\n");
  if (bytes.size() > limit) return std::nullopt;
  return bytes;
}

}  // namespace tv::ircsock
