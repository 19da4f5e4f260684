#pragma once
// ISO-2022-JP encoding of outgoing IRC lines. Pure functions, thread-safe.
//
// Each character goes through CP932: a single byte is written as it is (ASCII, and
// half-width katakana as the raw byte 0xA1-0xDF, which this suite's own decoder reads
// back); a double-byte code is written as its JIS X 0208 pair inside ESC $ B ... ESC ( B.
// IBM extension codes (lead 0xFA-0xFC) have no JIS row, so their NEC-selected copies
// (rows 89-92) are sent instead. Characters CP932 cannot represent, codes outside the
// JIS plane (the user-defined area) and ESC itself become '?'. CR, LF and NUL are left
// out: they would end the line early or split it into two commands.

#include <QByteArray>
#include <QStringView>

#include <optional>

namespace tv::ircsock {

// The most bytes one outgoing line may take, escape sequences and CR LF included.
inline constexpr qsizetype kMaxLineBytes = 2048;

// The ISO-2022-JP bytes of `text`, ending in single-byte mode, without CR LF.
QByteArray encodeIso2022Jp(QStringView text);

// One IRC line: encodeIso2022Jp(line) + CR LF, or nothing when that needs more than
// `limit` bytes.
std::optional<QByteArray> encodeIrcLine(QStringView line, qsizetype limit = kMaxLineBytes);

}  // namespace tv::ircsock
