// The audio path without devices: what capture sends for a given sound (levels, voice
// activation with pre-roll and hold, mute, volume), and what playback makes of the
// frames as a network delivers them (in time, lost, duplicated, reordered, late,
// wrapped, restarted, flooded, unreadable), mixed and at the playback volume. Time is
// simulated: frames arrive and blocks are rendered at chosen instants.
#include "platform/audio/CaptureProcessor.h"
#include "platform/audio/PlaybackMixer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <random>

namespace tv::audio {
namespace {

constexpr int64_t kMs = 1'000'000;

std::vector<int> operator+(std::vector<int> a, const std::vector<int> &b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct Capture {
  SharedVoiceSettings settings;
  std::shared_ptr<VoicePath> path = std::make_shared<VoicePath>();
  CaptureProcessor processor{settings, path, 32000, false, nullptr};
  explicit Capture(VoiceSettings s = {kManual, 0, 0, 1}) { settings.publish(s); }
  static constexpr uint32_t kManual = 4;

  // One 20 ms frame of a 440 Hz tone with this peak (0: silence).
  void frame(int peak) {
    int16_t pcm[kFrameSamples];
    for (int i = 0; i < kFrameSamples; ++i)
      pcm[i] = int16_t(std::lround(peak * std::sin(2 * M_PI * 440 * (n_ + i) / kSampleRate)));
    n_ += kFrameSamples;
    processor.captured(pcm, kFrameSamples, 0);
  }
  std::vector<VoicePacket> sent() {
    std::vector<VoicePacket> out;
    VoicePacket p;
    while (path->outgoing.pop(p)) out.push_back(p);
    return out;
  }
  std::string events() {
    std::string s;
    AudioEvent e;
    while (processor.popEvent(e)) s += e.kind == AudioEvent::RecordStart ? "[" : "]";
    return s;
  }
  int64_t n_ = 0;
};

std::string flagsOf(const std::vector<VoicePacket> &packets) {
  std::string s;
  for (const VoicePacket &p : packets) {
    if (!s.empty()) s += ' ';
    s += p.flags & kSpurtStart ? "s" : "";
    s += p.flags & kPreRoll ? "p" : "";
    s += p.flags & kQuiet ? "q" : "";
    s += p.flags & kSpurtEnd ? "e" : "";
    if (!(p.flags & kFrameFlags)) s += "-";
  }
  return s;
}

TEST(VoiceCapture, LevelsAfterTheVolumeDecideWhatIsSentWithPreRollAndHold) {
  const std::string hold14 = "q q q q q q q q q q q q q q";
  struct Case {
    const char *what;
    VoiceSettings settings;
    std::vector<int> peaks;  // one per frame
    int level;               // after the last frame
    std::string flags;
    std::string events;
  } cases[] = {
      {"a quiet room at full volume", {4, 0, 0, 1}, {0, 20, 300, 330}, 0, "", ""},
      {"-40 dBFS reaches threshold 1", {4, 0, 0, 1}, {0, 0, 0, 331}, 1, "sp p -", "["},
      {"full scale", {4, 0, 0, 1}, {32767}, 99, "s", "["},
      {"the volume comes first", {4, -600, 0, 1}, {8230}, 12, "s", "["},
      {"volume -10000 is silence", {4, -10000, 0, 1}, {32767}, 0, "", ""},
      {"record mute sends nothing", {5, 0, 0, 1}, {32767, 32767}, 0, "", ""},
      {"threshold 0 sends everything", {4, 0, 0, 0}, {0, 0}, 0, "s -", "["},
      {"a word: pre-roll, speech, 300 ms hold, end",
       {4, 0, 0, 1},
       std::vector<int>{0, 0, 0, 9000, 9000, 9000} + std::vector<int>(16, 0),
       0,
       "sp p - - - " + hold14 + " qe",
       "[]"},
      {"a short pause keeps the talk-spurt going",
       {4, 0, 0, 1},
       std::vector<int>{9000} + std::vector<int>(10, 0) + std::vector<int>{9000},
       99 * 9000 / 32767,
       "s q q q q q q q q q q -",
       "["},
  };
  for (const Case &c : cases) {
    Capture cap(c.settings);
    for (const int peak : c.peaks) cap.frame(peak);
    EXPECT_EQ(cap.processor.level(), c.level) << c.what;
    const std::vector<VoicePacket> sent = cap.sent();
    EXPECT_EQ(flagsOf(sent), c.flags) << c.what;
    EXPECT_EQ(cap.events(), c.events) << c.what;
    for (size_t i = 1; i < sent.size(); ++i) {
      EXPECT_EQ(uint16_t(sent[i].sequence - sent[i - 1].sequence), 1) << c.what;
      EXPECT_EQ(sent[i].timestamp - sent[i - 1].timestamp, uint32_t(kFrameSamples)) << c.what;
    }
  }
}

TEST(VoiceCapture, ASettingTakesEffectWithinOneFrameAndMuteEndsATalkSpurt) {
  Capture cap;
  cap.frame(20000);
  cap.frame(20000);
  uint32_t generation = cap.settings.publish({Capture::kManual | kRecordMute, 0, 0, 1});
  EXPECT_NE(cap.processor.appliedGeneration(), generation);
  cap.frame(20000);
  EXPECT_EQ(cap.processor.appliedGeneration(), generation);
  EXPECT_EQ(cap.processor.level(), 0);
  EXPECT_EQ(flagsOf(cap.sent()), "s - qe");
  EXPECT_EQ(cap.events(), "[]");
  generation = cap.settings.publish({Capture::kManual, -600, 0, 1});
  cap.frame(20000);
  EXPECT_EQ(cap.processor.level(), 30);  // 20000 at -6 dB
}

// A simulated network and playback clock: frames are handed to playback when their
// arrival time has come, blocks of 10 ms are rendered every 10 ms.
struct Playback {
  SharedVoiceSettings settings;
  std::shared_ptr<VoicePath> path = std::make_shared<VoicePath>();
  PlaybackMixer mixer{settings, path, nullptr};
  std::multimap<int64_t, VoicePacket> inFlight;
  std::vector<int16_t> heard;
  std::string events;
  int64_t now = 0;

  explicit Playback(VoiceSettings s = {}) { settings.publish(s); }
  void arrive(VoicePacket p, int64_t at, uint32_t sender = 9) {
    p.sender = sender;
    p.arrivalNs = at;
    inFlight.emplace(at, p);
  }
  void runUntil(int64_t end) {
    int16_t block[kPeriodSamples];
    for (; now < end; now += 10 * kMs) {
      while (!inFlight.empty() && inFlight.begin()->first <= now) {
        path->incoming.push(inFlight.begin()->second);
        inFlight.erase(inFlight.begin());
      }
      mixer.render(block, kPeriodSamples, now, now + 10 * kMs);
      heard.insert(heard.end(), block, block + kPeriodSamples);
      AudioEvent e;
      while (mixer.popEvent(e)) events += e.kind == AudioEvent::VoiceStart ? "[" : "]";
    }
  }
  SpeakerStatsView stats(uint32_t id = 9) {
    for (const SpeakerStatsView &s : mixer.stats())
      if (s.id == id) return s;
    return {};
  }
};

// A talk-spurt of `frames` loud frames, as capture sends it.
std::vector<VoicePacket> spurt(int frames, int peak = 12000) {
  Capture cap;
  std::vector<VoicePacket> all;
  for (int i = 0; i < frames + CaptureProcessor::kHoldFrames; ++i) {
    cap.frame(i < frames ? peak : 0);
    for (const VoicePacket &p : cap.sent()) all.push_back(p);
  }
  return all;
}

TEST(VoicePlayback, FramesAsTheNetworkDeliversThemArePlayedConcealedOrDropped) {
  const std::vector<VoicePacket> base = spurt(60);
  const int n = int(base.size());  // 75 with the hold
  using Network = std::function<void(Playback &, std::vector<VoicePacket> &)>;
  // Frame i leaves 20 ms after its capture; `delay` decides when it arrives (<0: lost).
  const auto deliver = [](std::function<int64_t(int)> delay) -> Network {
    return [delay](Playback &pb, std::vector<VoicePacket> &packets) {
      for (int i = 0; i < int(packets.size()); ++i)
        if (const int64_t d = delay(i); d >= 0)
          pb.arrive(packets[size_t(i)], (i + 1) * 20 * kMs + d);
    };
  };
  std::mt19937 jitter(5);
  struct Case {
    const char *what;
    Network network;
    int played, maxConcealed, dropped;
    std::string events;
  } cases[] = {
      {"in time", deliver([](int) { return 5 * kMs; }), n, 0, 0, "[]"},
      {"one lost, its successor in the buffer",
       deliver([](int i) { return i == 30   ? -1
                                  : i == 31 ? 0
                                            : 25 * kMs; }), n, 1, 0, "[]"},
      {"one lost at the buffer's edge", deliver([](int i) { return i == 30 ? -1 : 5 * kMs; }), n, 1,
       0, "[]"},
      {"duplicates",
       [](Playback &pb, std::vector<VoicePacket> &p) {
         for (int i = 0; i < int(p.size()); ++i)
           for (int k = 0; k < (i % 5 == 0 ? 2 : 1); ++k)
             pb.arrive(p[size_t(i)], (i + 1) * 20 * kMs + (5 + k) * kMs);
       },
       n, 0, 15, "[]"},
      {"two swapped, the first late", deliver([](int i) { return i == 20 ? 30 * kMs : 5 * kMs; }),
       n + 1, 1, 0, "[]"},
      {"one far too late", deliver([](int i) { return i == 30 ? 300 * kMs : 5 * kMs; }), n, 1, 1,
       "[]"},
      {"0-15 ms jitter", deliver([&](int) { return int64_t(jitter() % 16) * kMs; }), n, 0, 0, "[]"},
      {"end mark lost", deliver([n](int i) { return i == n - 1 ? -1 : 5 * kMs; }), n - 1, 0, 0,
       "[]"},
      {"sequence numbers and timestamps wrap",
       [](Playback &pb, std::vector<VoicePacket> &p) {
         const uint16_t s0 = p[0].sequence;
         const uint32_t t0 = p[0].timestamp;
         for (int i = 0; i < int(p.size()); ++i) {
           p[size_t(i)].sequence = uint16_t(p[size_t(i)].sequence - s0 + 65500);
           p[size_t(i)].timestamp = p[size_t(i)].timestamp - t0 + 0xFFFF0000u;
           pb.arrive(p[size_t(i)], (i + 1) * 20 * kMs + 5 * kMs);
         }
       },
       n, 0, 0, "[]"},
      {"the sender starts over mid-spurt",
       [](Playback &pb, std::vector<VoicePacket> &p) {
         for (int i = 0; i < int(p.size()); ++i) {
           if (i >= 40) p[size_t(i)].timestamp += 480000;
           pb.arrive(p[size_t(i)], (i + 1) * 20 * kMs + 5 * kMs);
         }
       },
       n, 0, 0, "[][]"},
      {"a flood",
       [](Playback &pb, std::vector<VoicePacket> &p) {
         for (const VoicePacket &x : p) pb.arrive(x, 20 * kMs);
       },
       SpeakerBuffer::kWindowFrames, 0, n - SpeakerBuffer::kWindowFrames, "[]"},
      {"unreadable packets",
       [](Playback &pb, std::vector<VoicePacket> &p) {
         p[20].size = 1, p[20].data[0] = 0xFF;  // an Opus code-3 packet without its count
         p[21].size = 0;                        // what the network could not read
         for (int i = 0; i < int(p.size()); ++i)
           pb.arrive(p[size_t(i)], (i + 1) * 20 * kMs + 5 * kMs);
       },
       n, 2, 1, "[]"},
  };
  for (Case &c : cases) {
    Playback pb;
    std::vector<VoicePacket> packets = base;
    c.network(pb, packets);
    pb.runUntil(int64_t(n + 40) * 20 * kMs);
    const SpeakerStatsView s = pb.stats();
    EXPECT_EQ(int(s.played), c.played) << c.what;
    EXPECT_LE(int(s.concealed), c.maxConcealed) << c.what;
    EXPECT_EQ(int(s.dropped), c.dropped) << c.what;
    EXPECT_EQ(pb.events, c.events) << c.what;
  }
}

TEST(VoicePlayback, SpeakersMixSaturatingAtThePlaybackVolume) {
  const std::vector<VoicePacket> loud = spurt(20, 30000);
  const auto peakOf = [&](VoiceSettings settings, int speakers) {
    Playback pb(settings);
    for (int s = 1; s <= speakers; ++s)
      for (size_t i = 0; i < loud.size(); ++i)
        pb.arrive(loud[i], int64_t(i + 1) * 20 * kMs, uint32_t(s));
    pb.runUntil(40 * 20 * kMs);
    int peak = 0, wrapped = 0;
    for (size_t i = 1; i < pb.heard.size(); ++i) {
      peak = std::max(peak, std::abs(int(pb.heard[i])));
      if (std::abs(pb.heard[i] - pb.heard[i - 1]) > 40000) ++wrapped;
    }
    EXPECT_EQ(wrapped, 0);
    return peak;
  };
  const int one = peakOf({}, 1);
  EXPECT_GT(one, 20000);
  EXPECT_GE(peakOf({}, 16), 32767);
  EXPECT_NEAR(20 * std::log10(double(peakOf({0, 0, -600, 1}, 1)) / one), -6, 0.2);
  EXPECT_EQ(peakOf({kPlaybackMute, 0, 0, 1}, 1), 0);
}

}  // namespace
}  // namespace tv::audio
