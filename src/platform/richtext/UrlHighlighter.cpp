#include "platform/richtext/UrlHighlighter.h"

#include <QRegularExpression>
#include <QTextCharFormat>

namespace tv::richtext {

QList<TextSpan> findWebAddresses(const QString &text) {
  static const QRegularExpression kAddress(
      QStringLiteral(
          "(?:https?://|ftp://|www\\.|mailto:)[A-Za-z0-9\\-._~:/?#\\[\\]@!$&'()*+,;=%]+"),
      QRegularExpression::CaseInsensitiveOption);
  QList<TextSpan> spans;
  auto it = kAddress.globalMatch(text);
  while (it.hasNext()) {
    const QRegularExpressionMatch m = it.next();
    int start = int(m.capturedStart());
    int length = int(m.capturedLength());
    // Punctuation that ends a sentence is not part of the address; neither is a
    // closing parenthesis without its opening one.
    while (length > 0) {
      const QChar last = text[start + length - 1];
      if (QStringLiteral(".,;:!?'").contains(last)) {
        --length;
      } else if (last == u')' &&
                 text.mid(start, length).count(u'(') < text.mid(start, length).count(u')')) {
        --length;
      } else {
        break;
      }
    }
    const QString found = text.mid(start, length);
    const qsizetype schemeEnd = found.indexOf(u':');
    // A bare scheme ("http://", "mailto:") is no address.
    if (found.endsWith(QStringLiteral("//")) || (schemeEnd >= 0 && schemeEnd == length - 1) ||
        found.compare(QStringLiteral("www."), Qt::CaseInsensitive) == 0)
      continue;
    spans.append({start, length});
  }
  return spans;
}

UrlHighlighter::UrlHighlighter(QTextDocument *doc) : QSyntaxHighlighter(doc) {}

void UrlHighlighter::highlightBlock(const QString &text) {
  if (!text.contains(u':') && !text.contains(u'.')) return;
  QTextCharFormat link;
  link.setFontUnderline(true);
  link.setForeground(QColor(0, 0, 255));
  for (const TextSpan &span : findWebAddresses(text)) setFormat(span.start, span.length, link);
}

}  // namespace tv::richtext
