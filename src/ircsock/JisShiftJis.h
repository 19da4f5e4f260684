#pragma once
// The arithmetic between a JIS X 0208 pair (row and cell bytes 0x21-0x7E) and its
// Shift_JIS code. Both directions are exact inverses on the 94 x 94 plane; what a code
// means in Unicode is the CP932 table's business (platform/text/Cp932.h).

namespace tv::ircsock {

struct CodePair {
  int first = 0;
  int second = 0;
  friend bool operator==(const CodePair &, const CodePair &) = default;
};

inline bool isJisByte(int b) { return b >= 0x21 && b <= 0x7E; }

// JIS pair to Shift_JIS. Only meaningful for isJisByte() inputs.
inline CodePair jisToShiftJis(int c1, int c2) {
  int s2 = 0;
  if (c1 & 1) {
    s2 = c2 + 0x1F;
    if (s2 > 0x7E) ++s2;
  } else {
    s2 = c2 + 0x7E;
  }
  const int s1 = (c1 + 1) / 2 + (c1 < 0x5F ? 0x70 : 0xB0);
  return {s1, s2};
}

// Shift_JIS to JIS pair. Codes outside lead 0x81-0x9F/0xE0-0xEF give bytes outside
// 0x21-0x7E, which ISO-2022-JP cannot carry; callers check with isJisByte().
inline CodePair shiftJisToJis(int s1, int s2) {
  int j1 = 0;
  if (s1 <= 0x9F)
    j1 = 2 * s1 - (s2 < 0x9F ? 0xE1 : 0xE0);
  else
    j1 = 2 * s1 - (s2 < 0x9F ? 0x161 : 0x160);
  int j2 = 0;
  if (s2 < 0x7F)
    j2 = s2 - 0x1F;
  else if (s2 < 0x9F)
    j2 = s2 - 0x20;
  else
    j2 = s2 - 0x7E;
  return {j1, j2};
}

}  // namespace tv::ircsock
