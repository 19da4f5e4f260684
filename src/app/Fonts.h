#pragma once

#include <QFont>
#include <QString>

namespace tv::app {

// The logical font the views are designed for.
inline const QString kLogFontName = QStringLiteral("ＭＳ ゴシック");

// Maps the logical font name to an installed Japanese font through Qt's substitution
// table. Returns the family chosen ("" when none of the known families is installed).
QString InstallFontSubstitutes();

// "ＭＳ ゴシック" at the given point size.
QFont LogFont(int pointSize = 9);

}  // namespace tv::app
