#include "platform/richtext/RichTextFiles.h"

#include "platform/richtext/RtfWriter.h"
#include "platform/text/Cp932.h"

#include <QFile>
#include <QFileInfo>
#include <QTextCursor>
#include <QTextDocument>

namespace tv::richtext {

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
