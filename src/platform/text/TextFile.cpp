#include "platform/text/TextFile.h"

#include "platform/text/Cp932.h"

#include <QFile>
#include <QSaveFile>

namespace tv::text {

QByteArray truncateCp932(QByteArrayView bytes, qsizetype maxBytes) {
  if (bytes.size() <= maxBytes) return bytes.toByteArray();
  // Walk characters from the start: a lead byte always takes its successor with it.
  qsizetype i = 0;
  while (i < maxBytes) {
    const auto b = std::uint8_t(bytes[i]);
    const qsizetype width = isCp932LeadByte(b) && i + 1 < bytes.size() ? 2 : 1;
    if (i + width > maxBytes) break;
    i += width;
  }
  return bytes.first(i).toByteArray();
}

QStringList splitCp932Lines(QByteArrayView bytes, const LineLimits &limits) {
  QStringList lines;
  qsizetype start = 0;
  const qsizetype n = bytes.size();
  auto emit = [&](qsizetype end) {
    if (lines.size() >= limits.maxLines) return;
    QByteArrayView line = bytes.sliced(start, end - start);
    const qsizetype nul = line.indexOf('\0');
    if (nul >= 0) line = line.first(nul);
    lines.append(decodeCp932(truncateCp932(line, limits.maxLineBytes)));
  };
  for (qsizetype i = 0; i < n; ++i) {
    const char c = bytes[i];
    if (c != '\r' && c != '\n') continue;
    emit(i);
    if (c == '\r' && i + 1 < n && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < n) emit(n);
  return lines;
}

std::optional<QStringList> readCp932Lines(const QString &path, const LineLimits &limits) {
  QFile f(path);
  if (path.isEmpty() || !f.open(QIODevice::ReadOnly)) return std::nullopt;
  if (f.size() > limits.maxFileBytes) return std::nullopt;
  const QByteArray bytes = f.read(limits.maxFileBytes + 1);
  if (bytes.size() > limits.maxFileBytes) return std::nullopt;
  return splitCp932Lines(bytes, limits);
}

bool writeCp932Lines(const QString &path, const QStringList &lines) {
  QByteArray bytes;
  for (const QString &line : lines) {
    bytes += encodeCp932(line);
    bytes += "\r\n";
  }
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return false;
  if (f.write(bytes) != bytes.size()) {
    f.cancelWriting();
    return false;
  }
  return f.commit();
}

}  // namespace tv::text
