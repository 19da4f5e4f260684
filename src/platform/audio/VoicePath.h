#pragma once
// Where the audio engine meets the network: two single-producer single-consumer rings
// of voice packets. Capture pushes encoded frames to `outgoing` and signals the
// descriptor; the network's service thread waits on it, pops and sends. The service
// thread pushes the frames it accepted from voice members to `incoming`; playback pops
// them. No frame passes the UI thread.
//
// Shared (std::shared_ptr) between the audio engine and the transport, so that either
// may go first: the rings live until both have let go.

#include "platform/audio/AudioFormat.h"
#include "platform/audio/SpscRing.h"

#include <atomic>
#include <cstdint>

namespace tv::audio {

// Frame flags, as they travel.
inline constexpr uint8_t kSpurtStart = 1;  // first frame of a talk-spurt
inline constexpr uint8_t kSpurtEnd = 2;    // last frame of a talk-spurt
inline constexpr uint8_t kPreRoll = 4;     // sound from before the level reached the threshold
inline constexpr uint8_t kQuiet = 8;       // below the threshold (the hold after speech)
inline constexpr uint8_t kFrameFlags = kSpurtStart | kSpurtEnd | kPreRoll | kQuiet;

struct VoicePacket {
  uint32_t sender = 0;  // incoming: the voice member's player ID
  uint8_t flags = 0;
  uint16_t sequence = 0;   // one more per frame sent, across talk-spurts
  uint32_t timestamp = 0;  // the frame's first sample on the sender's capture clock
  int64_t arrivalNs = 0;   // incoming: when the network took it in
  uint16_t size = 0;       // Opus bytes in `data`
  uint8_t data[kMaxOpusBytes];
};

class VoicePath {
 public:
  // Outgoing: more than a second of frames; incoming: a second of 16 speakers' frames.
  static constexpr size_t kOutgoingFrames = 64;
  static constexpr size_t kIncomingFrames = 1024;

  VoicePath();
  ~VoicePath();
  VoicePath(const VoicePath &) = delete;
  VoicePath &operator=(const VoicePath &) = delete;

  SpscRing<VoicePacket> outgoing{kOutgoingFrames};
  SpscRing<VoicePacket> incoming{kIncomingFrames};

  // Readable while outgoing frames wait; -1 if the descriptor could not be made (the
  // network then looks at the ring on its own tick).
  int readyFd() const { return readyFd_; }
  // Capture thread, after a push: never blocks.
  void signalOutgoing() noexcept;
  // Network thread, before draining.
  void clearSignal() noexcept;

 private:
  int readyFd_ = -1;
};

}  // namespace tv::audio
