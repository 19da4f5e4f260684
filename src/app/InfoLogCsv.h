#pragma once
// The information log as CSV: line 1 the four column headers joined by ",", then one
// row per entry: time, area, kind and message joined by ",". Fields are not quoted: a
// message holding "," simply holds more commas, and readers join every field from the
// fourth on back into the message. Only a message that holds a line break (or begins
// with a double quote) is written quoted, its quotes doubled, so that its row stays
// one row; files written before that split such a message over several lines, and the
// reader takes those lines back into their row.

#include <QList>
#include <QStringList>

#include <optional>

namespace tv::app {

QStringList InfoCsvLines(const QStringList &headers, const QList<QStringList> &rows);

// The rows of a CSV file's lines, each of four columns. The first line (the headers)
// is skipped, empty lines too. A quoted message may go on over further lines; in a log
// whose rows begin with a time of day, a line of fewer than four fields that does not
// is the rest of the row above it. Empty optional when a line has fewer than four
// fields otherwise: the file is damaged or not an information log.
std::optional<QList<QStringList>> ParseInfoCsv(const QStringList &lines);

}  // namespace tv::app
