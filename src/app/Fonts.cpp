#include "app/Fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace tv::app {

QString InstallFontSubstitutes() {
  static const QStringList kCandidates = {
      QStringLiteral("IPAGothic"),
      QStringLiteral("IPAexGothic"),
      QStringLiteral("Noto Sans Mono CJK JP"),
      QStringLiteral("Noto Sans CJK JP"),
      QStringLiteral("VL Gothic"),
      QStringLiteral("TakaoGothic"),
  };
  const QStringList families = QFontDatabase::families();
  for (const QString &candidate : kCandidates) {
    if (families.contains(candidate, Qt::CaseInsensitive)) {
      QFont::insertSubstitution(kLogFontName, candidate);
      return candidate;
    }
  }
  return {};
}

QFont LogFont(int pointSize) {
  QFont f(kLogFontName, pointSize);
  f.setStyleHint(QFont::TypeWriter);
  return f;
}

}  // namespace tv::app
