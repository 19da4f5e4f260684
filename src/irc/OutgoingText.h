#pragma once
// Rules for text the user sends: line breaks and NUL that were typed or pasted become
// blanks before a line is built or shown, and no line leaves longer than an IRC line
// may be. Lengths are counted in the bytes TvIRC writes (ISO-2022-JP, escape sequences
// included, CR LF not). Pure functions.

#include <QString>
#include <QStringList>
#include <QStringView>

namespace tv::irc {

// The most bytes of one line before its CR LF.
inline constexpr qsizetype kMaxIrcLineBytes = 510;
// The most bytes of chat text in one PRIVMSG: what is left of a line once the server
// has put its prefix ":nick!user@host " in front for the receivers.
inline constexpr qsizetype kMaxChatTextBytes = 400;

// CR, LF and NUL become blanks.
QString cleanOutgoing(QString text);

// The ISO-2022-JP length of `text` as one line.
qsizetype encodedLength(QStringView text);

// The text in pieces of at most maxBytes each, cut between characters (a surrogate
// pair is one character). An empty text is one empty piece.
QStringList splitForSending(QStringView text, qsizetype maxBytes = kMaxChatTextBytes);

// The line cut between characters to at most maxBytes.
QString fitLine(QStringView line, qsizetype maxBytes = kMaxIrcLineBytes);

}  // namespace tv::irc
