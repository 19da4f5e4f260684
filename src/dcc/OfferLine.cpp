#include "dcc/OfferLine.h"

#include "dcc/OfferChecks.h"

namespace tv::dcc {

namespace {

const QString kPrivmsg = QStringLiteral("PRIVMSG");
constexpr QChar kCtcp = QChar(1);
constexpr int kOfferWordCount = 8;  // PRIVMSG nick DCC SEND file address port size

}  // namespace

QString OfferFileWord(const QString &fileName) {
  // Every kind of blank, not only the ASCII one: a full-width or no-break space would
  // leave a word that the offer checks (rightly) refuse, and the file could not be sent.
  QString word = fileName;
  for (QChar &c : word)
    if (c.isSpace() || c.category() == QChar::Separator_Space) c = u'_';
  return word;
}

QString OfferLine(Mode mode, const QString &nick, const OfferFields &f) {
  const QString request =
      QStringLiteral("DCC SEND ") + f.file + u' ' + f.address + u' ' + f.port + u' ' + f.size;
  if (mode == Mode::Isend)
    return kPrivmsg + u' ' + nick + QStringLiteral(" :") + kCtcp + request + kCtcp;
  return kPrivmsg + u' ' + nick + u' ' + request;
}

bool IsVoiceOfferLine(const QString &text) {
  const QStringList w = text.split(u' ');
  return w.size() == kOfferWordCount && w[0] == kPrivmsg && IsPlainWord(w[1]) &&
         w[2] == QStringLiteral("DCC") && w[3] == QStringLiteral("SEND") &&
         AreOfferFields(w.mid(4));
}

bool IsIrcOfferLine(const QString &text) {
  if (!text.endsWith(kCtcp) || text.toUtf8().size() > kMaxIrcLineBytes) return false;
  const QStringList w = text.chopped(1).split(u' ');
  // Plain words hold no control character, so the two delimiters are the only ones.
  return w.size() == kOfferWordCount && w[0] == kPrivmsg && IsPlainWord(w[1]) &&
         w[2] == QStringLiteral(":") + kCtcp + QStringLiteral("DCC") &&
         w[3] == QStringLiteral("SEND") && AreOfferFields(w.mid(4));
}

QString SessionOfferText(const QString &voiceOfferLine) {
  return voiceOfferLine.split(u' ').mid(4).join(u' ');
}

QString OfferNick(const QString &offerLine) { return offerLine.section(u' ', 1, 1); }

DccSendRequest ParseDccSendRequest(const QString &ctcpText) {
  DccSendRequest request;
  const QStringList head = ctcpText.split(u' ');
  if (head.size() < 2 || head[0].toUpper() != QStringLiteral("DCC") ||
      head[1].toUpper() != QStringLiteral("SEND"))
    return request;
  request.kind = DccSendRequest::Kind::Malformed;
  // What follows "DCC SEND ".
  QString rest = ctcpText.mid(head[0].size() + 1 + head[1].size() + 1);
  if (ctcpText.size() <= head[0].size() + head[1].size() + 1) return request;
  QString file;
  if (rest.startsWith(u'"')) {
    const qsizetype close = rest.indexOf(u'"', 1);
    if (close < 0) return request;
    file = rest.mid(1, close - 1);
    rest = rest.mid(close + 1);
    if (!rest.startsWith(u' ')) return request;
    rest.remove(0, 1);
  } else {
    file = rest.section(u' ', 0, 0);
    rest = rest.section(u' ', 1);
  }
  const QStringList numbers = rest.split(u' ');
  if (file.isEmpty() || numbers.size() < 3) return request;
  request.kind = DccSendRequest::Kind::Offer;
  request.fields = {OfferFileWord(file), numbers[0], numbers[1], numbers[2]};
  return request;
}

}  // namespace tv::dcc
