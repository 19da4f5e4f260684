#include "platform/audio/CaptureProcessor.h"

#include <opus/opus.h>
#include <speex/speex_echo.h>
#include <speex/speex_preprocess.h>

#include <algorithm>
#include <cstring>
#include <random>

namespace tv::audio {

namespace {
// The echo canceller's tail: room echo and the devices' buffers.
constexpr int kEchoTailSamples = kSampleRate / 5;
// Expected loss for the encoder's in-band redundancy.
constexpr int kExpectedLossPercent = 5;
}  // namespace

CaptureProcessor::CaptureProcessor(const SharedVoiceSettings &settings,
                                   std::shared_ptr<VoicePath> path, int bitsPerSecond,
                                   bool echoAlways, EchoReference *reference)
    : settings_(settings),
      path_(std::move(path)),
      echoAlways_(echoAlways),
      reference_(reference),
      // A random first sequence number: a reconnected client does not look like the
      // late frames of its earlier self.
      sequence_(uint16_t(std::random_device{}())) {
  int error = 0;
  encoder_ = opus_encoder_create(kSampleRate, 1, OPUS_APPLICATION_VOIP, &error);
  if (encoder_) {
    opus_encoder_ctl(encoder_, OPUS_SET_BITRATE(bitsPerSecond));
    opus_encoder_ctl(encoder_, OPUS_SET_VBR(1));
    opus_encoder_ctl(encoder_, OPUS_SET_INBAND_FEC(1));
    opus_encoder_ctl(encoder_, OPUS_SET_PACKET_LOSS_PERC(kExpectedLossPercent));
  }
  noise_ = speex_preprocess_state_init(kDspSamples, kSampleRate);
  int on = 1, off = 0;
  speex_preprocess_ctl(noise_, SPEEX_PREPROCESS_SET_DENOISE, &on);
  speex_preprocess_ctl(noise_, SPEEX_PREPROCESS_SET_AGC, &off);
  speex_preprocess_ctl(noise_, SPEEX_PREPROCESS_SET_DEREVERB, &off);
  if (reference_) {
    echo_ = speex_echo_state_init(kDspSamples, kEchoTailSamples);
    int rate = kSampleRate;
    speex_echo_ctl(echo_, SPEEX_ECHO_SET_SAMPLING_RATE, &rate);
  }
}

CaptureProcessor::~CaptureProcessor() {
  if (encoder_) opus_encoder_destroy(encoder_);
  if (noise_) speex_preprocess_state_destroy(noise_);
  if (echo_) speex_echo_state_destroy(echo_);
}

void CaptureProcessor::captured(const int16_t *samples, int count, int64_t) noexcept {
  while (count > 0) {
    const int n = std::min(count, kFrameSamples - filled_);
    std::memcpy(frame_ + filled_, samples, size_t(n) * sizeof(int16_t));
    filled_ += n;
    samples += n;
    count -= n;
    if (filled_ == kFrameSamples) {
      processFrame();
      filled_ = 0;
      timestamp_ += kFrameSamples;
    }
  }
}

void CaptureProcessor::processFrame() noexcept {
  uint32_t generation = 0;
  const VoiceSettings s = settings_.read(generation);

  if (s.flags & kRecordMute) {
    level_.store(0, std::memory_order_relaxed);
    if (transmitting_) {
      // The receivers hear the spurt end at once rather than after their time-out.
      std::memset(frame_, 0, sizeof frame_);
      send(frame_, timestamp_, kSpurtEnd | kQuiet);
      endSpurt(0);
    }
    historyCount_ = 0;
    applied_.store(generation, std::memory_order_release);
    return;
  }

  const float gain = volumeGain(s.recordVolume);
  int peak = 0;
  for (int16_t &x : frame_) {
    x = saturate16(int32_t(float(x) * gain));
    peak = std::max(peak, std::abs(int(x)));
  }
  const int level = peakLevel(peak);
  level_.store(level, std::memory_order_relaxed);
  applied_.store(generation, std::memory_order_release);

  const bool wantEcho = echo_ && (echoAlways_ || (s.flags & kEchoSuppression));
  if (wantEcho != echoOn_) {
    echoOn_ = wantEcho;
    if (echoOn_) speex_echo_state_reset(echo_);
    speex_preprocess_ctl(noise_, SPEEX_PREPROCESS_SET_ECHO_STATE, echoOn_ ? echo_ : nullptr);
  }
  if (reference_) {
    // Reference blocks are taken in step with the microphone, so the canceller sees the
    // same delay between them all along; a backlog beyond its tail is dropped.
    while (reference_->size() > size_t(kEchoTailSamples / kPeriodSamples))
      reference_->popWith([](const EchoBlock &) {});
    for (int half = 0; half < 2; ++half) {
      int16_t *mic = frame_ + half * kPeriodSamples;
      const bool have = reference_->popWith([&](const EchoBlock &b) {
        if (echoOn_) cancelEcho(mic, b.samples);
      });
      if (!have && echoOn_) {
        std::fill_n(scratch_, kPeriodSamples, int16_t(0));
        cancelEcho(mic, scratch_);
      }
    }
  }

  const bool speech = level >= s.threshold;
  if (!transmitting_) {
    if (speech) {
      startSpurt(level);
      return;
    }
    // Kept for the pre-roll; the noise estimate learns from some of them (learning
    // alone costs less than half of suppressing).
    if (++idleFrames_ % kIdleNoiseStride == 0 && noise_)
      for (int at = 0; at < kFrameSamples; at += kDspSamples)
        speex_preprocess_estimate_update(noise_, frame_ + at);
    if (historyCount_ == kPreRollFrames) {
      std::memmove(history_[0], history_[1], sizeof history_[0] * (kPreRollFrames - 1));
      std::memmove(historyTs_, historyTs_ + 1, sizeof historyTs_[0] * (kPreRollFrames - 1));
      --historyCount_;
    }
    std::memcpy(history_[historyCount_], frame_, sizeof frame_);
    historyTs_[historyCount_++] = timestamp_;
    return;
  }
  suppressNoise(frame_);
  if (speech) {
    hold_ = kHoldFrames;
    send(frame_, timestamp_, 0);
  } else if (--hold_ > 0) {
    send(frame_, timestamp_, kQuiet);
  } else {
    send(frame_, timestamp_, kQuiet | kSpurtEnd);
    endSpurt(level);
  }
}

void CaptureProcessor::startSpurt(int level) noexcept {
  transmitting_ = true;
  hold_ = kHoldFrames;
  // Each talk-spurt starts a fresh encoder, as the receiver starts a fresh decoder.
  if (encoder_) opus_encoder_ctl(encoder_, OPUS_RESET_STATE);
  uint8_t first = kSpurtStart;
  for (int i = 0; i < historyCount_; ++i) {
    suppressNoise(history_[i]);
    send(history_[i], historyTs_[i], uint8_t(first | kPreRoll));
    first = 0;
  }
  historyCount_ = 0;
  suppressNoise(frame_);
  send(frame_, timestamp_, first);
  event(AudioEvent::RecordStart, level);
}

void CaptureProcessor::endSpurt(int level) noexcept {
  transmitting_ = false;
  hold_ = 0;
  historyCount_ = 0;
  event(AudioEvent::RecordStop, level);
}

void CaptureProcessor::interrupt() {
  if (transmitting_) endSpurt(0);
  historyCount_ = 0;
  filled_ = 0;
  level_.store(0);
}

void CaptureProcessor::suppressNoise(int16_t *frame) noexcept {
  if (!noise_) return;
  for (int at = 0; at < kFrameSamples; at += kDspSamples) speex_preprocess_run(noise_, frame + at);
}

void CaptureProcessor::cancelEcho(int16_t *mic, const int16_t *played) noexcept {
  for (int at = 0; at < kPeriodSamples; at += kDspSamples) {
    speex_echo_cancellation(echo_, mic + at, played + at, echoOut_);
    std::memcpy(mic + at, echoOut_, sizeof(int16_t) * kDspSamples);
  }
}

void CaptureProcessor::send(const int16_t *pcm, uint32_t timestamp, uint8_t flags) noexcept {
  const uint16_t sequence = sequence_++;
  if (!encoder_) return;
  const bool pushed = path_->outgoing.pushWith([&](VoicePacket &p) {
    const int n = opus_encode(encoder_, pcm, kFrameSamples, p.data, kMaxOpusBytes);
    p.sender = 0;
    p.flags = flags;
    p.sequence = sequence;
    p.timestamp = timestamp;
    p.arrivalNs = 0;
    p.size = uint16_t(n > 0 ? n : 0);
  });
  // A full ring (the network thread is behind) drops the frame.
  if (pushed) path_->signalOutgoing();
}

void CaptureProcessor::event(AudioEvent::Kind kind, int level) noexcept {
  events_.push({kind, uint32_t(level)});
}

}  // namespace tv::audio
