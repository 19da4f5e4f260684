#include "session/SessionReport.h"

#include "session/SessionWindow.h"

namespace tv::session {

QString ErrorNumberLine(peer::Result code) {
  return QStringLiteral("　　<エラー番号　　> ") + peer::formatResult(code);
}

QString ErrorDescriptionLine(const QString &description) {
  return QStringLiteral("　　<エラーの説明　> ") + description;
}

QString ErrorDescriptionLine(peer::Result code) {
  return ErrorDescriptionLine(peer::resultDescription(code));
}

void SessionReport::Log(const QString &kind, const QString &text) const {
  window_.LogVoiceInfo(kind, text);
}

void SessionReport::Log(const QString &kind, const QStringList &lines) const {
  for (const QString &line : lines) window_.LogVoiceInfo(kind, line);
}

void SessionReport::ErrorBlock(const QString &headline, peer::Result code,
                               const QString &consequence) const {
  Log(kKindError, {headline, ErrorNumberLine(code), ErrorDescriptionLine(code), consequence});
}

void SessionReport::CallbackError(const QString &callback, peer::Result code,
                                  const QString &consequence) const {
  ErrorBlock(callback + QStringLiteral("イベントでエラーが発生しました。"), code, consequence);
}

void SessionReport::Chat(const QString &text) const { window_.AddChatLine(text, 0, false); }

void SessionReport::Chat(const QStringList &lines) const {
  for (const QString &line : lines) Chat(line);
}

}  // namespace tv::session
