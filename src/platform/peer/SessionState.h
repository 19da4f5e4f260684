#pragma once
// The shared state of a session as one member knows it: description, members in join
// order, groups in creation order, the voice session. The host is the only writer; the
// others apply what it announces. Plain data with lookups; no I/O.

#include "platform/peer/PeerWire.h"

#include <QList>

#include <functional>
#include <optional>

namespace tv::peer {

class SessionState {
 public:
  wire::Snapshot &data() { return data_; }
  const wire::Snapshot &data() const { return data_; }
  void reset() { data_ = {}; }

  const wire::MemberRecord *member(quint32 id) const;
  wire::MemberRecord *member(quint32 id);
  const wire::GroupRecord *group(quint32 id) const;
  wire::GroupRecord *group(quint32 id);
  bool isMember(quint32 id) const { return member(id) != nullptr; }
  bool isGroup(quint32 id) const { return group(id) != nullptr; }
  quint32 memberCount() const { return quint32(data_.members.size()); }
  QList<quint32> memberIds() const;  // join order

  // Inserted in join order. IDs handed out are remembered so they are never reused.
  void addMember(const wire::MemberRecord &member);
  // Also leaves every group and the voice session. False when it was not a member.
  bool removeMember(quint32 id);
  void addGroup(const wire::GroupRecord &group);
  // False when nothing changed (unknown group, or already in / not in it).
  bool setGroupMember(quint32 groupId, quint32 playerId, bool add);

  quint32 allocateId() { return ++data_.maxId; }
  quint32 nextJoinOrder() const;
  void noteId(quint32 id);

  // The recipients of a message to `target`: everyone for 0, the player, or the
  // group's members. Empty optional when the target is neither.
  std::optional<QList<quint32>> recipients(quint32 target) const;

  // The member with the lowest join order among those for which `eligible` holds;
  // 0 when there is none.
  quint32 oldestMember(const std::function<bool(quint32)> &eligible) const;

  bool isVoiceMember(quint32 id) const { return data_.voiceMembers.contains(id); }
  bool addVoiceMember(quint32 id);
  bool removeVoiceMember(quint32 id);

 private:
  wire::Snapshot data_;
};

}  // namespace tv::peer
