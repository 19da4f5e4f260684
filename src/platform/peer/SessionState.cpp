#include "platform/peer/SessionState.h"

#include <algorithm>

namespace tv::peer {

const wire::MemberRecord *SessionState::member(quint32 id) const {
  for (const auto &m : data_.members)
    if (m.id == id) return &m;
  return nullptr;
}

wire::MemberRecord *SessionState::member(quint32 id) {
  return const_cast<wire::MemberRecord *>(std::as_const(*this).member(id));
}

const wire::GroupRecord *SessionState::group(quint32 id) const {
  for (const auto &g : data_.groups)
    if (g.id == id) return &g;
  return nullptr;
}

wire::GroupRecord *SessionState::group(quint32 id) {
  return const_cast<wire::GroupRecord *>(std::as_const(*this).group(id));
}

QList<quint32> SessionState::memberIds() const {
  QList<quint32> ids;
  ids.reserve(data_.members.size());
  for (const auto &m : data_.members) ids.append(m.id);
  return ids;
}

void SessionState::addMember(const wire::MemberRecord &member) {
  if (isMember(member.id)) return;
  auto pos = std::upper_bound(
      data_.members.begin(), data_.members.end(), member.joinOrder,
      [](quint32 order, const wire::MemberRecord &m) { return order < m.joinOrder; });
  data_.members.insert(pos, member);
  noteId(member.id);
}

bool SessionState::removeMember(quint32 id) {
  const auto removed = data_.members.removeIf([id](const auto &m) { return m.id == id; });
  for (auto &g : data_.groups) g.members.removeAll(id);
  data_.voiceMembers.removeAll(id);
  return removed > 0;
}

void SessionState::addGroup(const wire::GroupRecord &group) {
  if (isGroup(group.id) || isMember(group.id)) return;
  data_.groups.append(group);
  noteId(group.id);
}

bool SessionState::setGroupMember(quint32 groupId, quint32 playerId, bool add) {
  wire::GroupRecord *g = group(groupId);
  if (!g || !isMember(playerId)) return false;
  if (add == g->members.contains(playerId)) return false;
  if (add)
    g->members.append(playerId);
  else
    g->members.removeAll(playerId);
  return true;
}

quint32 SessionState::nextJoinOrder() const {
  quint32 highest = 0;
  for (const auto &m : data_.members) highest = std::max(highest, m.joinOrder);
  return highest + 1;
}

void SessionState::noteId(quint32 id) { data_.maxId = std::max(data_.maxId, id); }

std::optional<QList<quint32>> SessionState::recipients(quint32 target) const {
  if (target == 0) return memberIds();
  if (isMember(target)) return QList<quint32>{target};
  if (const wire::GroupRecord *g = group(target)) return g->members;
  return std::nullopt;
}

quint32 SessionState::oldestMember(const std::function<bool(quint32)> &eligible) const {
  for (const auto &m : data_.members)  // already in join order
    if (eligible(m.id)) return m.id;
  return 0;
}

bool SessionState::addVoiceMember(quint32 id) {
  if (!isMember(id) || isVoiceMember(id)) return false;
  data_.voiceMembers.append(id);
  return true;
}

bool SessionState::removeVoiceMember(quint32 id) { return data_.voiceMembers.removeAll(id) > 0; }

}  // namespace tv::peer
