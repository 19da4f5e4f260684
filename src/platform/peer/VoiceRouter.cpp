#include "platform/peer/VoiceRouter.h"

#include <algorithm>

namespace tv::peer {

void VoiceRouter::drainOutgoing(
    const std::function<void(const std::vector<LinkId> &, QByteArrayView)> &send) {
  if (!path_) return;
  path_->clearSignal();
  audio::VoicePacket packet;
  while (path_->outgoing.pop(packet)) {
    if (!routes_ || routes_->targets.empty()) continue;
    const qsizetype n =
        wire::encodeVoiceFrame(packet.flags, packet.sequence, packet.timestamp,
                               reinterpret_cast<const char *>(packet.data), packet.size, buffer_);
    if (n == 0) continue;
    send(routes_->targets, QByteArrayView(buffer_, n));
    ++counts_.sent;
  }
}

bool VoiceRouter::takeIncoming(LinkId link, QByteArrayView bytes, int64_t arrivalNs) {
  if (bytes.isEmpty() || quint8(bytes[0]) != quint8(wire::Kind::VoiceFrame)) return false;
  const VoiceRoutes::Member *member = nullptr;
  if (routes_)
    for (const VoiceRoutes::Member &m : routes_->members)
      if (m.link == link) member = &m;
  if (!member || !path_) {
    ++counts_.strangers;
    return true;
  }
  // A member's frame that does not read still counts against that member's stream.
  const std::optional<wire::VoiceFrameView> frame = wire::decodeVoiceFrame(bytes);
  const bool pushed = path_->incoming.pushWith([&](audio::VoicePacket &p) {
    p.sender = member->playerId;
    p.arrivalNs = arrivalNs;
    p.flags = frame ? frame->flags : 0;
    p.sequence = frame ? frame->sequence : 0;
    p.timestamp = frame ? frame->timestamp : 0;
    p.size = frame ? quint16(frame->opusSize) : 0;
    if (frame) std::copy_n(frame->opus, frame->opusSize, reinterpret_cast<char *>(p.data));
  });
  if (pushed) {
    ++counts_.received;
  } else {
    ++counts_.overflow;
    path_->incomingOverflow.fetch_add(1, std::memory_order_relaxed);
  }
  return true;
}

}  // namespace tv::peer
