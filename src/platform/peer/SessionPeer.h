#pragma once
// The peer session service over a Transport: membership, joining, groups, messages,
// host migration and the voice control plane. The ENet program and the in-process fake
// are both this class; only the transport differs, so the layers above are tested
// against the behaviour they meet in use. UI thread only.
//
// Shape of a session: every member links to every other (full mesh); the host is the
// only writer of membership, groups, description and voice membership and announces
// each change to all in one order. Members ask the host for changes. See Peer.h for
// the guarantees.

#include "platform/peer/CallbackQueue.h"
#include "platform/peer/Peer.h"
#include "platform/peer/PeerWire.h"
#include "platform/peer/SessionState.h"
#include "platform/peer/Transport.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>

namespace tv::peer {

class HostSearch;
class JoinClient;
class JoinCoordinator;
class Succession;
class VoicePlane;

class SessionPeer final : public Peer {
  Q_OBJECT
 public:
  using TransportFactory = std::function<std::unique_ptr<Transport>()>;

  SessionPeer(const PeerConfig &config, TransportFactory makeTransport, QObject *parent = nullptr);
  ~SessionPeer() override;

  Result RegisterMessageHandler() override;
  Result UnRegisterMessageHandler() override;
  Result GetCountServiceProviders(quint32 &count) const override;
  Result GetServiceProvider(quint32 n, ServiceProviderInfo &out) const override;
  Result SetPeerInfo(const PlayerInfo &info) override;
  Result GetPeerInfo(quint32 playerId, PlayerInfo &out) const override;
  Result Host(const ApplicationDesc &desc, const Address &device) override;
  Result EnumHosts(const ApplicationDesc &desc, const Address &host, const Address &device,
                   qint32 retries, qint32 intervalMs, qint32 timeoutMs, quint32 &handle) override;
  Result CancelAsyncOperation(quint32 handle) override;
  Result Connect(const ApplicationDesc &desc, const Address &host, const Address &device) override;
  Result GetCountPlayersAndGroups(quint32 enumFlags, quint32 &count) override;
  Result GetPlayerOrGroup(quint32 n, quint32 &id) const override;
  Result GetConnectionInfo(quint32 playerId, ConnectionInfo &out) const override;
  Result GetPeerAddress(quint32 playerId, Address &out) const override;
  Result DestroyPeer(quint32 playerId) override;
  Result CreateGroup(const GroupInfo &info, quint32 &groupId) override;
  Result GetGroupInfo(quint32 groupId, GroupInfo &out) const override;
  Result AddPlayerToGroup(quint32 groupId, quint32 playerId) override;
  Result RemovePlayerFromGroup(quint32 groupId, quint32 playerId) override;
  Result SendTo(quint32 target, const QByteArray &data, quint32 flags) override;
  Result GetApplicationDesc(ApplicationDesc &out) const override;
  Result SetApplicationDesc(const ApplicationDesc &desc) override;
  Result Close() override;

  // The voice side of this session, for the voice server and client objects.
  VoicePlane &voicePlane() { return *voice_; }
  const PeerConfig &config() const { return config_; }

 private:
  friend class HostSearch;
  friend class JoinClient;
  friend class JoinCoordinator;
  friend class Succession;
  friend class VoicePlane;

  enum class Phase {
    Idle,        // no session
    Connecting,  // linking to the host, join requested
    Linking,     // accepted by the host, linking to the members
    InSession,   // member or host
    Ended,       // removed, or the session ended; only Close helps
  };

  struct Link {
    LinkId id = 0;
    Endpoint remote;
    bool up = false;
    quint32 playerId = 0;    // 0 until the other side is known
    bool committed = false;  // its player is a member here: deliver its messages
    bool newcomer = false;   // host: a join is being admitted on this link
    QDeadlineTimer deadline{QDeadlineTimer::Forever};  // unknown links: introduce by then
    quint32 helloId = 0;  // a newcomer's introduction waiting for the host's word
    quint64 helloToken = 0;
    std::deque<std::pair<quint8, QByteArray>> held;  // messages until committed
    qsizetype heldBytes = 0;
  };

  // Transport events.
  void onLinkUp(LinkId id, const Endpoint &remote);
  void onLinkDown(LinkId id);
  void onFrame(LinkId id, quint8 channel, const QByteArray &bytes);
  void onDatagram(const Endpoint &from, const QByteArray &bytes);
  void onUnknownLinkFrame(Link &link, const wire::Frame &frame);
  void onHostFrame(const wire::Frame &frame);
  void onMemberFrame(Link &link, const wire::Frame &frame);
  void onPayload(Link &link, quint8 kind, const QByteArray &payload);
  void housekeeping();

  // Shared state: applied by the host, announced, and applied from announcements.
  void handleRequest(quint32 from, const wire::Frame &frame);
  void applyPlayerAdded(const wire::MemberRecord &member);
  void applyPlayerRemoved(quint32 id, quint32 reason);
  void applyInfo(quint32 id, const QString &name);
  void applyGroupCreated(const wire::GroupRecord &group);
  void applyGroupMember(quint32 groupId, quint32 playerId, bool add);
  void applyAppDesc(const ApplicationDesc &desc);

  // Departures.
  void removeMember(quint32 id, quint32 reason);
  void onLeave(quint32 from);
  void endSession(Result result);
  void leftByHost(quint32 reason);

  // Helpers.
  bool isHost() const { return phase_ == Phase::InSession && hostId_ == selfId_; }
  bool inSession() const { return phase_ == Phase::InSession; }
  bool hasLiveLink(quint32 playerId) const;
  Link *linkOf(quint32 playerId);
  void sendFrame(LinkId link, const wire::Frame &frame);
  void sendToPlayer(quint32 playerId, const wire::Frame &frame);
  void sendToHost(const wire::Frame &frame);
  // Host: to every member and to a newcomer being admitted.
  void announce(const wire::Frame &frame, quint32 except = 0);
  void dropLink(LinkId id);
  void flushHeld(Link &link);
  PlayerInfo infoOf(const wire::MemberRecord &member) const;
  void raise(std::function<void()> emitter);
  Result openTransport(quint16 port);
  void releaseTransport(int graceMs);
  static Endpoint reachable(const Endpoint &seen);
  // Counts the transport events being handled, so the transport is not deleted under
  // one of its own signals.
  struct TransportEvent {
    explicit TransportEvent(SessionPeer &p) : peer(p) { ++peer.inTransportEvent_; }
    ~TransportEvent() { --peer.inTransportEvent_; }
    SessionPeer &peer;
  };
  void resetSession();
  Endpoint selfEndpoint() const;
  QDeadlineTimer limit(int ms) const { return QDeadlineTimer(ms); }

  PeerConfig config_;
  TransportFactory makeTransport_;
  std::unique_ptr<Transport> transport_;
  CallbackQueue callbacks_;
  QTimer housekeeping_;
  bool registered_ = false;
  int inTransportEvent_ = 0;
  quint64 generation_ = 0;  // changes when a session ends; stale async work checks it

  Phase phase_ = Phase::Idle;
  QString ownName_;
  SessionState state_;
  quint32 selfId_ = 0;
  quint32 hostId_ = 0;  // 0 while a new host is awaited
  Endpoint selfEndpoint_;
  QHash<LinkId, Link> links_;
  QHash<quint32, LinkId> linkOfPlayer_;
  QHash<quint32, PlayerInfo> departed_;  // readable until their destroyPlayer is delivered
  QList<quint32> listed_;                // GetCountPlayersAndGroups result

  // Members whose departure the host announced; their own goodbye is awaited so that
  // their last messages are delivered first.
  QHash<quint32, QDeadlineTimer> leaveAwaited_;
  // Requests made while no host is known, sent once one is.
  QList<wire::Frame> hostRequests_;

  std::unique_ptr<HostSearch> search_;
  std::unique_ptr<JoinCoordinator> joins_;
  std::unique_ptr<JoinClient> joining_;
  std::unique_ptr<Succession> succession_;
  std::unique_ptr<VoicePlane> voice_;
};

}  // namespace tv::peer
