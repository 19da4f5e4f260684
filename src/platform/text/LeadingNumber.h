#pragma once

#include <QStringView>

namespace tv::text {

// The numeric value of a stored text: leading blanks are skipped, then an optional
// sign and the longest run of decimal digits is read. "12abc" gives 12, "abc" and ""
// give 0, so a damaged value reads as 0. Values outside the 64-bit range saturate.
qint64 leadingNumber(QStringView text);

}  // namespace tv::text
