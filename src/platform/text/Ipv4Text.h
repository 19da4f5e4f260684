#pragma once
// Rules on dotted IPv4 address texts, shared by the main program's input checks and by
// the file-transfer protocol code (which must not depend on widgets). Pure functions.

#include <QString>

namespace tv::text {

// Digits and dots only, exactly three dots, four non-empty parts of at most 255 each
// (leading zeros allowed: "010" counts as 10).
bool IsValidAddress(const QString &text);
// 10.x.x.x, 172.16-31.x.x or 192.168.x.x, read from the leading parts (other
// characters are skipped).
bool IsPrivateAddress(const QString &text);

}  // namespace tv::text
