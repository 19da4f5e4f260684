// Voice frames from strangers: the header decoder on each piece of the input, then what
// decodes is fed to playback as frames from a few speakers arriving over time, with
// blocks rendered between them. No crash, no unbounded work, and a frame that decodes
// encodes back to the same bytes.
#include "platform/audio/PlaybackMixer.h"
#include "platform/peer/PeerWire.h"

#include <cstdlib>
#include <cstring>

using namespace tv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  audio::SharedVoiceSettings settings;
  auto path = std::make_shared<audio::VoicePath>();
  audio::PlaybackMixer mixer(settings, path, nullptr);
  int16_t block[audio::kPeriodSamples];
  int64_t now = 0;
  // Pieces: a length byte, a sender byte, a time step byte, then the frame's bytes.
  while (size >= 3) {
    const size_t length = std::min<size_t>(data[0] * 8u, size - 3);
    const uint32_t sender = 1 + data[1] % 20;
    now += int64_t(data[2]) * 1'000'000;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data + 3), qsizetype(length));
    if (const auto frame = peer::wire::decodeVoiceFrame(bytes)) {
      char again[peer::wire::kMaxVoiceFrameBytes];
      const qsizetype n = peer::wire::encodeVoiceFrame(
          frame->flags, frame->sequence, frame->timestamp, frame->opus, frame->opusSize, again);
      if (n != bytes.size() || std::memcmp(again, bytes.data(), size_t(n)) != 0) std::abort();
      path->incoming.pushWith([&](audio::VoicePacket &p) {
        p.sender = sender;
        p.flags = frame->flags;
        p.sequence = frame->sequence;
        p.timestamp = frame->timestamp;
        p.arrivalNs = now;
        p.size = uint16_t(frame->opusSize);
        std::memcpy(p.data, frame->opus, size_t(frame->opusSize));
      });
    }
    mixer.render(block, audio::kPeriodSamples, now, now);
    data += 3 + length;
    size -= 3 + length;
  }
  // Whatever is buffered plays out.
  for (int i = 0; i < 100; ++i, now += 10'000'000)
    mixer.render(block, audio::kPeriodSamples, now, now);
  return 0;
}
