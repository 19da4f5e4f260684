#include "platform/text/LeadingNumber.h"

#include <limits>

namespace tv::text {

qint64 leadingNumber(QStringView text) {
  qsizetype i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
    negative = text[i] == u'-';
    ++i;
  }
  constexpr qint64 kMax = std::numeric_limits<qint64>::max();
  qint64 value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    const int digit = text[i].unicode() - u'0';
    if (value > (kMax - digit) / 10) {
      value = kMax;
      while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') ++i;
      break;
    }
    value = value * 10 + digit;
  }
  return negative ? -value : value;
}

}  // namespace tv::text
