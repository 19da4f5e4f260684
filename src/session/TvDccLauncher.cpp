#include "session/TvDccLauncher.h"

#include <QFileInfo>
#include <QProcess>

#include <limits>

namespace tv::session {

namespace {

// Longest name or file name passed on (UTF-8 bytes).
constexpr qsizetype kMaxWordBytes = 255;

bool isUnsafeChar(QChar c) {
  return c.isSpace() || c.category() == QChar::Other_Control ||
         c.category() == QChar::Other_Format || c == QChar::LineSeparator ||
         c == QChar::ParagraphSeparator;
}

}  // namespace

bool TvDccLauncher::StartDetached(const QString &program, const QStringList &arguments) {
  return QFileInfo(program).isExecutable() && QProcess::startDetached(program, arguments);
}

TvDccLauncher::TvDccLauncher(QString programPath, std::function<QString()> linkHandle,
                             Starter start)
    : programPath_(std::move(programPath)),
      linkHandle_(std::move(linkHandle)),
      start_(std::move(start)) {}

bool TvDccLauncher::IsPlainWord(const QString &word) {
  if (word.isEmpty() || word.startsWith(u'-') || word.toUtf8().size() > kMaxWordBytes) return false;
  for (const QChar c : word)
    if (isUnsafeChar(c)) return false;
  return true;
}

bool TvDccLauncher::IsPlainFileName(const QString &name) {
  return IsPlainWord(name) && !name.startsWith(u'.') && !name.contains(u'/') &&
         !name.contains(u'\\') && !name.contains(QStringLiteral(".."));
}

bool TvDccLauncher::IsDecimalInRange(const QString &text, quint64 min, quint64 max) {
  if (text.isEmpty() || text.size() > 20) return false;
  for (const QChar c : text)
    if (c < u'0' || c > u'9') return false;
  bool ok = false;
  const quint64 v = text.toULongLong(&ok);
  return ok && v >= min && v <= max;
}

std::optional<QStringList> TvDccLauncher::ReceiveArguments(const QString &senderName,
                                                           const QString &offer,
                                                           QString &why) const {
  const QString handle = linkHandle_ ? linkHandle_() : QStringLiteral("0");
  if (!IsDecimalInRange(handle, 0, std::numeric_limits<quint64>::max())) {
    why = QStringLiteral("ファイル転送の連絡先が正しくありません。");
    return std::nullopt;
  }
  if (!IsPlainWord(senderName)) {
    why = QStringLiteral("送信者のニックネームをTvDccに渡せません。");
    return std::nullopt;
  }
  // The offer is the sender's "file address port size", separated by single blanks.
  const QStringList words = offer.split(u' ');
  if (words.size() != 4 || !IsPlainFileName(words[0]) ||
      !IsDecimalInRange(words[1], 0, 0xFFFFFFFFu) || !IsDecimalInRange(words[2], 1, 65535) ||
      !IsDecimalInRange(words[3], 0, std::numeric_limits<qint64>::max())) {
    why = QStringLiteral("受信したファイル送信の申し出が正しい形式ではありません。");
    return std::nullopt;
  }
  return QStringList{QStringLiteral("VREC"), handle, senderName} + words;
}

QString TvDccLauncher::StartReceiver(const QString &senderName, const QString &offer) const {
  QString why;
  const std::optional<QStringList> arguments = ReceiveArguments(senderName, offer, why);
  if (!arguments) return why;
  if (!start_ || !start_(programPath_, *arguments))
    return QStringLiteral("TvDccを起動できませんでした。(") + programPath_ + u')';
  return {};
}

}  // namespace tv::session
