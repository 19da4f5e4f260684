// TvDcc's command line from an offer: the words, the reduction of the offered name
// and the checks before a receiver connects. Invariants: a reduced name is never
// empty, never longer than the limit, holds no path separator or control character,
// never starts with "." or "-", and joins to a path directly inside the folder; an
// offer that passes the checks names a unicast address, a port above 0 and a size
// below 2^63; a receive command that starts has exactly seven words.
#include "dcc/AddressText.h"
#include "dcc/CommandLine.h"
#include "dcc/OfferChecks.h"
#include "dcc/OfferName.h"

#include <QFileInfo>

#include <cstdlib>

using namespace tv::dcc;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // The input is the argument vector, NUL-separated, as a process would receive it.
  const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
  QStringList arguments;
  for (const QByteArray &a : bytes.split('\0')) arguments.append(QString::fromUtf8(a));
  const StartCommand command = ParseStartCommand(arguments);
  if (command.kind == StartCommand::Kind::Start && !IsSendMode(command.mode) &&
      command.words.size() != kReceiveWordCount)
    std::abort();

  for (const QString &word : CommandWords(arguments)) {
    const QString name = ReduceOfferedName(word);
    if (name.isEmpty() || name.toUtf8().size() > kMaxNameBytes || name.contains(u'/') ||
        name.contains(u'\\') || name.startsWith(u'.') || name.startsWith(u'-'))
      std::abort();
    for (const QChar c : name)
      if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format) std::abort();
    const auto path = PathInsideFolder(QStringLiteral("/srv/in"), name);
    if (!path || QFileInfo(*path).absolutePath() != QStringLiteral("/srv/in")) std::abort();
    if (PartFileName(name, 7).toUtf8().size() > kMaxNameBytes) std::abort();
    DecimalToIp(word);
    HexToDecimal(IpToHex(word));
  }

  if (command.words.size() >= kReceiveWordCount) {
    ReceiveTarget target;
    if (CheckReceiveOffer(command.words[4], command.words[5], command.words[6], target).isEmpty()) {
      const quint32 first = target.address >> 24;
      if (first == 0 || first >= 224 || target.port == 0 || target.size < 0) std::abort();
    }
  }
  return 0;
}
