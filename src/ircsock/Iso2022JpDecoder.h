#pragma once
// Byte-by-byte ISO-2022-JP decoder for IRC server lines. Its state (mode, held byte and
// the line being assembled) lives in the object, so an escape sequence, a two-byte
// character or a line may be split across any number of feed() calls. Pure: no
// sockets, no event loop; one object per byte stream, not thread-safe.
//
// Modes, as numbered in the state() value:
//   0 single-byte: ASCII, and bytes 0xA1-0xDF as CP932 half-width katakana;
//   1 two-byte, waiting for the first byte of a JIS X 0208 pair;
//   2 two-byte, holding the first byte;
//   3 after ESC; 4 after ESC '('; 5 after ESC '$'.
// Only LF in mode 0 ends a line; CR in mode 0 is dropped everywhere; empty lines are
// never delivered. A JIS pair outside the 94 x 94 plane or unassigned in CP932 becomes
// U+FFFD. NUL bytes are dropped: no IRC line carries one, and the lines travel as
// D-Bus strings, which cannot.

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <functional>

namespace tv::ircsock {

class Iso2022JpDecoder {
 public:
  // A line longer than this many UTF-16 units keeps its first kMaxLineChars; the rest
  // up to the next LF is discarded and counted, so a server that never sends LF cannot
  // make the line grow without bound.
  static constexpr qsizetype kMaxLineChars = 16384;

  // Receives each complete, non-empty line and the number of characters cut from it
  // (0 for almost every line). Returning false stops feed() right after that line's LF.
  using LineSink = std::function<bool(QString &&line, qsizetype cutChars)>;

  // Decodes bytes in order; returns how many were consumed (all of them unless the sink
  // asked to stop).
  qsizetype feed(QByteArrayView bytes, const LineSink &sink);

  int state() const { return state_; }
  // The line being assembled (not yet ended by LF).
  const QString &partialLine() const { return line_; }

 private:
  void append(char16_t ch);

  int state_ = 0;
  std::uint8_t held_ = 0;
  QString line_;
  qsizetype cut_ = 0;
};

// Convenience for tests and one-shot callers: every complete line of `bytes` decoded
// by a fresh decoder; a trailing unterminated line is not included.
QStringList decodeIso2022JpLines(QByteArrayView bytes);

}  // namespace tv::ircsock
