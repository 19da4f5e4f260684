#pragma once
// Whole documents to and from files: RTF, and plain text in CP932 with CR LF line
// ends. Writes replace the file atomically; reads are bounded.

#include "platform/richtext/RtfReader.h"
#include "platform/text/TextFile.h"

#include <QString>

#include <optional>

class QTextDocument;

namespace tv::richtext {

// Writes the document as RTF. False, with a reason in `error`, when the file cannot
// be written; an existing file is then left as it was.
bool saveRtfFile(const QTextDocument &doc, const QString &path, QString *error = nullptr);
// Writes the document's text in CP932 with CR LF line ends (pictures left out).
bool saveTextFile(const QTextDocument &doc, const QString &path, QString *error = nullptr);

// Replaces the document's content with the RTF file's. A file that cannot be read
// counts as NotRtf; one over the size limit as TooLarge. On failure the document is
// left empty.
RtfReadResult loadRtfFile(QTextDocument &doc, const QString &path, const RtfLimits &limits = {});
// Replaces the document's content with a CP932 text file. False when the file cannot
// be read or is larger than `maxBytes`.
bool loadTextFile(QTextDocument &doc, const QString &path, qint64 maxBytes = 64 * 1024 * 1024);

// The bounded read and the atomic write shared with every other file of the suite.
using text::readFileBounded;
using text::writeFileAtomic;

}  // namespace tv::richtext
