#include "platform/audio/SpeakerBuffer.h"

#include <opus/opus.h>

#include <algorithm>
#include <cstring>

namespace tv::audio {

namespace {
inline int16_t seqDiff(uint16_t a, uint16_t b) { return int16_t(uint16_t(a - b)); }
// Losses beyond this share make the buffer keep one frame more for redundancy.
constexpr float kLossyRate = 0.03f;
constexpr int64_t kStretchNs = samplesToNs(kPeriodSamples);
// A decoded frame this quiet (-30 dBFS) may be cut short.
constexpr int kQuietPeak = 1024;
}  // namespace

SpeakerBuffer::SpeakerBuffer() {
  int error = 0;
  decoder_ = opus_decoder_create(kSampleRate, 1, &error);
}

SpeakerBuffer::~SpeakerBuffer() {
  if (decoder_) opus_decoder_destroy(decoder_);
}

void SpeakerBuffer::assign(uint32_t id) noexcept {
  id_ = id;
  clear();
  state_ = State::Idle;
  everPlayed_ = false;
  playedInSpurt_ = concealedAhead_ = concealRun_ = 0;
  lastFlags_ = 0;
  endPending_ = false;
  lossRate_ = 0;
  pcmPos_ = pcmLen_ = 0;
  haveLast_ = false;
  latenessCount_ = latenessNext_ = 0;
  jitterNs_ = kDefaultJitterNs;
  delayEma_ = 0;
  lastArrival_ = lastEnd_ = 0;
  stats.played = stats.concealed = stats.dropped = 0;
  stats.delayMs = 0;
  stats.id = id;
}

SpeakerBuffer::Slot *SpeakerBuffer::find(uint16_t sequence) noexcept {
  Slot &s = slots_[sequence % kSlots];
  return s.used && s.sequence == sequence ? &s : nullptr;
}

SpeakerBuffer::Slot *SpeakerBuffer::firstAfter(uint16_t sequence) noexcept {
  for (int d = 1; d < kWindowFrames; ++d)
    if (Slot *s = find(uint16_t(sequence + d))) return s;
  return nullptr;
}

void SpeakerBuffer::clear() noexcept {
  for (Slot &s : slots_) s.used = false;
}

void SpeakerBuffer::store(const VoicePacket &p) noexcept {
  Slot &s = slots_[p.sequence % kSlots];
  s.used = true;
  s.flags = p.flags;
  s.sequence = p.sequence;
  s.size = p.size;
  s.timestamp = p.timestamp;
  s.arrivalNs = p.arrivalNs;
  std::memcpy(s.data, p.data, p.size);
  lastArrival_ = p.arrivalNs;
  s.latenessNs = noteLateness(p);
}

void SpeakerBuffer::put(const VoicePacket &p) noexcept {
  if (p.size == 0 || p.size > kMaxOpusBytes) {
    stats.dropped.fetch_add(1, std::memory_order_relaxed);
    return;
  }
  const int16_t d = seqDiff(p.sequence, next_);
  if (state_ == State::Idle) {
    // The tail of the talk-spurt that just ended, come late.
    if (everPlayed_ && p.arrivalNs - lastEnd_ < 2'000'000'000 && d < 0 && d >= -kWindowFrames) {
      stats.dropped.fetch_add(1, std::memory_order_relaxed);
      return;
    }
    clear();
    store(p);
    wait(p.sequence);
    return;
  }
  const bool beforeStart = state_ == State::Waiting && playedInSpurt_ == 0;
  if (d < 0 && beforeStart && d >= -kWindowFrames &&
      p.timestamp == nextTs_ + uint32_t(int32_t(d) * kFrameSamples) && !find(p.sequence)) {
    // An earlier frame of the talk-spurt about to start: it starts from there.
    store(p);
    wait(p.sequence);
    return;
  }
  if (d < 0 || d >= kWindowFrames || find(p.sequence)) {
    stats.dropped.fetch_add(1, std::memory_order_relaxed);
    return;
  }
  store(p);
}

void SpeakerBuffer::wait(uint16_t sequence) noexcept {
  const Slot *f = find(sequence);
  if (!f) return;
  next_ = sequence;
  nextTs_ = f->timestamp;
  state_ = State::Waiting;
  playedInSpurt_ = concealedAhead_ = concealRun_ = 0;
  // The first frame waits for as much lateness as frames showed lately, so that none
  // that follows comes too late. Pre-roll frames were spoken earlier than they were sent:
  // they may start at once if the frames after them give the wait.
  int preRoll = 0;
  for (const Slot *s = f; s && (s->flags & kPreRoll); s = find(uint16_t(s->sequence + 1)))
    ++preRoll;
  // A frame has to be here when the block that starts it is rendered, up to a block
  // before it is heard.
  const int64_t late = std::max<int64_t>(0, f->latenessNs);
  startAt_ = f->arrivalNs + std::max<int64_t>(0, jitterNs_ + wantedSlackNs() + blockNs_ - late -
                                                     preRoll * kFrameNs);
}

int64_t SpeakerBuffer::noteLateness(const VoicePacket &p) noexcept {
  if (p.flags & kPreRoll) return -1;
  // A start mark, or timestamps that do not follow the sequence numbers, begin a new
  // talk-spurt and with it a new reference for arrival times.
  const int16_t d = seqDiff(p.sequence, lastSeq_);
  const bool fresh = !haveLast_ || (p.flags & kSpurtStart) ||
                     (d != 0 && p.timestamp != lastTs_ + uint32_t(int32_t(d) * kFrameSamples));
  if (fresh) {
    spurtTs_ = p.timestamp;
    spurtLeast_ = p.arrivalNs;
  }
  if (d > 0 || fresh) {
    lastSeq_ = p.sequence;
    lastTs_ = p.timestamp;
    haveLast_ = true;
  }
  const int64_t transit = p.arrivalNs - samplesToNs(int32_t(p.timestamp - spurtTs_));
  spurtLeast_ = std::min(spurtLeast_, transit);
  const int64_t lateness = transit - spurtLeast_;
  lateness_[latenessNext_] = lateness;
  latenessAt_[latenessNext_] = p.arrivalNs;
  latenessNext_ = (latenessNext_ + 1) % kJitterHistory;
  latenessCount_ = std::min(latenessCount_ + 1, kJitterHistory);
  if (latenessCount_ >= 5) {
    int64_t most = 0;
    for (int i = 0; i < latenessCount_; ++i)
      if (p.arrivalNs - latenessAt_[i] <= kJitterHistoryNs) most = std::max(most, lateness_[i]);
    jitterNs_ = most;
  }
  return lateness;
}

void SpeakerBuffer::noteWait(int64_t waitNs) noexcept {
  delayEma_ += (waitNs - delayEma_) / 16;
  stats.delayMs.store(int32_t(std::max<int64_t>(0, delayEma_) / 1'000'000),
                      std::memory_order_relaxed);
}

int64_t SpeakerBuffer::wantedSlackNs() const noexcept {
  return kMarginNs + (lossRate_ > kLossyRate ? kFrameNs : 0);
}

void SpeakerBuffer::mix(int32_t *mix, int count, int64_t nowNs,
                        SpscRing<AudioEvent> &events) noexcept {
  blockNs_ = samplesToNs(count);
  int pos = 0;
  while (pos < count) {
    if (pcmPos_ < pcmLen_) {
      const int n = std::min(count - pos, pcmLen_ - pcmPos_);
      for (int i = 0; i < n; ++i) mix[pos + i] += pcm_[pcmPos_ + i];
      pcmPos_ += n;
      pos += n;
      if (pcmPos_ == pcmLen_ && endPending_) endSpurt(events);
      continue;
    }
    if (state_ == State::Idle) return;
    const int64_t t = nowNs + samplesToNs(pos);
    if (state_ == State::Waiting) {
      if (t < startAt_) {
        const int64_t gap = startAt_ - t;
        pos +=
            int(std::min<int64_t>(count - pos, (gap * kSampleRate + 999'999'999) / 1'000'000'000));
        continue;
      }
      state_ = State::Playing;
      if (decoder_) opus_decoder_ctl(decoder_, OPUS_RESET_STATE);
      events.push({AudioEvent::VoiceStart, id_});
    }
    if (!fetch(t, events)) return;
  }
}

bool SpeakerBuffer::fetch(int64_t t, SpscRing<AudioEvent> &events) noexcept {
  Slot *s = find(next_);
  if (s && playedInSpurt_ > 0 &&
      ((s->flags & kSpurtStart) || (concealedAhead_ == 0 && s->timestamp != nextTs_))) {
    // A new talk-spurt (or the sender started over): it gets its own timing.
    endSpurt(events);
    wait(next_);
    return true;
  }
  if (s) {
    const bool late = concealedAhead_ > 0;
    concealedAhead_ = concealRun_ = 0;
    if (!decode(s->data, s->size, false)) {
      // Undecodable: heard as a concealed frame.
      conceal();
      stats.concealed.fetch_add(1, std::memory_order_relaxed);
    }
    if (s->latenessNs >= 0) {
      noteWait(t - s->arrivalNs);
      // What the buffer holds beyond what the lateness of the last ten seconds needs
      // (the pre-roll's 40 ms, a burst long past, a sender whose clock runs fast) is
      // given back by cutting quiet frames: only frames that decode quiet too (not the
      // ringing end of a word), so that cutting them cannot click.
      const int64_t held = t - s->arrivalNs + s->latenessNs;
      const int64_t excess = held - jitterNs_ - wantedSlackNs() - blockNs_;
      if ((s->flags & kQuiet) && !late && excess >= 1'000'000 && quietPcm())
        pcmPos_ = int(std::min<int64_t>(kFrameSamples, excess * kSampleRate / 1'000'000'000));
    }
    lossRate_ *= 0.98f;
    endPending_ = s->flags & kSpurtEnd;
    lastFlags_ = s->flags;
    nextTs_ = s->timestamp;
    s->used = false;
    advance();
    return true;
  }
  Slot *later = firstAfter(next_);
  if (later && concealedAhead_ > 0) {
    // The frame a concealment stood in for is not coming: it was lost.
    --concealedAhead_;
    lossRate_ = lossRate_ * 0.98f + 0.02f;
    advance();
    return true;
  }
  if (later) {
    if (later->flags & kSpurtStart) {
      // This talk-spurt's last frames were lost; the next one is here.
      endSpurt(events);
      wait(later->sequence);
      return true;
    }
    const Slot *successor = find(uint16_t(next_ + 1));
    if (!successor || successor->timestamp != nextTs_ + kFrameSamples ||
        !decode(successor->data, successor->size, true))
      conceal();
    stats.concealed.fetch_add(1, std::memory_order_relaxed);
    lossRate_ = lossRate_ * 0.98f + 0.02f;
    advance();
    return true;
  }
  if (t - lastArrival_ >= kEndAfterNs) {
    endSpurt(events);
    return false;
  }
  if ((lastFlags_ & kQuiet) || concealRun_ >= kMaxConcealRun) {
    // Nothing to conceal in a pause: wait in silence for the frame.
    std::memset(pcm_, 0, sizeof pcm_);
    pcmPos_ = 0;
    pcmLen_ = int(kStretchNs * kSampleRate / 1'000'000'000);
    return true;
  }
  conceal();
  stats.concealed.fetch_add(1, std::memory_order_relaxed);
  ++concealedAhead_;
  ++concealRun_;
  return true;
}

bool SpeakerBuffer::decode(const uint8_t *data, int size, bool fec) noexcept {
  const int n = decoder_ ? opus_decode(decoder_, data, size, pcm_, kFrameSamples, fec ? 1 : 0) : -1;
  if (n != kFrameSamples) return false;
  pcmPos_ = 0;
  pcmLen_ = kFrameSamples;
  stats.played.fetch_add(1, std::memory_order_relaxed);
  ++playedInSpurt_;
  return true;
}

void SpeakerBuffer::conceal() noexcept {
  const int n = decoder_ ? opus_decode(decoder_, nullptr, 0, pcm_, kFrameSamples, 0) : -1;
  if (n != kFrameSamples) std::memset(pcm_, 0, sizeof pcm_);
  pcmPos_ = 0;
  pcmLen_ = kFrameSamples;
  stats.played.fetch_add(1, std::memory_order_relaxed);
  ++playedInSpurt_;
}

bool SpeakerBuffer::quietPcm() const noexcept {
  for (int i = 0; i < pcmLen_; ++i)
    if (std::abs(int(pcm_[i])) > kQuietPeak) return false;
  return true;
}

void SpeakerBuffer::advance() noexcept {
  ++next_;
  nextTs_ += kFrameSamples;
}

void SpeakerBuffer::endSpurt(SpscRing<AudioEvent> &events) noexcept {
  if (state_ == State::Playing) events.push({AudioEvent::VoiceStop, id_});
  endPending_ = false;
  lastEnd_ = lastArrival_;
  everPlayed_ = everPlayed_ || playedInSpurt_ > 0;
  playedInSpurt_ = concealedAhead_ = concealRun_ = 0;
  state_ = State::Idle;
  // Frames of a following talk-spurt may be here already.
  if (find(next_))
    wait(next_);
  else if (const Slot *s = firstAfter(next_))
    wait(s->sequence);
}

void SpeakerBuffer::stop(SpscRing<AudioEvent> &events) noexcept {
  if (state_ == State::Playing) events.push({AudioEvent::VoiceStop, id_});
  clear();
  state_ = State::Idle;
  pcmPos_ = pcmLen_ = 0;
  endPending_ = false;
  playedInSpurt_ = concealedAhead_ = concealRun_ = 0;
}

}  // namespace tv::audio
