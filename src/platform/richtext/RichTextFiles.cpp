#include "platform/richtext/RichTextFiles.h"

#include "platform/richtext/RtfWriter.h"
#include "platform/text/Cp932.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextCursor>
#include <QTextDocument>

namespace tv::richtext {

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
  if (!f.open(QIODevice::WriteOnly)) {
    if (error) *error = f.errorString();
    return false;
  }
  if (f.write(bytes.data(), bytes.size()) != bytes.size()) {
    if (error) *error = f.errorString();
    f.cancelWriting();
    return false;
  }
  if (!f.commit()) {
    if (error) *error = f.errorString();
    return false;
  }
  return true;
}

bool saveRtfFile(const QTextDocument &doc, const QString &path, QString *error) {
  return writeFileAtomic(path, writeRtf(doc), error);
}

bool saveTextFile(const QTextDocument &doc, const QString &path, QString *error) {
  return writeFileAtomic(path, text::encodeCp932(plainTextOf(doc)), error);
}

RtfReadResult loadRtfFile(QTextDocument &doc, const QString &path, const RtfLimits &limits) {
  doc.clear();
  const auto bytes = readFileBounded(path, limits.maxInputBytes);
  if (!bytes) {
    RtfReadResult result;
    result.status = QFile::exists(path) && QFileInfo(path).size() > limits.maxInputBytes
                        ? RtfStatus::TooLarge
                        : RtfStatus::NotRtf;
    return result;
  }
  QTextCursor cursor(&doc);
  return readRtf(*bytes, cursor, limits);
}

bool loadTextFile(QTextDocument &doc, const QString &path, qint64 maxBytes) {
  doc.clear();
  const auto bytes = readFileBounded(path, maxBytes);
  if (!bytes) return false;
  QString text = text::decodeCp932(*bytes);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(u'\r', u'\n');
  text.replace(QChar(0), QChar::ReplacementCharacter);
  doc.setPlainText(text);
  return true;
}

}  // namespace tv::richtext
