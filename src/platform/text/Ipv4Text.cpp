#include "platform/text/Ipv4Text.h"

namespace tv::text {
namespace {

bool isAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Splits a dotted address into up to four octet strings. Returns false when a
// character other than a digit or a dot occurs and `strict` is set, or when there are
// more than three dots.
struct Octets {
  QString part[4];
  int dots = 0;
};

bool scanOctets(const QString &text, bool strict, Octets &out) {
  for (QChar c : text) {
    if (isAsciiDigit(c)) {
      if (out.dots <= 3) out.part[out.dots].append(c);
    } else if (c == u'.') {
      ++out.dots;
      if (strict && out.dots > 3) return false;
    } else if (strict) {
      return false;
    }
  }
  return true;
}

// Numeric value of an octet string, saturating well above 255 for long strings.
int octetValue(const QString &s) {
  int v = 0;
  for (QChar c : s) {
    v = v * 10 + (c.unicode() - u'0');
    if (v > 100000) return v;
  }
  return v;
}

}  // namespace

bool IsValidAddress(const QString &text) {
  Octets o;
  if (!scanOctets(text, true, o) || o.dots != 3) return false;
  for (const QString &part : o.part)
    if (part.isEmpty() || octetValue(part) > 255) return false;
  return true;
}

bool IsPrivateAddress(const QString &text) {
  Octets o;
  scanOctets(text, false, o);
  if (o.part[0] == u"10") return true;
  if (o.part[0] == u"172") {
    const int second = octetValue(o.part[1]);
    return !o.part[1].isEmpty() && second >= 16 && second <= 31;
  }
  return o.part[0] == u"192" && o.part[1] == u"168";
}

}  // namespace tv::text
