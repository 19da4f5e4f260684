#pragma once
// The offer line a sending TvDcc hands back to the main program, in its two forms:
//   voice session: PRIVMSG <nick> DCC SEND <file> <address> <port> <size>
//   IRC:           PRIVMSG <nick> :\1DCC SEND <file> <address> <port> <size>\1
// (address: the IPv4 address as an unsigned 32-bit decimal number), the checks the
// main program's hand-off applies to each, and the reading of a CTCP DCC SEND request
// that an IRC user sent. Pure functions.

#include "dcc/CommandLine.h"

#include <QString>
#include <QStringList>

namespace tv::dcc {

// An IRC line without its CR LF.
inline constexpr int kMaxIrcLineBytes = 510;

struct OfferFields {
  QString file;  // a plain name: blanks already made "_"
  QString address, port, size;
};

// The file word of an offer: the name with every blank (of any width) made "_".
QString OfferFileWord(const QString &fileName);
// The offer line for a send mode (the ISEND form for Mode::Isend, else the other).
QString OfferLine(Mode mode, const QString &nick, const OfferFields &fields);

// The hand-off accepts exactly one offer line of its form: eight words separated by
// single blanks, every field passing AreOfferFields; the IRC form also with both CTCP
// delimiters, nothing else outside the plain words, at most one IRC line long.
bool IsVoiceOfferLine(const QString &text);
bool IsIrcOfferLine(const QString &text);

// The session form of a voice offer: the four words after "DCC SEND".
QString SessionOfferText(const QString &voiceOfferLine);
// The receiving nickname of an offer line (word 1).
QString OfferNick(const QString &offerLine);

// A CTCP request's text (without its delimiters) read as DCC SEND. The first two words
// are "DCC" and "SEND" in any case; a file name in double quotes is taken whole, its
// blanks made "_" (clients quote names with blanks); then address, port and size.
// Words after the size are ignored.
struct DccSendRequest {
  enum class Kind {
    NotDccSend,  // some other CTCP request
    Malformed,   // DCC SEND, but fewer than four fields or an unterminated quote
    Offer,
  };
  Kind kind = Kind::NotDccSend;
  QStringList fields;  // file, address, port, size (Offer only)
};
DccSendRequest ParseDccSendRequest(const QString &ctcpText);

}  // namespace tv::dcc
