#pragma once
// Value types shared by the peer session interface, its implementations and its wire
// format.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUuid>

#include <cstdint>

namespace tv::peer {

// Largest application message: a picture of up to 16 MiB including its header.
inline constexpr qsizetype kMaxMessageBytes = 16 * 1024 * 1024;
// Text limits (UTF-8 bytes) for names, session names and passwords on the wire.
inline constexpr qsizetype kMaxNameBytes = 1024;
// The host may allow at most this many members (0 means no limit).
inline constexpr quint32 kMaxPlayersLimit = 30000;
// The UDP port of a session when an address names none.
inline constexpr quint16 kDefaultPort = 2302;

// Player flags reported by GetPeerInfo.
inline constexpr quint32 kPlayerLocal = 2;
inline constexpr quint32 kPlayerHost = 4;

// Application description flags.
inline constexpr quint32 kSessionMigrateHost = 0x04;
inline constexpr quint32 kSessionRequirePassword = 0x80;

// SendTo flags.
inline constexpr quint32 kSendGuaranteed = 0x08;
inline constexpr quint32 kSendNoLoopback = 0x20;

// GetCountPlayersAndGroups flags.
inline constexpr quint32 kEnumPlayers = 0x01;
inline constexpr quint32 kEnumGroups = 0x10;

// InfoNotify message IDs and AddRemovePlayerGroup message IDs.
inline constexpr quint32 kMsgPeerInfoChanged = 0xFFFF0010;
inline constexpr quint32 kMsgAddPlayerToGroup = 0xFFFF0001;
inline constexpr quint32 kMsgRemovePlayerFromGroup = 0xFFFF0002;

// Why a player was destroyed (second argument of DestroyPlayer).
inline constexpr quint32 kDestroyNormal = 1;
inline constexpr quint32 kDestroyConnectionLost = 2;
inline constexpr quint32 kDestroySessionTerminated = 3;
inline constexpr quint32 kDestroyHostDestroyedPlayer = 4;

// An IPv4 address (host byte order) and a UDP port.
struct Endpoint {
  quint32 ipv4 = 0;
  quint16 port = 0;

  bool isNull() const { return ipv4 == 0 && port == 0; }
  QString ipText() const;  // dotted quad
  friend bool operator==(const Endpoint &, const Endpoint &) = default;
};

struct ApplicationDesc {
  quint32 flags = 0;  // kSessionMigrateHost, kSessionRequirePassword
  QUuid instanceGuid;
  QUuid applicationGuid;
  quint32 maxPlayers = 0;  // 0: no limit
  quint32 currentPlayers = 0;
  QString sessionName;
  QString password;  // never leaves the host
  friend bool operator==(const ApplicationDesc &, const ApplicationDesc &) = default;
};

struct PlayerInfo {
  QString name;
  quint32 playerFlags = 0;  // kPlayerLocal, kPlayerHost
};

struct GroupInfo {
  QString name;
  quint32 ownerId = 0;
};

struct ServiceProviderInfo {
  QString name;
  QUuid guid;
};

struct ConnectionInfo {
  quint32 roundTripMs = 0;
};

struct EnumHostsResponse {
  quint32 handle = 0;
  ApplicationDesc desc;
  QString senderUrl;  // the answering host's address as x-directplay URL
  quint32 roundTripMs = 0;
};

// The IPv4-over-UDP service provider: the one real provider.
QUuid tcpIpProviderGuid();
QList<ServiceProviderInfo> defaultServiceProviders();

// Settings of the service. The defaults are what the program uses; tests shorten the
// time limits where that does not defeat their purpose.
struct PeerConfig {
  // A member (or the host) whose PC stops answering is given up after this long.
  int detectionLimitMs = 5000;
  // A join that cannot link the newcomer with every member in this time is refused.
  int joinTimeoutMs = 10000;
  // How long the goodbye messages of a closed session may take to leave (on the
  // network side; Close does not wait for them).
  int closeGraceMs = 500;
  // Host: how long a voice-join request that came before the voice session started is
  // held for it before it is refused.
  int voiceJoinHoldMs = 5000;
  // Host search: time between queries when the caller gives 0.
  int enumIntervalMs = 1000;
  // Links one PC keeps (members plus joins in progress) and links from one IP address.
  int maxLinks = 256;
  int linksPerAddress = 16;
  QList<ServiceProviderInfo> providers = defaultServiceProviders();
};

}  // namespace tv::peer
