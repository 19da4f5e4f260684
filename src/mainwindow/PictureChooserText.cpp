#include "mainwindow/PictureChooserText.h"

namespace tv::mainwindow {
namespace {

// The value cut (not rounded) to one decimal place, written without trailing zeros.
QString tenths(qint64 bytes, qint64 unit) {
  const qint64 t = bytes * 10 / unit;
  return t % 10 == 0 ? QString::number(t / 10) : QStringLiteral("%1.%2").arg(t / 10).arg(t % 10);
}

// Digits with "," every three places, whatever the user's locale.
QString grouped(qint64 value) {
  QString digits = QString::number(value);
  for (qsizetype at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, u',');
  return digits;
}

}  // namespace

QStringList PictureNameFilters() {
  QStringList filters;
  for (const QString &part : kPicturePattern.split(u';', Qt::SkipEmptyParts))
    if (!part.trimmed().isEmpty()) filters << part.trimmed();
  return filters;
}

QString FileSizeText(qint64 bytes) {
  QString text = grouped(bytes) + QStringLiteral("Bytes");
  if (bytes > 1023) text += QStringLiteral("( = ") + tenths(bytes, 1024) + QStringLiteral("KB)");
  if (bytes > 1048575)
    text += QStringLiteral("( = ") + tenths(bytes, 1048576) + QStringLiteral("MB)");
  return text;
}

PreviewScroll PreviewScrollFor(int picture, int preview) {
  PreviewScroll s;
  const int maximum = picture - preview;
  if (maximum <= 0) return s;
  s.maximum = maximum;
  s.largeStep = maximum / 10 + 1;
  s.smallStep = maximum / 20 + 1;
  s.enabled = true;
  return s;
}

}  // namespace tv::mainwindow
