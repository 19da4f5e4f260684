#include "app/ProblemReport.h"

#include <QDir>

#include <utility>

namespace tv::app {

void ProblemReport::attach(Sink sink) {
  sink_ = std::move(sink);
  if (!sink_) return;
  const QList<QStringList> waiting = std::exchange(waiting_, {});
  for (const QStringList &lines : waiting) sink_(lines);
}

bool ProblemReport::once(const QString &kind, const QStringList &lines) {
  if (reported_.contains(kind)) return false;
  reported_.insert(kind);
  if (sink_)
    sink_(lines);
  else
    waiting_.append(lines);
  return true;
}

QStringList FileProblemLines(const QString &headline, const QString &path, const QString &reason) {
  return {headline, QStringLiteral("　　<ファイル　　　> ") + QDir::toNativeSeparators(path),
          QStringLiteral("　　<エラーの説明　> ") + reason};
}

}  // namespace tv::app
