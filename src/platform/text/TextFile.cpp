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

std::optional<QByteArray> readFileBounded(const QString &path, qint64 maxBytes) {
  QFile f(path);
  if (path.isEmpty() || !f.open(QIODevice::ReadOnly)) return std::nullopt;
  if (f.size() > maxBytes) return std::nullopt;
  QByteArray bytes = f.read(maxBytes + 1);
  if (bytes.size() > maxBytes) return std::nullopt;
  return bytes;
}

bool writeFileAtomic(const QString &path, QByteArrayView bytes, QString *error) {
  QSaveFile f(path);
  bool ok = f.open(QIODevice::WriteOnly);
  if (ok && f.write(bytes.data(), bytes.size()) != bytes.size()) {
    ok = false;
    f.cancelWriting();
  }
  if (ok) ok = f.commit();
  if (!ok && error) *error = f.errorString();
  return ok;
}

std::optional<QStringList> readCp932Lines(const QString &path, const LineLimits &limits) {
  const auto bytes = readFileBounded(path, limits.maxFileBytes);
  if (!bytes) return std::nullopt;
  return splitCp932Lines(*bytes, limits);
}

bool writeCp932Lines(const QString &path, const QStringList &lines, QString *error) {
  QByteArray bytes;
  for (const QString &line : lines) {
    bytes += encodeCp932(line);
    bytes += "\r\n";
  }
  return writeFileAtomic(path, bytes, error);
}

}  // namespace tv::text
