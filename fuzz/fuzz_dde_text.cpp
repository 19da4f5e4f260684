// The texts the hand-off endpoints take over the bus, and CTCP DCC SEND requests from
// IRC users. Invariants: an accepted line of either form is one line (no CR, LF or
// NUL), has eight words whose offer fields would start a receiver, and the IRC form
// fits one IRC line with exactly its two delimiters; a parsed DCC SEND request's
// fields are free of blanks once quoted names are read.
#include "dcc/OfferChecks.h"
#include "dcc/OfferLine.h"

#include <cstdlib>

using namespace tv::dcc;

namespace {

void checkAccepted(const QString &text, bool irc) {
  if (text.contains(u'\r') || text.contains(u'\n') || text.contains(QChar(0))) std::abort();
  if (text.count(QChar(1)) != (irc ? 2 : 0)) std::abort();
  if (irc && text.toUtf8().size() > kMaxIrcLineBytes) std::abort();
  const QString plain = irc ? QString(text).remove(QChar(1)) : text;
  const QStringList words = plain.split(u' ');
  if (words.size() != 8 || !AreOfferFields(words.mid(4))) std::abort();
  if (!irc && !AreOfferFields(SessionOfferText(text).split(u' '))) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
  if (IsVoiceOfferLine(text)) checkAccepted(text, false);
  if (IsIrcOfferLine(text)) checkAccepted(text, true);
  const DccSendRequest request = ParseDccSendRequest(text);
  if (request.kind == DccSendRequest::Kind::Offer) {
    if (request.fields.size() != 4 || request.fields[0].isEmpty() ||
        request.fields[0].contains(u' '))
      std::abort();
    // What the IRC side would hand to the launcher either passes or is refused whole.
    AreOfferFields(request.fields);
  } else if (!request.fields.isEmpty()) {
    std::abort();
  }
  return 0;
}
