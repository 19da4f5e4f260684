#include "app/StringRoutines.h"

namespace tv::app {

QString AfterFirstSpace(const QString &text) {
  const qsizetype i = text.indexOf(u' ');
  return i < 0 ? text : text.mid(i + 1);
}

QString TextBefore(const QString &text, const QString &sep) {
  const qsizetype i = sep.isEmpty() ? -1 : text.indexOf(sep);
  return i < 0 ? QString() : text.left(i);
}

QString TextAfter(const QString &text, const QString &sep) {
  const qsizetype i = sep.isEmpty() ? -1 : text.indexOf(sep);
  return i < 0 ? text : text.mid(i + sep.size());
}

QString StripLeadingColon(const QString &text) {
  return text.startsWith(u':') ? text.mid(1) : text;
}

QString RemoveColons(const QString &text) {
  QString out = text;
  out.remove(u':');
  return out;
}

QString StripLeadingAt(const QString &text) { return text.startsWith(u'@') ? text.mid(1) : text; }

QString SafeFileName(const QString &text) {
  QString out = text;
  for (QChar &c : out) {
    switch (c.unicode()) {
      case u'\\':
      case u'/':
      case u':':
      case u',':
      case u';':
      case u'*':
      case u'?':
      case u'<':
      case u'>':
      case u'|':
        c = u'_';
        break;
      default:
        break;
    }
  }
  return out;
}

QString PlayerKey(std::int32_t playerId) { return QStringLiteral("K") + QString::number(playerId); }

}  // namespace tv::app
