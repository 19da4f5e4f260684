#pragma once
// The address and path conversions both TvDcc windows use. Pure functions on text;
// every computation is unsigned 64-bit, so no value up to 4294967295 comes out
// negative or rounded.

#include <QString>

namespace tv::dcc {

// The four parts as two upper-case hexadecimal digits each ("192.168.0.1" gives
// "C0A80001"). Characters other than digits and dots are skipped; three dots, four
// non-empty parts of at most 255 are required, else the result is empty.
QString IpToHex(const QString &text);
// The value of a non-empty text of hexadecimal digits (either case) in decimal
// ("C0A80001" gives "3232235521"), modulo 2^64; "0" for anything else.
QString HexToDecimal(const QString &text);
// The lowest 32 bits of a decimal number as a dotted address, most significant byte
// first ("3232235521" gives "192.168.0.1", "4294967296" gives "0.0.0.0"). A character
// that is not a digit counts as the digit 0.
QString DecimalToIp(const QString &text);

// The path up to and including its last "/" ("" when it has none), and the part after
// it ("" when it has none).
QString FolderOf(const QString &path);
QString FileNameOf(const QString &path);

}  // namespace tv::dcc
