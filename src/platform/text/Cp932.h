#pragma once
// Microsoft code page 932 (windows-31j): the code page of every text file the suite
// writes and of the JIS X 0208 pairs carried on IRC. Pure functions, thread-safe.

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace tv::text {

// Decodes CP932 bytes. Undefined or truncated double-byte codes become U+FFFD; a
// lead byte followed by a byte outside the trail range consumes only itself.
QString decodeCp932(QByteArrayView bytes);

// The CP932 code of one Unicode character: a single byte (0x00-0xFF) or a double-byte
// code (lead << 8 | trail). Where CP932 has several codes for one character, the one
// Windows produces is chosen. Six characters that Linux text uses where Windows text
// has full-width forms (U+301C, U+2016, U+2212, U+00A2, U+00A3, U+00AC) take the codes
// of those full-width twins; decoding gives the twins. Empty when CP932 cannot
// represent the character.
std::optional<std::uint16_t> cp932Code(char32_t ch);

// The code of `ch` only when it reads back as `ch` itself, so not for the six forms
// above. For formats that can carry the exact character otherwise (RTF's \u).
std::optional<std::uint16_t> cp932ExactCode(char32_t ch);

// Encodes text to CP932. Characters CP932 cannot represent become '?'; when
// `lossless` is given it is set to false if that happened.
QByteArray encodeCp932(QStringView text, bool *lossless = nullptr);

// The decode of one double-byte code, or 0 when the code is unassigned. For the
// ISO-2022-JP decoder, which maps JIS X 0208 through CP932.
char16_t cp932DoubleByte(std::uint8_t lead, std::uint8_t trail);

inline bool isCp932LeadByte(std::uint8_t b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
inline bool isCp932TrailByte(std::uint8_t b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

}  // namespace tv::text
