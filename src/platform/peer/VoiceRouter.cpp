#include "platform/peer/VoiceRouter.h"

#include "platform/audio/AudioFormat.h"

#include <algorithm>

namespace tv::peer {

// What capture encodes must fit a frame on the wire, or every frame would be dropped.
static_assert(audio::kMaxOpusBytes == wire::kMaxOpusPacketBytes);

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
  }
}

bool VoiceRouter::takeIncoming(LinkId link, QByteArrayView bytes, int64_t arrivalNs) {
  if (bytes.isEmpty() || quint8(bytes[0]) != quint8(wire::Kind::VoiceFrame)) return false;
  const VoiceRoutes::Member *member = nullptr;
  if (routes_)
    for (const VoiceRoutes::Member &m : routes_->members)
      if (m.link == link) member = &m;
  if (!member || !path_) return true;  // a stranger's frame is dropped
  // A member's frame that does not read still counts against that member's stream.
  const std::optional<wire::VoiceFrameView> frame = wire::decodeVoiceFrame(bytes);
  // With no room (playback has stopped taking frames) the frame is dropped.
  path_->incoming.pushWith([&](audio::VoicePacket &p) {
    p.sender = member->playerId;
    p.arrivalNs = arrivalNs;
    p.flags = frame ? frame->flags : 0;
    p.sequence = frame ? frame->sequence : 0;
    p.timestamp = frame ? frame->timestamp : 0;
    p.size = frame ? quint16(frame->opusSize) : 0;
    if (frame) std::copy_n(frame->opus, frame->opusSize, reinterpret_cast<char *>(p.data));
  });
  return true;
}

}  // namespace tv::peer
