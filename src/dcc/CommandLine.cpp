#include "dcc/CommandLine.h"

#include "platform/text/LeadingNumber.h"

namespace tv::dcc {

QString ModeWord(Mode mode) {
  switch (mode) {
    case Mode::Vsend:
      return QStringLiteral("VSEND");
    case Mode::Isend:
      return QStringLiteral("ISEND");
    case Mode::Vrec:
      return QStringLiteral("VREC");
    case Mode::Irec:
      break;
  }
  return QStringLiteral("IREC");
}

bool IsSendMode(Mode mode) { return mode == Mode::Vsend || mode == Mode::Isend; }

QStringList CommandWords(const QStringList &arguments) {
  const QString line = arguments.join(u' ');
  return line.isEmpty() ? QStringList() : line.split(u' ');
}

StartCommand ParseStartCommand(const QStringList &arguments) {
  StartCommand command;
  command.words = CommandWords(arguments);
  if (command.words.isEmpty()) return command;
  const QString mode = command.words[0].toUpper();
  for (const Mode m : {Mode::Vsend, Mode::Isend, Mode::Vrec, Mode::Irec}) {
    if (mode != ModeWord(m)) continue;
    command.mode = m;
    const int wanted = IsSendMode(m) ? kSendWordCount : kReceiveWordCount;
    command.kind =
        command.words.size() == wanted ? StartCommand::Kind::Start : StartCommand::Kind::BadCommand;
    return command;
  }
  return command;
}

quint64 LinkHandleOf(const QString &word) {
  const qint64 value = text::leadingNumber(word);
  return value < 0 ? 0 : quint64(value);
}

}  // namespace tv::dcc
