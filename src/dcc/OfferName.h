#pragma once
// What a file offered by a stranger may be called on this PC. The offered name is
// reduced to a plain file name before it meets a folder, and the data is written to a
// side name ("<name>.part") until the announced size is reached. Pure functions.

#include <QString>

#include <optional>

namespace tv::dcc {

// Longest file name this program writes (UTF-8 bytes).
inline constexpr int kMaxNameBytes = 255;
// The name used when nothing of the offered one is left.
inline const QString kFallbackName = QStringLiteral("受信ファイル");

// The part after the last "/" or "\", without control, format and separator characters
// (NUL, CR, bidirectional controls), without leading "." and "-", at most
// kMaxNameBytes bytes (cut before the extension, on a character boundary);
// kFallbackName when nothing is left.
QString ReduceOfferedName(const QString &offered);

// The text cut to at most maxBytes UTF-8 bytes on a character boundary.
QString CutToBytes(const QString &text, int maxBytes);

// folder joined with a plain name by the path API; empty when the result would not lie
// directly inside the folder.
std::optional<QString> PathInsideFolder(const QString &folder, const QString &name);

// The side name for attempt 0 ("<name>.part"), 1 ("<name>.1.part"), ...; the name is
// shortened where the suffix would make it longer than kMaxNameBytes.
QString PartFileName(const QString &name, int attempt);

}  // namespace tv::dcc
