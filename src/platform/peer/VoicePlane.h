#pragma once
// The voice side of a session: whether a voice session runs and with which codec, who
// takes part, and this PC's voice client. Voice membership is shared state like any
// other: members ask the host, the host announces. Frames travel unreliable on the
// links' second channel, straight to the transmit targets, moved by the transport's
// own thread: this plane only publishes the routing table (VoiceRouter.h) it needs,
// again whenever members, links, groups, voice membership or the targets change. A
// member's frames are accepted here as soon as it is a voice member here, and on the
// host before the member hears that it is one.
//
// A host admits members as soon as the session exists, but starts its voice session a
// little later; a member's voice-join request in between is held until the voice
// session starts, and refused only when it has not started in time.

#include "platform/audio/VoicePath.h"
#include "platform/peer/PeerWire.h"
#include "platform/peer/VoiceRouter.h"

#include <QDeadlineTimer>
#include <QList>
#include <QPointer>

#include <functional>
#include <memory>

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
  // `path`: the client's audio, whose frames go to the targets once it is connected.
  Result connectClient(SessionVoiceClient *client, std::shared_ptr<audio::VoicePath> path);
  Result disconnectClient(SessionVoiceClient *client);
  void detachClient(SessionVoiceClient *client);
  bool isClientBusy() const { return clientState_ != ClientState::Idle; }
  Result checkTargets(const QList<quint32> &targets) const;
  void setTargets(const QList<quint32> &targets);
  // The client's audio callbacks, delivered in the session's callback order.
  void relay(std::function<void(SessionVoiceClient &)> emitter) { raiseClient(std::move(emitter)); }
  // The same for what the audio's own timer raises (the level meters): delivered at
  // once when no callback waits.
  void relayFromTimer(std::function<void(SessionVoiceClient &)> emitter) {
    raiseClient(std::move(emitter), true);
  }

  // Routing: publishes the table again if it changed; after a new transport, at once.
  void refreshRoutes();
  void transportOpened();
  // The table last published (empty before any).
  VoiceRoutes routes() const { return routes_ ? *routes_ : VoiceRoutes{}; }

  // From the session.
  void onAnnouncement(const wire::VoiceSessionChanged &changed);
  void onAnnouncement(const wire::VoiceJoinRefused &refused);
  void onAnnouncement(const wire::VoiceMemberAdded &added);
  void onAnnouncement(const wire::VoiceMemberRemoved &removed);
  void onRequest(quint32 from, const wire::Frame &request);
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
  void raiseClient(std::function<void(SessionVoiceClient &)> emitter, bool fromTimer = false);
  void admit(quint32 id);
  void refuseJoin(quint32 id);

  struct HeldJoin {
    quint32 from = 0;
    QDeadlineTimer until;
  };
  // The client's voice connection is over: its devices close, its frames stop.
  void endClient();

  SessionPeer &peer_;
  QPointer<SessionVoiceClient> client_;
  ClientState clientState_ = ClientState::Idle;
  QList<HeldJoin> heldJoins_;  // host: requests waiting for the voice session
  QList<quint32> targets_{0};
  std::shared_ptr<audio::VoicePath> path_;
  std::shared_ptr<const VoiceRoutes> routes_;
};

}  // namespace tv::peer
