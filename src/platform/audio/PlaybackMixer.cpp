#include "platform/audio/PlaybackMixer.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace tv::audio {

PlaybackMixer::PlaybackMixer(const SharedVoiceSettings &settings, std::shared_ptr<VoicePath> path,
                             EchoReference *reference)
    : settings_(settings),
      path_(std::move(path)),
      reference_(reference),
      speakers_(new SpeakerBuffer[kMaxSpeakers]) {}

PlaybackMixer::~PlaybackMixer() = default;

SpeakerBuffer *PlaybackMixer::speakerFor(uint32_t id) noexcept {
  SpeakerBuffer *free = nullptr, *oldest = nullptr;
  for (int i = 0; i < kMaxSpeakers; ++i) {
    SpeakerBuffer &s = speakers_[i];
    if (s.id() == id) return &s;
    if (s.id() == 0) {
      if (!free) free = &s;
    } else if (!s.playing() && (!oldest || s.lastArrivalNs() < oldest->lastArrivalNs())) {
      oldest = &s;
    }
  }
  // A seventeenth speaker takes the place of one that has been silent longest, or
  // waits until someone stops.
  SpeakerBuffer *s = free ? free : oldest;
  if (s) {
    s->assign(id);
    used_ |= 1u << (s - speakers_.get());
  }
  return s;
}

void PlaybackMixer::render(int16_t *out, int count, int64_t nowNs, int64_t) noexcept {
  // Frames that waited in the ring while no device played (lost, not yet back) are old
  // news: they are dropped, not played late.
  while (path_->incoming.popWith([this, nowNs](const VoicePacket &p) {
    if (nowNs - p.arrivalNs > kStaleNs) return;
    if (SpeakerBuffer *s = speakerFor(p.sender)) s->put(p);
  })) {
  }
  for (int done = 0; done < count;) {
    const int n = std::min(count - done, kFrameSamples);
    renderChunk(out + done, n, nowNs + samplesToNs(done));
    done += n;
  }
}

void PlaybackMixer::renderChunk(int16_t *out, int count, int64_t nowNs) noexcept {
  uint32_t generation = 0;
  const VoiceSettings s = settings_.read(generation);
  std::memset(mix_, 0, sizeof(int32_t) * size_t(count));
  // Muted speakers keep their time: they are mixed and then not heard.
  for (uint32_t slots = used_; slots != 0; slots &= slots - 1)
    speakers_[std::countr_zero(slots)].mix(mix_, count, nowNs, events_);
  const float gain = (s.flags & kPlaybackMute) ? 0.0f : volumeGain(s.playbackVolume);
  int peak = 0;
  for (int i = 0; i < count; ++i) {
    out[i] = saturate16(int32_t(float(mix_[i]) * gain));
    peak = std::max(peak, std::abs(int(out[i])));
  }
  storeMax(level_, peakLevel(peak));
  applied_.store(generation, std::memory_order_release);
  if (!reference_) return;
  for (int i = 0; i < count;) {
    const int n = std::min(count - i, kPeriodSamples - echoFill_);
    std::memcpy(echo_.samples + echoFill_, out + i, sizeof(int16_t) * size_t(n));
    echoFill_ += n;
    i += n;
    if (echoFill_ == kPeriodSamples) {
      reference_->push(echo_);
      echoFill_ = 0;
    }
  }
}

std::vector<SpeakerStatsView> PlaybackMixer::stats() const {
  std::vector<SpeakerStatsView> list;
  for (int i = 0; i < kMaxSpeakers; ++i) {
    const SpeakerBuffer::Stats &s = speakers_[i].stats;
    if (const uint32_t id = s.id.load(); id != 0)
      list.push_back({id, s.played.load(), s.concealed.load(), s.dropped.load(), s.delayMs.load()});
  }
  std::sort(list.begin(), list.end(),
            [](const SpeakerStatsView &a, const SpeakerStatsView &b) { return a.id < b.id; });
  return list;
}

void PlaybackMixer::interrupt() {
  for (int i = 0; i < kMaxSpeakers; ++i) speakers_[i].stop(events_);
}

}  // namespace tv::audio
