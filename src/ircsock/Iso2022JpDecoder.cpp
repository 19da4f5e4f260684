#include "ircsock/Iso2022JpDecoder.h"

#include "ircsock/JisShiftJis.h"
#include "platform/text/Cp932.h"

#include <QStringList>

#include <array>

namespace tv::ircsock {
namespace {

constexpr std::uint8_t kLF = 10;
constexpr std::uint8_t kCR = 13;
constexpr std::uint8_t kESC = 27;
constexpr char16_t kReplacement = 0xFFFD;

// What a lone byte in single-byte mode means under CP932: ASCII, half-width katakana,
// the few bytes Windows maps elsewhere; a lead byte without its trail is U+FFFD.
std::array<char16_t, 256> buildSingleByteTable() {
  std::array<char16_t, 256> table{};
  for (int b = 0; b < 256; ++b) {
    const char byte = char(b);
    const QString decoded = tv::text::decodeCp932(QByteArrayView(&byte, 1));
    table[b] = decoded.size() == 1 ? decoded.at(0).unicode() : kReplacement;
  }
  return table;
}

const std::array<char16_t, 256> &singleByteTable() {
  static const std::array<char16_t, 256> table = buildSingleByteTable();
  return table;
}

char16_t decodePair(int c1, int c2) {
  if (!isJisByte(c1) || !isJisByte(c2)) return kReplacement;
  const CodePair sjis = jisToShiftJis(c1, c2);
  const char16_t ch =
      tv::text::cp932DoubleByte(std::uint8_t(sjis.first), std::uint8_t(sjis.second));
  return ch != 0 ? ch : kReplacement;
}

}  // namespace

void Iso2022JpDecoder::append(char16_t ch) {
  if (line_.size() < kMaxLineChars)
    line_.append(QChar(ch));
  else
    ++cut_;
}

qsizetype Iso2022JpDecoder::feed(QByteArrayView bytes, const LineSink &sink) {
  const auto &single = singleByteTable();
  const auto *p = reinterpret_cast<const std::uint8_t *>(bytes.data());
  const qsizetype n = bytes.size();
  for (qsizetype i = 0; i < n; ++i) {
    const std::uint8_t b = p[i];
    switch (state_) {
      case 0:
        if (b == kLF) {
          if (line_.isEmpty()) break;  // an empty line is dropped silently
          QString line = std::move(line_);
          const qsizetype cut = cut_;
          line_ = QString();
          cut_ = 0;
          if (!sink(std::move(line), cut)) return i + 1;
        } else if (b == kESC) {
          state_ = 3;
        } else if (b != kCR && b != 0) {
          append(single[b]);
        }
        break;
      case 1:
        if (b == kESC) {
          state_ = 3;
        } else {
          held_ = b;
          state_ = 2;
        }
        break;
      case 2:
        append(decodePair(held_, b));
        state_ = 1;
        break;
      case 3:
        state_ = b == '$' ? 5 : b == '(' ? 4 : 0;
        break;
      case 4:
        // ESC ( B and ESC ( J alike return to single-byte mode.
        state_ = 0;
        break;
      default:  // 5, after ESC $: only ESC $ B selects JIS X 0208
        state_ = b == 'B' ? 1 : 0;
        break;
    }
  }
  return n;
}

QStringList decodeIso2022JpLines(QByteArrayView bytes) {
  QStringList lines;
  Iso2022JpDecoder decoder;
  decoder.feed(bytes, [&lines](QString &&line, qsizetype) {
    lines.append(std::move(line));
    return true;
  });
  return lines;
}

}  // namespace tv::ircsock
