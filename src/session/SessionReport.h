#pragma once
// How the session engine writes into the main window: information-log rows of the
// area "音声" and system lines of the chat log, including the four-line error blocks
// whose detail lines start with two ideographic spaces and a padded label.

#include "platform/peer/PeerResult.h"

#include <QString>
#include <QStringList>

namespace tv::session {

class SessionWindow;

// Kinds of the information-log rows.
inline const QString kKindStart = QStringLiteral("起動");
inline const QString kKindStop = QStringLiteral("停止");
inline const QString kKindMigrate = QStringLiteral("移行");
inline const QString kKindError = QStringLiteral("ERR");

// "　　<エラー番号　　> 0x80158610" and "　　<エラーの説明　> " + the platform's explanation.
QString ErrorNumberLine(peer::Result code);
QString ErrorDescriptionLine(const QString &description);
QString ErrorDescriptionLine(peer::Result code);

// Consequence lines.
inline const QString kStartAbandoned =
    QStringLiteral("　　<エラー後の処理> 音声チャットの起動を中止します。");
inline const QString kNothingFurther =
    QStringLiteral("　　<エラー後の処理> 特に何もしません。(Talvoraの再起動を推奨します。)");

class SessionReport {
 public:
  explicit SessionReport(SessionWindow &window) : window_(window) {}

  void Log(const QString &kind, const QString &text) const;
  void Log(const QString &kind, const QStringList &lines) const;
  // Headline, error number, explanation and consequence, all of the kind "ERR".
  void ErrorBlock(const QString &headline, peer::Result code, const QString &consequence) const;
  // The block for an unexpected failure inside a callback handler: the headline is
  // the callback's name + "イベントでエラーが発生しました。".
  void CallbackError(const QString &callback, peer::Result code,
                     const QString &consequence = kNothingFurther) const;
  // A system line (sender 0) of the chat log.
  void Chat(const QString &text) const;
  void Chat(const QStringList &lines) const;

 private:
  SessionWindow &window_;
};

}  // namespace tv::session
