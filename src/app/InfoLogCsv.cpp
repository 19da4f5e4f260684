#include "app/InfoLogCsv.h"

#include <QRegularExpression>

namespace tv::app {
namespace {

const QString kLineBreak = QStringLiteral("\r\n");

bool needsQuotes(const QString &message) {
  return message.startsWith(u'"') || message.contains(u'\r') || message.contains(u'\n');
}

QString quoted(const QString &message) {
  QString body = message;
  body.replace(kLineBreak, QStringLiteral("\n"));
  body.replace(u'\r', u'\n');
  body.replace(QStringLiteral("\n"), kLineBreak);
  body.replace(QStringLiteral("\""), QStringLiteral("\"\""));
  return u'"' + body + u'"';
}

// How a line goes on inside a quoted message: it closes the message (its last
// character is the closing quote, every other quote doubled), stays inside it (every
// quote doubled), or cannot belong to one (a lone quote before its end).
enum class QuotedLine { Closes, Continues, Broken };

QuotedLine scanQuoted(QStringView text, QString *body) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] != u'"') {
      body->append(text[i]);
      continue;
    }
    if (i + 1 == text.size()) return QuotedLine::Closes;
    if (text[i + 1] != u'"') return QuotedLine::Broken;
    body->append(u'"');
    ++i;
  }
  return QuotedLine::Continues;
}

bool isTimeOfDay(QStringView field) {
  static const QRegularExpression time(QStringLiteral("^\\d{1,2}:\\d{2}:\\d{2}$"));
  return time.match(field).hasMatch();
}

// The first three fields and the rest of a line; empty optional for fewer than four.
std::optional<QStringList> splitRow(const QString &line) {
  QStringList fields;
  qsizetype start = 0;
  for (int f = 0; f < 3; ++f) {
    const qsizetype comma = line.indexOf(u',', start);
    if (comma < 0) return std::nullopt;
    fields.append(line.sliced(start, comma - start));
    start = comma + 1;
  }
  fields.append(line.sliced(start));
  return fields;
}

}  // namespace

QStringList InfoCsvLines(const QStringList &headers, const QList<QStringList> &rows) {
  QStringList lines;
  lines.reserve(rows.size() + 1);
  lines.append(headers.join(u','));
  for (const QStringList &row : rows) {
    if (row.size() == 4 && needsQuotes(row[3]))
      lines.append(row.first(3).join(u',') + u',' + quoted(row[3]));
    else
      lines.append(row.join(u','));
  }
  return lines;
}

std::optional<QList<QStringList>> ParseInfoCsv(const QStringList &lines) {
  QList<QStringList> rows;
  // Continuation lines up to this index are known not to close a quoted message: a
  // scan that ran through them failed. A later message opening before it can only
  // close on its own line, which keeps hostile files linear.
  qsizetype failedThrough = 0;
  for (qsizetype i = 1; i < lines.size(); ++i) {
    const QString &line = lines[i];
    if (line.isEmpty()) continue;
    auto fields = splitRow(line);
    if (!fields) {
      // A message's line break written unquoted left the rest of it on lines of its
      // own; in a log whose rows begin with a time of day, such a line does not.
      if (rows.isEmpty() || !isTimeOfDay(rows.last()[0]) ||
          isTimeOfDay(QStringView(line).left(line.indexOf(u','))))
        return std::nullopt;
      rows.last()[3] += kLineBreak + line;
      continue;
    }
    if ((*fields)[3].startsWith(u'"')) {
      QString body;
      QuotedLine state = scanQuoted(QStringView((*fields)[3]).sliced(1), &body);
      qsizetype last = i;
      if (state == QuotedLine::Continues && i < failedThrough) state = QuotedLine::Broken;
      while (state == QuotedLine::Continues && last + 1 < lines.size()) {
        ++last;
        body += kLineBreak;
        state = scanQuoted(lines[last], &body);
      }
      if (state == QuotedLine::Closes) {
        (*fields)[3] = body;
        i = last;
      } else {
        failedThrough = std::max(failedThrough, last);  // the message is taken as written
      }
    }
    rows.append(*fields);
  }
  return rows;
}

}  // namespace tv::app
