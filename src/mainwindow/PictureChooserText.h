#pragma once
// The rules of the picture window that need no widget: which files it lists, the file
// size label, and the preview's scroll bar ranges. Pure functions.

#include <QString>
#include <QStringList>

namespace tv::mainwindow {

// The file list's pattern, and its parts as name filters: matched without regard to
// case, so photo.JPG is listed.
inline const QString kPicturePattern = QStringLiteral("*.jpg;*.jpeg;*.bmp;*.wmf ");
QStringList PictureNameFilters();

// "1,024Bytes( = 1KB)": the length with thousands separators and "Bytes"; past 1023
// bytes also the kilobytes, past 1048575 also the megabytes, each cut to one decimal
// place without trailing zeros.
QString FileSizeText(qint64 bytes);

// A preview scroll bar for a picture `picture` pixels long in a preview `preview`
// pixels long: maximum picture - preview; while that is positive the large step is
// a tenth of it + 1 and the small step a twentieth + 1, and the bar is enabled.
struct PreviewScroll {
  int maximum = 0;
  int largeStep = 1;
  int smallStep = 1;
  bool enabled = false;
  bool operator==(const PreviewScroll &) const = default;
};
PreviewScroll PreviewScrollFor(int picture, int preview);

}  // namespace tv::mainwindow
