#pragma once
// Line-oriented CP932 text files with CR LF line ends: list files, CSV logs.
// Readers are bounded so that a damaged or hostile file can neither exhaust memory
// nor stall the program; writers go through a temporary file and a rename.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace tv::text {

struct LineLimits {
  qint64 maxFileBytes = 4 * 1024 * 1024;  // larger files are refused as damaged
  qsizetype maxLineBytes = 4096;          // longer lines are cut (at a character boundary)
  qsizetype maxLines = 100000;            // lines past this are ignored
};

// Splits raw bytes into lines at CR LF, lone CR or lone LF. A final line without a
// line end counts; a trailing line end does not start another line. Each line is cut
// at its first NUL byte and to the byte limit, then decoded from CP932.
QStringList splitCp932Lines(QByteArrayView bytes, const LineLimits &limits = {});

// Reads a CP932 text file. Empty optional when the file is missing, unreadable or
// larger than the limit.
std::optional<QStringList> readCp932Lines(const QString &path, const LineLimits &limits = {});

// Writes the lines as CP932, each followed by CR LF, replacing the file atomically.
// Returns false, with the reason in `error`, (and leaves any old file untouched) when
// the write fails.
bool writeCp932Lines(const QString &path, const QStringList &lines, QString *error = nullptr);

// The bytes of a file, at most `maxBytes`; empty optional when it is missing,
// unreadable or larger.
std::optional<QByteArray> readFileBounded(const QString &path, qint64 maxBytes);

// Writes bytes through a temporary file and a rename, so that a crash or a full disk
// never leaves a damaged file under the real name. False, with the reason in `error`,
// when the write failed; an existing file is then unchanged.
bool writeFileAtomic(const QString &path, QByteArrayView bytes, QString *error = nullptr);

// Cuts CP932 bytes to at most `maxBytes` without splitting a double-byte character.
QByteArray truncateCp932(QByteArrayView bytes, qsizetype maxBytes);

}  // namespace tv::text
