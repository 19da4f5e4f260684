#include "platform/text/Cp932.h"

#include <array>
#include <memory>

namespace tv::text {
namespace {

constexpr int kTrailCount = 0xFD - 0x40;  // trail bytes 0x40..0xFC, 0x7F left unassigned

const std::uint16_t kDoubleByte[] = {
#include "platform/text/Cp932Table.inc"
};
static_assert(sizeof(kDoubleByte) / sizeof(kDoubleByte[0]) == 60 * kTrailCount);

int leadRow(std::uint8_t lead) {
  if (lead >= 0x81 && lead <= 0x9F) return lead - 0x81;
  if (lead >= 0xE0 && lead <= 0xFC) return 31 + (lead - 0xE0);
  return -1;
}

// Single bytes as Windows decodes them: ASCII, half-width katakana, and the handful
// of bytes that Windows maps into the private use area.
char16_t singleByte(std::uint8_t b) {
  if (b < 0x80) return b;
  if (b >= 0xA1 && b <= 0xDF) return char16_t(0xFF61 + (b - 0xA1));
  switch (b) {
    case 0x80:
      return 0x0080;
    case 0xA0:
      return 0xF8F0;
    case 0xFD:
      return 0xF8F1;
    case 0xFE:
      return 0xF8F2;
    case 0xFF:
      return 0xF8F3;
    default:
      return 0;
  }
}

// Rank of a double-byte code among duplicates; the lowest wins. Windows prefers
// JIS X 0208 proper, then the NEC row 13 specials, then the IBM extensions, and uses
// the NEC-selected copies of the IBM extensions (0xED/0xEE) only when nothing else has
// the character.
int duplicateRank(std::uint16_t code) {
  if (code >= 0x8740 && code <= 0x879C) return 1;
  if (code >= 0xED40 && code <= 0xEEFC) return 3;
  if (code >= 0xFA40) return 2;
  return 0;
}

struct EncodeOnly {
  char16_t ch;
  std::uint16_t code;
};
constexpr EncodeOnly kEncodeOnly[] = {
    {0x301C, 0x8160},  // WAVE DASH -> FULLWIDTH TILDE
    {0x2016, 0x8161},  // DOUBLE VERTICAL LINE -> PARALLEL TO
    {0x2212, 0x817C},  // MINUS SIGN -> FULLWIDTH HYPHEN-MINUS
    {0x00A2, 0x8191},  // CENT SIGN -> FULLWIDTH CENT SIGN
    {0x00A3, 0x8192},  // POUND SIGN -> FULLWIDTH POUND SIGN
    {0x00AC, 0x81CA},  // NOT SIGN -> FULLWIDTH NOT SIGN
};

struct EncodeTable {
  std::array<std::uint16_t, 0x10000> code{};  // 0 = not representable (except U+0000)
};

std::unique_ptr<EncodeTable> buildEncodeTable() {
  auto t = std::make_unique<EncodeTable>();
  for (int b = 0xFF; b >= 0; --b) {
    const char16_t u = singleByte(std::uint8_t(b));
    if (u != 0 || b == 0) t->code[u] = std::uint16_t(b);
  }
  for (int row = 0; row < 60; ++row) {
    const int lead = row < 31 ? 0x81 + row : 0xE0 + (row - 31);
    for (int col = 0; col < kTrailCount; ++col) {
      const char16_t u = kDoubleByte[row * kTrailCount + col];
      if (u == 0) continue;
      const auto code = std::uint16_t(lead << 8 | (0x40 + col));
      std::uint16_t &slot = t->code[u];
      if (slot == 0 || (slot >= 0x100 && duplicateRank(code) < duplicateRank(slot))) slot = code;
    }
  }
  // Characters that Linux input methods and converters produce where Windows text has
  // their full-width twins: they go out as the twins' codes, so text typed here reaches
  // files and IRC whole. Decoding those codes still gives the full-width forms.
  for (const auto &[ch, code] : kEncodeOnly)
    if (t->code[ch] == 0) t->code[ch] = code;
  return t;
}

const EncodeTable &encodeTable() {
  static const std::unique_ptr<EncodeTable> table = buildEncodeTable();
  return *table;
}

}  // namespace

char16_t cp932DoubleByte(std::uint8_t lead, std::uint8_t trail) {
  const int row = leadRow(lead);
  if (row < 0 || !isCp932TrailByte(trail)) return 0;
  return kDoubleByte[row * kTrailCount + (trail - 0x40)];
}

QString decodeCp932(QByteArrayView bytes) {
  QString out;
  out.reserve(bytes.size());
  const auto *p = reinterpret_cast<const std::uint8_t *>(bytes.data());
  const qsizetype n = bytes.size();
  for (qsizetype i = 0; i < n; ++i) {
    const std::uint8_t b = p[i];
    if (isCp932LeadByte(b)) {
      if (i + 1 < n && isCp932TrailByte(p[i + 1])) {
        const char16_t u = cp932DoubleByte(b, p[i + 1]);
        out.append(QChar(u != 0 ? u : char16_t(0xFFFD)));
        ++i;
      } else {
        out.append(QChar(char16_t(0xFFFD)));
      }
      continue;
    }
    const char16_t u = singleByte(b);
    out.append(QChar(u != 0 || b == 0 ? u : char16_t(0xFFFD)));
  }
  return out;
}

std::optional<std::uint16_t> cp932Code(char32_t ch) {
  if (ch == 0) return std::uint16_t(0);
  if (ch > 0xFFFF) return std::nullopt;
  const std::uint16_t code = encodeTable().code[ch];
  if (code == 0) return std::nullopt;
  return code;
}

std::optional<std::uint16_t> cp932ExactCode(char32_t ch) {
  const auto code = cp932Code(ch);
  if (!code) return std::nullopt;
  const char32_t back = *code > 0xFF
                            ? cp932DoubleByte(std::uint8_t(*code >> 8), std::uint8_t(*code))
                            : singleByte(std::uint8_t(*code));
  if (back != ch) return std::nullopt;
  return code;
}

QByteArray encodeCp932(QStringView text, bool *lossless) {
  QByteArray out;
  out.reserve(text.size() * 2);
  bool ok = true;
  for (qsizetype i = 0; i < text.size(); ++i) {
    char32_t ch = text[i].unicode();
    if (QChar::isHighSurrogate(ch) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      ch = QChar::surrogateToUcs4(char16_t(ch), text[i + 1].unicode());
      ++i;
    }
    const auto code = cp932Code(ch);
    if (!code) {
      out.append('?');
      ok = false;
    } else if (*code > 0xFF) {
      out.append(char(*code >> 8));
      out.append(char(*code & 0xFF));
    } else {
      out.append(char(*code));
    }
  }
  if (lossless) *lossless = ok;
  return out;
}

}  // namespace tv::text
