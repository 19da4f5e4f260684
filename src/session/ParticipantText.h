#pragma once
// The texts of the participant tools that need no session: reading the member limit a
// user typed, deciding what that limit does to the description, the lines that report a
// failed kick or address lookup, and the parts of a member's address URL. Pure
// functions, thread-safe.

#include "platform/peer/PeerResult.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace tv::session {

// A member limit as typed into the input box.
struct MemberLimitInput {
  enum Kind { kEmpty, kNotNumeric, kNumber };
  Kind kind = kEmpty;
  // kNumber: the number rounded half away from zero, brought into -1..maximum + 1 so
  // that any value below 1 or above the maximum stays out of range.
  qint64 value = 0;
};

// Full-width characters are read as their half-width forms (５ is 5, ．is ., －is -),
// blanks around the number are ignored, and a text of blanks alone is not numeric.
// A number is an optional sign, digits (thousands may be grouped with ",") and an
// optional fraction: "1.6" reads 2, "2.5" reads 3, "-3" reads -3, "1,000" reads 1000.
// Exponents ("1e3"), hexadecimal, currency signs, badly grouped commas ("1,00") and
// anything else are not numeric.
// `maximum` is the largest limit the caller accepts (a session's member limit by
// default; an IRC channel's user limit goes to 65535).
MemberLimitInput ParseMemberLimit(const QString &text, qint64 maximum = 30000);

// What a typed limit does: the chat log's system lines and, when the description is to
// be written, the new maximum (the current one again when it is typed again). Lines
// come in the order the user reads them; for a new maximum they announce a success and
// are shown only after the description was written.
struct MemberLimitPlan {
  QStringList lines;
  std::optional<quint32> newMaximum;
};
MemberLimitPlan PlanMemberLimit(const QString &text, quint32 currentMembers,
                                quint32 currentMaximum);

// The one line that removing the limit writes.
inline const QString kLimitRemovedLine = QStringLiteral("人数制限を無制限にしました。");
// Headline of every member-limit error.
inline const QString kLimitErrorLine = QStringLiteral("人数制限エラー");

// Kicking oneself.
QStringList KickSelfLines();
// A failed DestroyPeer: headline, error number and the explanation for known codes.
QStringList KickFailureLines(peer::Result code);

// The steps of the address lookup that can fail.
enum class LookupStep { kGetPeerAddress, kGetURL };
// The failure report up to (not including) the closing "...さんの身元調査完了" line.
QStringList LookupFailureLines(LookupStep step, peer::Result code);
QStringList LookupSingleMemberLines();

// The host and port named by an address URL "x-directplay:/...;hostname=H;port=P".
// Elements may come in any order and the scheme and keys in any case. Without a port
// the session's default port is meant, and that is what is given. Empty when the URL is
// not of that scheme or names no host.
struct PeerUrlParts {
  QString address;
  QString port;
};
std::optional<PeerUrlParts> ParsePeerUrl(const QString &url);

}  // namespace tv::session
