#include "irc/IrcLink.h"

namespace tv::irc {

std::optional<QStringList> IrcLink::ircGetLines(int count) {
  QStringList lines;
  for (int i = 0; i < count; ++i) {
    const std::optional<QString> line = ircGetData();
    if (!line) return std::nullopt;
    if (line->isEmpty()) break;
    lines.append(*line);
  }
  return lines;
}

}  // namespace tv::irc
