#pragma once
// What a member does with an application message from another member: chat and rich
// lines, whispers, the topic, team and colour choices, file offers and pictures. A
// message that does not decode (cut short, a count past its end, a type nobody sends)
// or carries a value out of range is dropped without harm. A text over its type's cap
// is dropped too, and reported in the information log at most once a minute for each
// sender, so that a flood of them cannot flood the log. UI thread only.

#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <functional>

namespace tv::session {

class PictureStore;
class SessionReport;
class SessionWindow;
class TvDccLauncher;

class MessageReceiver {
 public:
  // What the receiver reads of the session, and the one change it asks of it.
  struct SessionAccess {
    std::function<QString(quint32 playerId)> playerName;  // "" when unknown
    std::function<bool()> isHost;
    // Host: the player leaves every team group, then joins the group of team 1-4.
    std::function<void(quint32 playerId, int team)> moveToTeam;
  };

  // `steadyMs` reads a clock that never goes back, in milliseconds.
  MessageReceiver(SessionWindow &window, const SessionReport &report, const PictureStore &pictures,
                  TvDccLauncher &dcc, SessionAccess session, std::function<qint64()> steadyMs);

  // Handles one received message. Returns the path of a picture it stored, else "".
  QString Receive(quint32 senderId, QByteArrayView data);

 private:
  void ReceivePicture(std::int32_t format, const QByteArray &bytes, QString &storedPath);
  void ReceiveFileOffer(quint32 senderId, const QString &offer);
  void ReportOverCap(quint32 senderId, std::int32_t type, qsizetype textBytes);

  SessionWindow &window_;
  const SessionReport &report_;
  const PictureStore &pictures_;
  TvDccLauncher &dcc_;
  SessionAccess session_;
  std::function<qint64()> steadyMs_;
  QHash<quint32, qint64> overCapReported_;  // sender -> when last reported
};

}  // namespace tv::session
