#pragma once
// Reading one server line: the prefix and sender, the command, the parameters, and the
// token operations the handling is written in. Pure functions on strings.
//
// Separators are runs of blanks, as servers and the usual parser conventions have it;
// the text of a trailing parameter keeps its own blanks. A leading message-tag block
// ("@key=value ") is skipped: this client never asks for tags, so they carry nothing
// it uses.

#include <QString>
#include <QStringView>

namespace tv::irc {

struct IrcLine {
  QString prefix;   // without its ":"; empty when the line has none
  QString sender;   // nickname of a user prefix (text before "!", one "@" removed); empty
                    // for a server prefix or none
  QString command;  // upper case; empty when the line holds no command
  QString params;   // everything after the command, leading blanks skipped
};

IrcLine parseIrcLine(QStringView line);

// The first blank-separated token ("" when there is none).
QString firstToken(QStringView text);
// The text after the first token and the blanks that follow it; "" when there is no
// second token.
QString dropToken(QStringView text, int count = 1);
// One leading ":" removed.
QString stripColon(QStringView text);

// The status marks a server puts before a nickname in a channel's name list.
bool isStatusMark(QChar c);
// The nickname without one leading status mark.
QStringView withoutMark(QStringView entry);
// Entries and nicknames compare with one leading status mark removed from each side;
// otherwise exactly.
bool sameNick(QStringView a, QStringView b);

}  // namespace tv::irc
