#pragma once
// The voice side of a session: whether a voice session runs and with which codec, who
// takes part, and this PC's voice client. Voice membership is shared state like any
// other: members ask the host, the host announces. Frames travel unreliable on the
// links' second channel, straight to the transmit targets.
//
// A host admits members as soon as the session exists, but starts its voice session a
// little later; a member's voice-join request in between is held until the voice
// session starts, and refused only when it has not started in time.

#include "platform/peer/PeerWire.h"

#include <QDeadlineTimer>
#include <QList>
#include <QPointer>

#include <functional>

namespace tv::peer {

class SessionPeer;
class SessionVoiceClient;

class VoicePlane {
 public:
  explicit VoicePlane(SessionPeer &peer) : peer_(peer) {}

  // Voice server, on the host.
  Result startSession(const VoiceSessionDesc &desc);
  Result stopSession();
  Result sessionDesc(VoiceSessionDesc &out) const;
  bool canServe() const;

  // This PC's voice client.
  bool canConnect() const;
  Result connectClient(SessionVoiceClient *client);
  Result disconnectClient(SessionVoiceClient *client);
  void detachClient(SessionVoiceClient *client);
  bool isClientBusy() const { return clientState_ != ClientState::Idle; }
  Result checkTargets(const QList<quint32> &targets) const;
  Result sendFrame(const QList<quint32> &targets, const QByteArray &frame);

  // From the session.
  void onAnnouncement(const wire::VoiceSessionChanged &changed);
  void onAnnouncement(const wire::VoiceJoinRefused &refused);
  void onAnnouncement(const wire::VoiceMemberAdded &added);
  void onAnnouncement(const wire::VoiceMemberRemoved &removed);
  void onRequest(quint32 from, const wire::Frame &request);
  void onFrame(quint32 from, const QByteArray &payload);
  void memberLeaving(quint32 id);
  void hostMigrated(quint32 newHost);
  void sessionEnded();
  void reset();
  // Refuses held voice-join requests whose time is up.
  void tick();

 private:
  enum class ClientState { Idle, Connecting, Connected };

  void memberAdded(quint32 id);
  void memberRemoved(quint32 id);
  void raiseClient(std::function<void(SessionVoiceClient &)> emitter);
  void admit(quint32 id);
  void refuseJoin(quint32 id);

  struct HeldJoin {
    quint32 from = 0;
    QDeadlineTimer until;
  };

  SessionPeer &peer_;
  QPointer<SessionVoiceClient> client_;
  ClientState clientState_ = ClientState::Idle;
  QList<HeldJoin> heldJoins_;  // host: requests waiting for the voice session
};

}  // namespace tv::peer
