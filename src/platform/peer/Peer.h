#pragma once
// The peer-to-peer session service: one object per session member. Every operation
// returns a Result (0 on success); every callback is a signal, delivered queued on the
// thread that owns the object, in the order the service raised it, one per event-loop
// turn, and only while a message handler is registered.
//
// Guarantees the layers above rely on:
// - A member never receives a message, voice frame or rename from a player for whom it
//   has not had createPlayer; a newcomer's connectComplete(0) comes after every member
//   has accepted it, preceded by createPlayer for itself and every member present.
// - Membership, groups and the description change only through the host, so every
//   member sees the same createPlayer/destroyPlayer/createGroup order.
// - Messages of one sender arrive whole and in order; a large one does not hold back
//   other members' messages or voice.
// - When the host leaves or dies with host migration allowed, every survivor gets
//   destroyPlayer for it and one hostMigrate naming the same new host (the oldest
//   member). IDs, groups and the description carry over. Without migration the session
//   ends with terminateSession.
// - Close tells the others first, so they see destroyPlayer at once; a member whose PC
//   dies is given up after PeerConfig::detectionLimitMs.
// - During destroyPlayer the departing player's information can still be read.

#include "platform/peer/PeerAddress.h"
#include "platform/peer/PeerResult.h"
#include "platform/peer/PeerTypes.h"

#include <QByteArray>
#include <QObject>

namespace tv::peer {

class Peer : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  ~Peer() override = default;

  // Callbacks are delivered only between these two; unregistering drops pending ones.
  virtual Result RegisterMessageHandler() = 0;
  virtual Result UnRegisterMessageHandler() = 0;

  virtual Result GetCountServiceProviders(quint32 &count) const = 0;
  // n counts from 1.
  virtual Result GetServiceProvider(quint32 n, ServiceProviderInfo &out) const = 0;

  // Sets the own name. In a session the change reaches every member as infoNotify.
  virtual Result SetPeerInfo(const PlayerInfo &info) = 0;
  // Name and flags (kPlayerLocal, kPlayerHost) of a member.
  virtual Result GetPeerInfo(quint32 playerId, PlayerInfo &out) const = 0;

  // Creates the session on the device address's port (the default port when it names
  // none); createPlayer for the own player follows.
  virtual Result Host(const ApplicationDesc &desc, const Address &device) = 0;
  // Queries the host address (every host on the LAN when it names no host) until
  // cancelled: retries -1 and timeoutMs -1 mean no limit, intervalMs 0 the default.
  // Each answer of a session with the same application GUID gives one
  // enumHostsResponse.
  virtual Result EnumHosts(const ApplicationDesc &desc, const Address &host, const Address &device,
                           qint32 retries, qint32 intervalMs, qint32 timeoutMs,
                           quint32 &handle) = 0;
  // No enumHostsResponse of that search arrives after this returns.
  virtual Result CancelAsyncOperation(quint32 handle) = 0;
  // Joins the host's session; one connectComplete follows.
  virtual Result Connect(const ApplicationDesc &desc, const Address &host,
                         const Address &device) = 0;

  // Counts the members (kEnumPlayers) and/or groups (kEnumGroups) and keeps that list
  // for GetPlayerOrGroup, which counts from 1.
  virtual Result GetCountPlayersAndGroups(quint32 enumFlags, quint32 &count) = 0;
  virtual Result GetPlayerOrGroup(quint32 n, quint32 &id) const = 0;
  virtual Result GetConnectionInfo(quint32 playerId, ConnectionInfo &out) const = 0;
  virtual Result GetPeerAddress(quint32 playerId, Address &out) const = 0;
  // Host only: removes a member, which sees its own destroyPlayer.
  virtual Result DestroyPeer(quint32 playerId) = 0;

  // On the host the group exists when this returns (groupId set); elsewhere the host
  // creates it and kPending is returned. createGroup follows on every member.
  virtual Result CreateGroup(const GroupInfo &info, quint32 &groupId) = 0;
  virtual Result GetGroupInfo(quint32 groupId, GroupInfo &out) const = 0;
  virtual Result AddPlayerToGroup(quint32 groupId, quint32 playerId) = 0;
  virtual Result RemovePlayerFromGroup(quint32 groupId, quint32 playerId) = 0;

  // To a player, a group, or 0 for everyone; flags kSendGuaranteed, kSendNoLoopback.
  // At most kMaxMessageBytes (DPNERR_SENDTOOLARGE beyond).
  virtual Result SendTo(quint32 target, const QByteArray &data, quint32 flags) = 0;

  virtual Result GetApplicationDesc(ApplicationDesc &out) const = 0;
  // Host only; appDesc follows on every member.
  virtual Result SetApplicationDesc(const ApplicationDesc &desc) = 0;

  // Leaves the session (or ends it, when this is the host and migration is off).
  virtual Result Close() = 0;

 Q_SIGNALS:
  void connectComplete(quint32 result);
  void createPlayer(quint32 playerId);
  void destroyPlayer(quint32 playerId, quint32 reason);
  void enumHostsResponse(const tv::peer::EnumHostsResponse &response);
  void hostMigrate(quint32 newHostId);
  void infoNotify(quint32 messageId, quint32 playerId);
  void receive(quint32 senderId, const QByteArray &data);
  void terminateSession(quint32 result);
  // Not raised by this service: an abandoned join ends with connectComplete(error) on
  // the newcomer and leaves the members untouched.
  void indicatedConnectAborted();
  void createGroup(quint32 groupId, quint32 ownerId);
  void appDesc();
  void addRemovePlayerGroup(quint32 messageId, quint32 groupId, quint32 playerId);
  // A host search ended by itself (0) or was cancelled (DPNERR_USERCANCEL).
  void asyncOpComplete(quint32 handle, quint32 result);
};

}  // namespace tv::peer
