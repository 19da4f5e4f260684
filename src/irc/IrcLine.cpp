#include "irc/IrcLine.h"

#include "app/StringRoutines.h"

namespace tv::irc {
namespace {

qsizetype skipBlanks(QStringView text, qsizetype at) {
  while (at < text.size() && text[at] == u' ') ++at;
  return at;
}

qsizetype tokenEnd(QStringView text, qsizetype at) {
  while (at < text.size() && text[at] != u' ') ++at;
  return at;
}

}  // namespace

IrcLine parseIrcLine(QStringView line) {
  IrcLine out;
  qsizetype at = skipBlanks(line, 0);
  if (at < line.size() && line[at] == u'@') at = skipBlanks(line, tokenEnd(line, at));
  if (at < line.size() && line[at] == u':') {
    const qsizetype end = tokenEnd(line, at + 1);
    out.prefix = line.sliced(at + 1, end - at - 1).toString();
    const qsizetype bang = out.prefix.indexOf(u'!');
    if (bang >= 0) {
      QStringView nick = QStringView(out.prefix).first(bang);
      if (nick.startsWith(u'@')) nick = nick.sliced(1);
      out.sender = nick.toString();
    }
    at = skipBlanks(line, end);
  }
  const qsizetype end = tokenEnd(line, at);
  out.command = line.sliced(at, end - at).toString().toUpper();
  out.params = line.sliced(skipBlanks(line, end)).toString();
  return out;
}

QString firstToken(QStringView text) {
  const qsizetype at = skipBlanks(text, 0);
  return text.sliced(at, tokenEnd(text, at) - at).toString();
}

QString dropToken(QStringView text, int count) {
  qsizetype at = skipBlanks(text, 0);
  for (int i = 0; i < count; ++i) at = skipBlanks(text, tokenEnd(text, at));
  return text.sliced(at).toString();
}

QString stripColon(QStringView text) { return app::StripLeadingColon(text.toString()); }

bool isStatusMark(QChar c) { return c == u'@' || c == u'+' || c == u'%' || c == u'~' || c == u'&'; }

QStringView withoutMark(QStringView entry) {
  return !entry.isEmpty() && isStatusMark(entry.front()) ? entry.sliced(1) : entry;
}

bool sameNick(QStringView a, QStringView b) { return withoutMark(a) == withoutMark(b); }

}  // namespace tv::irc
