#include "session/MessageReceiver.h"

#include "session/PictureStore.h"
#include "session/SessionMessage.h"
#include "session/SessionReport.h"
#include "session/SessionWindow.h"
#include "session/TvDccLauncher.h"

namespace tv::session {

namespace {
// Team indexes a member may send: 0 (no team) to 4.
constexpr int kMaxTeam = 4;
constexpr std::int32_t kMaxColourValue = 0xFFFFFF;
constexpr qint64 kOverCapReportMs = 60 * 1000;

QString textKindName(std::int32_t type) {
  switch (type) {
    case kWhisper:
      return QStringLiteral("密談");
    case kTopic:
      return QStringLiteral("TOPIC");
    case kFileOffer:
      return QStringLiteral("ファイル送信の申し出");
    default:
      return QStringLiteral("発言");
  }
}
}  // namespace

MessageReceiver::MessageReceiver(SessionWindow &window, const SessionReport &report,
                                 const PictureStore &pictures, TvDccLauncher &dcc,
                                 SessionAccess session, std::function<qint64()> steadyMs)
    : window_(window),
      report_(report),
      pictures_(pictures),
      dcc_(dcc),
      session_(std::move(session)),
      steadyMs_(std::move(steadyMs)) {}

QString MessageReceiver::Receive(quint32 senderId, QByteArrayView data) {
  OverCap overCap;
  const std::optional<SessionMessage> m = decodeMessage(data, &overCap);
  if (!m) {
    if (overCap.type >= 0) ReportOverCap(senderId, overCap.type, overCap.textBytes);
    return {};
  }
  QString storedPath;
  switch (m->type) {
    case kChatLine:
      // A line from a sender without a participant row is not shown.
      window_.AddChatLine(m->text, senderId, false);
      break;
    case kWhisper:
      report_.Chat(u'<' + session_.playerName(senderId) + QStringLiteral("さんから密談>") +
                   m->text);
      break;
    case kTeam:
      if (m->value < 0 || m->value > kMaxTeam) break;
      window_.SetUserTeam(senderId, m->value);
      if (session_.isHost()) session_.moveToTeam(senderId, m->value);
      break;
    case kTopic:
      window_.SetTopic(m->text);
      report_.Chat({QStringLiteral("TOPICが設定されました。"),
                    QStringLiteral("　<新TOPIC> ") + m->text,
                    QStringLiteral("　<設定者 > ") + session_.playerName(senderId)});
      break;
    case kColour:
      if (m->value < 0 || m->value > kMaxColourValue) break;
      window_.SetUserColor(senderId, quint32(m->value));
      break;
    case kFileOffer:
      ReceiveFileOffer(senderId, m->text);
      break;
    case kRichLine:
      window_.AddChatLine(m->text, senderId, true);
      break;
    case kPicture:
      ReceivePicture(m->value, m->pictureBytes, storedPath);
      break;
    default:
      break;
  }
  return storedPath;
}

void MessageReceiver::ReceivePicture(std::int32_t format, const QByteArray &bytes,
                                     QString &storedPath) {
  const PictureStore::Stored stored = pictures_.Store(format, bytes);
  if (stored.ok()) {
    storedPath = stored.path;
    return;
  }
  report_.Log(kKindError,
              {QStringLiteral("画像の受信に失敗しました。"), ErrorDescriptionLine(stored.error),
               QStringLiteral("　　<エラー後の処理> 画像は保存しませんでした。")});
}

void MessageReceiver::ReportOverCap(quint32 senderId, std::int32_t type, qsizetype textBytes) {
  const qint64 now = steadyMs_();
  // Forget senders whose minute has passed, so that the table stays small.
  overCapReported_.removeIf(
      [now](const auto &entry) { return now - entry.value() >= kOverCapReportMs; });
  if (overCapReported_.contains(senderId)) return;
  overCapReported_.insert(senderId, now);
  report_.Log(
      kKindError,
      {QStringLiteral("長すぎるメッセージを受信したので破棄しました。"),
       QStringLiteral("　　<送信者　　　　> ") + session_.playerName(senderId),
       ErrorDescriptionLine(QStringLiteral("%1は%2KBまでですが、%3バイトありました。")
                                .arg(textKindName(type))
                                .arg(maxTextBytes(type) / 1024)
                                .arg(textBytes)),
       QStringLiteral("　　<エラー後の処理> この人からの長すぎるメッセージは1分間報告しません。")});
}

void MessageReceiver::ReceiveFileOffer(quint32 senderId, const QString &offer) {
  const QString why = dcc_.StartReceiver(session_.playerName(senderId), offer);
  if (why.isEmpty()) return;
  report_.Log(kKindError,
              {QStringLiteral("ファイル受信の開始に失敗しました。"), ErrorDescriptionLine(why),
               QStringLiteral("　　<エラー後の処理> ファイル受信を中止しました。")});
}

}  // namespace tv::session
