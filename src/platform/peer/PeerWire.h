#pragma once
// The bytes members exchange: frames on the links between members and the datagrams of
// the host search. Pure functions on bytes; no sockets here.
//
// A frame is a one-byte kind followed by its fields, little-endian, without padding.
// Texts are a 16-bit byte count and valid UTF-8 (frames with anything else are refused;
// a text too long is cut at a character boundary); lists a 32-bit count and their
// elements; the application and voice payloads take the rest of the frame. The decoder checks every
// count and length against the bytes that remain and against a limit before it builds
// anything, and rejects trailing bytes, unknown kinds and out-of-range values.
//
// Datagrams of the host search share the session's UDP port with the link protocol.
// They begin with a magic whose first two bytes, read as a link-protocol header, would
// address a peer slot that no host here allocates, so the two never mix.

#include "platform/peer/PeerResult.h"
#include "platform/peer/PeerTypes.h"
#include "platform/peer/VoiceTypes.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>
#include <variant>

namespace tv::peer::wire {

inline constexpr quint32 kProtocolVersion = 1;

// Link channels: everything a member sends in order on the first, voice frames and
// non-guaranteed messages on the second.
inline constexpr quint8 kReliableChannel = 0;
inline constexpr quint8 kUnreliableChannel = 1;
inline constexpr int kChannelCount = 2;

// Largest frame on a link: an application message and its kind byte.
inline constexpr qsizetype kMaxFrameBytes = kMaxMessageBytes + 1;
// Longest list in a frame (members, groups, group members, voice members).
inline constexpr quint32 kMaxListCount = 65535;

struct MemberRecord {
  quint32 id = 0;
  quint32 joinOrder = 0;
  QString name;
  Endpoint endpoint;  // where the other members reach it
  friend bool operator==(const MemberRecord &, const MemberRecord &) = default;
};

struct GroupRecord {
  quint32 id = 0;
  quint32 ownerId = 0;
  QString name;
  QList<quint32> members;
  friend bool operator==(const GroupRecord &, const GroupRecord &) = default;
};

// Everything a newcomer needs to know about the session.
struct Snapshot {
  ApplicationDesc desc;  // without the password; currentPlayers is not sent
  quint32 hostId = 0;
  quint32 maxId = 0;  // highest player or group ID handed out so far
  QList<MemberRecord> members;
  QList<GroupRecord> groups;
  bool voiceActive = false;
  VoiceSessionDesc voiceDesc;
  QList<quint32> voiceMembers;
  friend bool operator==(const Snapshot &, const Snapshot &) = default;
};

// clang-format off
#define TV_PEER_FRAMES(X) \
  X(JoinRequest, 1) \
  X(JoinRefused, 2) \
  X(JoinAccepted, 3) \
  X(JoinComplete, 4) \
  X(JoinLinkFailed, 5) \
  X(PeerExpected, 6) \
  X(PeerExpectedCancel, 7) \
  X(LinkHello, 8) \
  X(LinkReady, 9) \
  X(PlayerAdded, 10) \
  X(PlayerRemoved, 11) \
  X(Leave, 12) \
  X(Terminate, 13) \
  X(HostMigrated, 14) \
  X(LinkLost, 15) \
  X(SetInfoRequest, 16) \
  X(InfoChanged, 17) \
  X(CreateGroupRequest, 18) \
  X(GroupCreated, 19) \
  X(GroupMemberRequest, 20) \
  X(GroupMemberChanged, 21) \
  X(AppDescChanged, 22) \
  X(VoiceSessionChanged, 23) \
  X(VoiceJoinRequest, 24) \
  X(VoiceJoinRefused, 25) \
  X(VoiceMemberAdded, 26) \
  X(VoiceLeaveRequest, 27) \
  X(VoiceMemberRemoved, 28) \
  X(AppMessage, 29) \
  X(AppDatagram, 30) \
  X(VoiceFrame, 31)
// clang-format on

enum class Kind : quint8 {
#define TV_PEER_KIND(name, value) name = value,
  TV_PEER_FRAMES(TV_PEER_KIND)
#undef TV_PEER_KIND
};

// Each frame lists its fields once, for the encoder and the decoder alike.
#define TV_FIELDS(...)                                                \
  template <class S, class F>                                         \
  static void fields([[maybe_unused]] S &s, [[maybe_unused]] F &&f) { \
    [&](auto &...x) { (f(x), ...); }(__VA_ARGS__);                    \
  }

// Joining: newcomer and host.
struct JoinRequest {
  quint32 version = kProtocolVersion;
  QUuid applicationGuid, instanceGuid;
  QString password, name;
  TV_FIELDS(s.version, s.applicationGuid, s.instanceGuid, s.password, s.name)
};
struct JoinRefused {
  Result result = 0;
  TV_FIELDS(s.result)
};
struct JoinAccepted {
  quint32 yourId = 0;
  quint64 token = 0;  // the newcomer shows it to each member it links to
  Endpoint yourEndpoint;
  Snapshot snapshot;
  TV_FIELDS(s.yourId, s.token, s.yourEndpoint, s.snapshot)
};
struct JoinComplete {
  MemberRecord you;
  TV_FIELDS(s.you)
};
struct JoinLinkFailed {
  quint32 memberId = 0;
  TV_FIELDS(s.memberId)
};
// Joining: host and members, newcomer and members.
struct PeerExpected {
  quint32 id = 0;
  quint64 token = 0;
  TV_FIELDS(s.id, s.token)
};
struct PeerExpectedCancel {
  quint32 id = 0;
  TV_FIELDS(s.id)
};
struct LinkHello {
  QUuid instanceGuid;
  quint32 id = 0;
  quint64 token = 0;
  TV_FIELDS(s.instanceGuid, s.id, s.token)
};
struct LinkReady {
  quint32 id = 0;
  TV_FIELDS(s.id)
};
// Membership.
struct PlayerAdded {
  MemberRecord member;
  TV_FIELDS(s.member)
};
struct PlayerRemoved {
  quint32 id = 0;
  quint32 reason = 0;
  TV_FIELDS(s.id, s.reason)
  bool valid() const { return reason >= kDestroyNormal && reason <= kDestroyHostDestroyedPlayer; }
};
struct Leave {
  TV_FIELDS()
};
struct Terminate {
  Result result = 0;
  TV_FIELDS(s.result)
};
struct HostMigrated {
  quint32 newHostId = 0;
  quint32 oldHostId = 0;
  TV_FIELDS(s.newHostId, s.oldHostId)
};
struct LinkLost {
  quint32 id = 0;
  TV_FIELDS(s.id)
};
// Shared state: a member's request to the host, the host's announcement to all.
struct SetInfoRequest {
  QString name;
  TV_FIELDS(s.name)
};
struct InfoChanged {
  quint32 id = 0;
  QString name;
  TV_FIELDS(s.id, s.name)
};
struct CreateGroupRequest {
  QString name;
  TV_FIELDS(s.name)
};
struct GroupCreated {
  GroupRecord group;
  TV_FIELDS(s.group)
};
struct GroupMemberRequest {
  quint32 groupId = 0, playerId = 0;
  bool add = true;
  TV_FIELDS(s.groupId, s.playerId, s.add)
};
struct GroupMemberChanged {
  quint32 groupId = 0, playerId = 0;
  bool add = true;
  TV_FIELDS(s.groupId, s.playerId, s.add)
};
struct AppDescChanged {
  ApplicationDesc desc;
  TV_FIELDS(s.desc)
};
// Voice control plane.
struct VoiceSessionChanged {
  bool active = false;
  VoiceSessionDesc desc;
  TV_FIELDS(s.active, s.desc)
};
struct VoiceJoinRequest {
  TV_FIELDS()
};
struct VoiceJoinRefused {
  Result result = 0;
  TV_FIELDS(s.result)
};
struct VoiceMemberAdded {
  quint32 id = 0;
  TV_FIELDS(s.id)
};
struct VoiceLeaveRequest {
  TV_FIELDS()
};
struct VoiceMemberRemoved {
  quint32 id = 0;
  TV_FIELDS(s.id)
};
// Payloads: the rest of the frame.
struct Payload {
  QByteArray bytes;
  friend bool operator==(const Payload &, const Payload &) = default;
};
struct AppMessage {
  Payload payload;
  TV_FIELDS(s.payload)
};
struct AppDatagram {
  Payload payload;
  TV_FIELDS(s.payload)
};
// One 20 ms voice frame: a byte with the format's version (high nibble) and the frame's
// flags (low nibble: talk-spurt start 1, end 2, pre-roll 4, quiet 8), a sequence number
// that grows by one per frame sent, the timestamp of its first sample on the sender's
// 48 kHz capture clock, and one Opus packet of 1 to 1275 bytes.
inline constexpr quint8 kVoiceVersion = 1;
inline constexpr qsizetype kMaxOpusPacketBytes = 1275;
inline constexpr qsizetype kVoiceHeaderBytes = 1 + 2 + 4;
// A voice frame on a link: its kind byte, header and packet.
inline constexpr qsizetype kMaxVoiceFrameBytes = 1 + kVoiceHeaderBytes + kMaxOpusPacketBytes;
struct VoiceFrame {
  quint8 header = kVoiceVersion << 4;
  quint16 sequence = 0;
  quint32 timestamp = 0;
  Payload opus;
  TV_FIELDS(s.header, s.sequence, s.timestamp, s.opus)
  quint8 flags() const { return header & 0x0F; }
  bool valid() const {
    return header >> 4 == kVoiceVersion && !opus.bytes.isEmpty() &&
           opus.bytes.size() <= kMaxOpusPacketBytes;
  }
};
#undef TV_FIELDS

#define TV_PEER_TYPE(name, value) name,
using Frame = std::variant<TV_PEER_FRAMES(TV_PEER_TYPE) std::monostate>;
#undef TV_PEER_TYPE

QByteArray encode(const Frame &frame);
// Empty for anything malformed, truncated, oversized or unknown.
std::optional<Frame> decode(QByteArrayView bytes);

// Voice frames without allocating, for the threads that move them: the fields of a link
// frame of kind VoiceFrame, the packet pointing into `bytes`.
struct VoiceFrameView {
  quint8 flags = 0;
  quint16 sequence = 0;
  quint32 timestamp = 0;
  const char *opus = nullptr;
  qsizetype opusSize = 0;
};
// Empty unless the bytes are one whole valid voice frame (kind byte included).
std::optional<VoiceFrameView> decodeVoiceFrame(QByteArrayView bytes);
// Writes the link frame into `out` (room for kMaxVoiceFrameBytes) and returns its size;
// 0 when the packet is empty or too large or the flags do not fit.
qsizetype encodeVoiceFrame(quint8 flags, quint16 sequence, quint32 timestamp, const char *opus,
                           qsizetype opusSize, char *out);
Kind kindOf(const Frame &frame);
// The frame's name, for diagnostics ("JoinRequest").
const char *kindName(Kind kind);

// Host search datagrams.
inline constexpr qsizetype kMaxDatagramBytes = 1400;

struct EnumQuery {
  quint32 version = kProtocolVersion;
  QUuid applicationGuid;  // null: any application
  quint32 handle = 0;     // echoed, so answers reach the search that asked
  quint32 timestamp = 0;  // echoed, for the round-trip time
};

struct EnumAnswer {
  quint32 handle = 0;
  quint32 timestamp = 0;
  ApplicationDesc desc;  // without the password, with the current player count
};

using Datagram = std::variant<EnumQuery, EnumAnswer>;

QByteArray encodeDatagram(const Datagram &datagram);
std::optional<Datagram> decodeDatagram(QByteArrayView bytes);
// True when the bytes carry the datagram magic (so the link protocol must not see them).
bool isDatagram(const void *data, size_t size);

}  // namespace tv::peer::wire
