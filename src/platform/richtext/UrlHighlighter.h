#pragma once
// Link detection for the rich-text views: web addresses are shown underlined in the
// link colour. The marks are display-only (they are not part of the text's own
// formatting and are not written to RTF), like a word processor's automatic links.

#include <QList>
#include <QSyntaxHighlighter>

namespace tv::richtext {

struct TextSpan {
  int start = 0;
  int length = 0;
  bool operator==(const TextSpan &) const = default;
};

// The web addresses in a line of text: http, https and ftp addresses, "www." names and
// mailto addresses, without trailing punctuation.
QList<TextSpan> findWebAddresses(const QString &text);

class UrlHighlighter : public QSyntaxHighlighter {
  Q_OBJECT
 public:
  explicit UrlHighlighter(QTextDocument *doc);

 protected:
  void highlightBlock(const QString &text) override;
};

}  // namespace tv::richtext
