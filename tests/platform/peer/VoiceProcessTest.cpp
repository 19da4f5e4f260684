// Voice between separate tvpeer processes with WAV-file devices: what one member says
// comes out of another's playback file (correlated, at the right level), with the
// talk-spurt lines; mute, volume and a stalled main thread; teams and transmit targets
// among three; a killed host; an impaired path.
#include "PeerTestSupport.h"
#include "common/ImpairmentRelay.h"
#include "common/TestSupport.h"
#include "common/VoiceSignal.h"
#include "platform/audio/AudioClock.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace tv::peer::test {
namespace {

constexpr int kRate = 48000;

// A tvpeer line's number (the first capture group of the pattern).
int64_t numberIn(TvPeer &p, const QString &pattern, int timeoutMs = 15000) {
  const QString line = p.waitLine(pattern, timeoutMs);
  return QRegularExpression(QStringLiteral("^") + pattern).match(line).captured(1).toLongLong();
}

// Runs the event loop until CLOCK_MONOTONIC reaches `us`.
void waitUntilUs(int64_t us) {
  const int64_t ms = (us - audio::monotonicNs() / 1000) / 1000;
  if (ms > 0) QTest::qWait(int(ms));
}

// Sends a command and waits for its Done line; the time it took effect (µs).
int64_t command(TvPeer &p, const QString &words) {
  p.send(words);
  EXPECT_FALSE(p.waitLine(QStringLiteral("Done ") + QRegularExpression::escape(words)).isEmpty())
      << words.toStdString();
  return audio::monotonicNs() / 1000;
}

struct Stats {
  int played = -1, concealed = -1, dropped = -1, delay = -1;
};
Stats statsFor(TvPeer &p, quint32 speaker) {
  const int done = p.countLines(QStringLiteral("Done stats"));
  p.send(QStringLiteral("stats"));
  p.waitLine(QStringLiteral("Done stats"), 5000);
  EXPECT_TRUE(tv::test::waitFor([&] { return p.countLines(QStringLiteral("Done stats")) > done; }));
  Stats s;
  const QRegularExpression re(
      QStringLiteral("^VoiceStats %1 (\\d+) (\\d+) (\\d+) (\\d+)$").arg(speaker));
  for (const QString &l : std::as_const(p.lines))
    if (const auto m = re.match(l); m.hasMatch())
      s = {m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
           m.captured(4).toInt()};
  return s;
}

QStringList hostArgs(quint16 port, const QStringList &voice) {
  return QStringList{QStringLiteral("host"), QStringLiteral("h"), QStringLiteral("--port"),
                     QString::number(port)} +
         voice;
}
QStringList joinArgs(const QString &nick, quint16 port, const QStringList &voice) {
  return QStringList{QStringLiteral("join"), nick, QStringLiteral("127.0.0.1"),
                     QStringLiteral("--port"), QString::number(port)} +
         voice;
}

// Where a speaker's input shows up in a listener's output: input seconds [from, to).
struct Heard {
  const std::vector<int16_t> &input, &output;
  int64_t offset;  // input sample 0 at this output sample, before the path's delay
  tv::test::Match operator()(double from, double to) const {
    return tv::test::findDelay(input, output, offset, offset + kRate / 2, size_t(from * kRate),
                               size_t(to * kRate));
  }
  // The median correlation of the second-long stretches of [from, to) that hold speech:
  // a jitter burst that makes the buffer deeper for a while moves the best lag in one
  // stretch without hiding that the speech came through.
  double heardThrough(double from, double to) const {
    std::vector<double> c;
    for (double t = from; t + 1 <= to; t += 1)
      if (tv::test::peakDbfs(input, size_t(t * kRate), size_t((t + 1) * kRate)) > -40)
        c.push_back((*this)(t, t + 1).correlation);
    if (c.empty()) return 0;
    std::sort(c.begin(), c.end());
    return c[c.size() / 2];
  }
  // The output's peak while input seconds [from, to) would be heard.
  double peakDbfs(double from, double to, int64_t lag) const {
    return tv::test::peakDbfs(output, size_t(from * kRate + double(lag)),
                              size_t(to * kRate + double(lag)));
  }
};

// Input sample 0 of a speaker who started at `inStart` (µs) is this output sample of a
// listener, before the path's delay.
int64_t outputOffset(TvPeer &listener, int64_t inStart) {
  return (inStart - numberIn(listener, QStringLiteral("VoiceOutStart (\\d+)"))) * kRate / 1'000'000;
}

TEST(VoiceProcesses, APairHearsEachOtherAtTheSetLevelThroughMuteVolumeAndStall) {
  QTemporaryDir dir;
  const QString in = dir.filePath(QStringLiteral("in.wav")),
                out = dir.filePath(QStringLiteral("out.wav"));
  const std::vector<int16_t> input = tv::test::speechSignal(13.0, 7);
  tv::test::writeWav(in, input);
  const quint16 port = freeUdpPort();
  TvPeer host(hostArgs(port, {QStringLiteral("--voice-out"), out}));
  ASSERT_FALSE(host.waitLine(QStringLiteral("ConnectResult 0x0")).isEmpty());
  TvPeer member(joinArgs(QStringLiteral("m"), port, {QStringLiteral("--voice-in"), in}));
  const int64_t inStart = numberIn(member, QStringLiteral("VoiceInStart (\\d+)"));
  ASSERT_GT(inStart, 0);
  const quint32 speaker = member.selfId();

  waitUntilUs(inStart + 5'000'000);
  const double volumeAt =
      double(command(host, QStringLiteral("volume playback -600")) - inStart) / 1e6;
  waitUntilUs(inStart + 7'500'000);
  const Stats beforeStall = statsFor(host, speaker);
  command(host, QStringLiteral("stall 300"));
  const Stats afterStall = statsFor(host, speaker);
  waitUntilUs(inStart + 9'500'000);
  const double muteAt = double(command(member, QStringLiteral("mute record on")) - inStart) / 1e6;
  ASSERT_GT(numberIn(member, QStringLiteral("VoiceInEnd (\\d+)"), 20000), 0);
  QTest::qWait(500);
  host.send(QStringLiteral("quit"));
  member.send(QStringLiteral("quit"));
  ASSERT_TRUE(host.finished(10000));
  ASSERT_TRUE(member.finished(10000));
  EXPECT_EQ(host.exitCode(), 0);

  EXPECT_GE(member.countLines(QStringLiteral("RecordStart")), 1);
  EXPECT_GE(member.countLines(QStringLiteral("RecordStop")), 1);
  EXPECT_GE(host.countLines(QStringLiteral("PlayerVoiceStart %1").arg(speaker)), 1);
  EXPECT_GE(host.countLines(QStringLiteral("PlayerVoiceStop %1").arg(speaker)), 1);
  // Frames routed through the main thread would lose the whole stall: 15 frames. A
  // frame or two may be concealed when neighbouring processes starve this machine.
  EXPECT_LT(afterStall.concealed - beforeStall.concealed, 5) << "a stalled main thread concealed";

  const std::vector<int16_t> output = tv::test::readWav(out);
  ASSERT_FALSE(output.empty());
  const Heard heard{input, output, outputOffset(host, inStart)};
  const tv::test::Match full = heard(0, volumeAt - 0.3);
  EXPECT_GE(full.correlation, 0.5);
  EXPECT_LT(full.otherPeak, full.correlation / 2);
  EXPECT_NEAR(full.gainDb, 0, 1);
  const tv::test::Match quieter = heard(volumeAt + 0.3, muteAt - 0.3);
  EXPECT_NEAR(quieter.gainDb - full.gainDb, -6, 0.5);
  EXPECT_LT(heard.peakDbfs(muteAt + 0.5, 13, full.lag), -60);
}

TEST(VoiceProcesses, TeamsAndTargetsChooseWhoHearsAndMembersGoOnWithoutTheHost) {
  QTemporaryDir dir;
  const QString in = dir.filePath(QStringLiteral("in.wav"));
  const std::vector<int16_t> input = tv::test::speechSignal(20.0, 11);
  tv::test::writeWav(in, input);
  const quint16 port = freeUdpPort();
  TvPeer host(
      hostArgs(port, {QStringLiteral("--voice-out"), dir.filePath(QStringLiteral("h.wav"))}));
  ASSERT_FALSE(host.waitLine(QStringLiteral("ConnectResult 0x0")).isEmpty());
  TvPeer listener(joinArgs(QStringLiteral("l"), port,
                           {QStringLiteral("--voice-out"), dir.filePath(QStringLiteral("l.wav"))}));
  ASSERT_FALSE(listener.waitLine(QStringLiteral("ConnectResult 0x0")).isEmpty());
  command(listener, QStringLiteral("team 2"));
  TvPeer speaker(joinArgs(QStringLiteral("s"), port, {QStringLiteral("--voice-in"), in}));
  const int64_t inStart = numberIn(speaker, QStringLiteral("VoiceInStart (\\d+)"));
  ASSERT_GT(inStart, 0);

  waitUntilUs(inStart + 5'000'000);
  const double teamAt = double(command(speaker, QStringLiteral("tx 2")) - inStart) / 1e6;
  waitUntilUs(inStart + 10'000'000);
  const double allAt = double(command(speaker, QStringLiteral("tx 0")) - inStart) / 1e6;
  waitUntilUs(inStart + 14'000'000);
  host.killHard();
  const double killedAt = double(audio::monotonicNs() / 1000 - inStart) / 1e6;
  ASSERT_GT(numberIn(speaker, QStringLiteral("VoiceInEnd (\\d+)"), 20000), 0);
  QTest::qWait(500);
  listener.send(QStringLiteral("quit"));
  ASSERT_TRUE(listener.finished(10000));

  const std::vector<int16_t> hostOut = tv::test::readWav(dir.filePath(QStringLiteral("h.wav"))),
                             listenerOut = tv::test::readWav(dir.filePath(QStringLiteral("l.wav")));
  const Heard atHost{input, hostOut, outputOffset(host, inStart)},
      atListener{input, listenerOut, outputOffset(listener, inStart)};
  EXPECT_GE(atHost.heardThrough(0, teamAt - 0.3), 0.5);
  const int64_t lag = atHost(0, teamAt - 0.3).lag;
  EXPECT_LT(atHost.peakDbfs(teamAt + 0.3, allAt - 0.3, lag), -60) << "team 2 only";
  EXPECT_GE(atHost.heardThrough(allAt + 0.3, killedAt - 0.3), 0.5);
  for (const auto &[from, to] : {std::pair{0.0, teamAt - 0.3},
                                 {teamAt + 0.3, allAt - 0.3},
                                 {allAt + 0.3, killedAt - 0.3},
                                 {killedAt + 0.3, 19.5}})
    EXPECT_GE(atListener.heardThrough(from, to), 0.5) << "listener, from " << from;
}

TEST(VoiceProcesses, SpeechOnALossyJitteryPathStillComesThrough) {
  QTemporaryDir dir;
  const QString in = dir.filePath(QStringLiteral("in.wav")),
                out = dir.filePath(QStringLiteral("out.wav"));
  const std::vector<int16_t> input = tv::test::speechSignal(8.0, 3);
  tv::test::writeWav(in, input);
  const quint16 port = freeUdpPort();
  TvPeer host(hostArgs(port, {QStringLiteral("--voice-out"), out}));
  ASSERT_FALSE(host.waitLine(QStringLiteral("ConnectResult 0x0")).isEmpty());
  tv::test::ImpairmentRelay relay(port, {10, 0, 30, 5});
  TvPeer member(joinArgs(QStringLiteral("m"), relay.port(), {QStringLiteral("--voice-in"), in}));
  const int64_t inStart = numberIn(member, QStringLiteral("VoiceInStart (\\d+)"), 30000);
  ASSERT_GT(inStart, 0);
  ASSERT_GT(numberIn(member, QStringLiteral("VoiceInEnd (\\d+)"), 20000), 0);
  QTest::qWait(500);
  const Stats stats = statsFor(host, member.selfId());
  host.send(QStringLiteral("quit"));
  ASSERT_TRUE(host.finished(10000));

  const std::vector<int16_t> output = tv::test::readWav(out);
  const Heard heard{input, output, outputOffset(host, inStart)};
  EXPECT_GE(heard.heardThrough(0.5, 8), 0.5);
  EXPECT_GT(stats.played, 200);
  EXPECT_GT(stats.concealed, 0);
  EXPECT_GT(relay.counts().dropped, 0);
  EXPECT_GT(relay.counts().duplicated, 0);
}

}  // namespace
}  // namespace tv::peer::test
