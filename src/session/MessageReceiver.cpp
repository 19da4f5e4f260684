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
}  // namespace

MessageReceiver::MessageReceiver(SessionWindow &window, const SessionReport &report,
                                 const PictureStore &pictures, const TvDccLauncher &dcc,
                                 SessionAccess session)
    : window_(window),
      report_(report),
      pictures_(pictures),
      dcc_(dcc),
      session_(std::move(session)) {}

QString MessageReceiver::Receive(quint32 senderId, QByteArrayView data) {
  const std::optional<SessionMessage> m = decodeMessage(data);
  if (!m) return {};
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

void MessageReceiver::ReceiveFileOffer(quint32 senderId, const QString &offer) {
  const QString why = dcc_.StartReceiver(session_.playerName(senderId), offer);
  if (why.isEmpty()) return;
  report_.Log(kKindError,
              {QStringLiteral("ファイル受信の開始に失敗しました。"), ErrorDescriptionLine(why),
               QStringLiteral("　　<エラー後の処理> ファイル受信を中止しました。")});
}

}  // namespace tv::session
