// bench_voice: voice between tvpeer processes on loopback with WAV-file devices and 30 s
// of generated speech. Prints medians over three runs, one "name: value" per line:
//   mouth_to_ear_ms           host speaking to a member: the correlation's delay
//   theoretical_ms            20 + Opus look-ahead + the listener's jitter delay + playback period
//   latency_ratio             mouth_to_ear_ms / theoretical_ms
//   cpu_per_speaker_percent   listener CPU (one core) with 4 speakers minus idle, over 4
//   idle_cpu_percent          listener connected, silent, capture running
//   kbit_per_stream           relay-counted bits (+28 bytes per datagram) of one stream at
//                             "Opus SC06 32kbps" while it speaks, less the silent link's
//   concealed_per_1000        frames concealed per 1000 played, 0-15 ms random delay
//   concealed_during_picture  frames concealed while the speaker sends a 1 MiB picture
// and, computed offline on the same speech, what two options buy:
//   fec_gain_db               10 % random loss, the next frame at hand: how much closer
//                             (segmental SNR) to the loss-free decoding redundancy comes
//                             than concealment alone
//   fec_cost_percent          the bit rate redundancy adds at the session codec (12 kbit/s)
//   echo_reduction_db         echo of the speakers in the microphone (-6 dB, 30 ms later)
//                             removed by the echo canceller as configured for capture

#include "common/ImpairmentRelay.h"
#include "common/TvPeerProcess.h"
#include "common/VoiceSignal.h"
#include "platform/audio/AudioClock.h"

#include <opus/opus.h>
#include <speex/speex_echo.h>
#include <speex/speex_preprocess.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>
#include <QUdpSocket>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include <time.h>
#include <unistd.h>

namespace {

constexpr int kRate = 48000;
constexpr double kSpeechSeconds = 30;
constexpr double kLookaheadMs = 312.0 * 1000 / kRate;  // Opus at 48 kHz
constexpr double kPlaybackPeriodMs = 10;               // the WAV playback device's period
constexpr int kSpeakers = 4;

bool waitUntil(const std::function<bool()> &done, int timeoutMs = 60000) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}
void pause(int ms) {
  waitUntil([] { return false; }, ms);
}
int64_t nowUs() { return tv::audio::monotonicNs() / 1000; }

double median(std::vector<double> v) {
  if (v.empty()) return -1;
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

quint16 freePort() {
  QUdpSocket s;
  s.bind(QHostAddress::Any, 0);
  return s.localPort();
}

// One tvpeer and what it printed.
class Peer : public tv::test::TvPeerProcess {
 public:
  explicit Peer(const QStringList &args)
      : TvPeerProcess(QCoreApplication::applicationDirPath() + QStringLiteral("/tvpeer"), args) {}
  // The first number of the first line matching, waiting for it; -1 if none came.
  int64_t number(const QString &pattern, int timeoutMs = 60000) {
    const QString line = waitLine(pattern, timeoutMs);
    if (line.isEmpty()) return -1;
    return QRegularExpression(QStringLiteral("^") + pattern).match(line).captured(1).toLongLong();
  }
  // The speaker's VoiceStats fields after a `stats`: played, concealed, dropped, delay.
  std::vector<int> stats() {
    const qsizetype before = lines.size();
    send(QStringLiteral("stats"));
    waitUntil([&] { return lines.mid(before).contains(QStringLiteral("Done stats")); }, 5000);
    static const QRegularExpression re(
        QStringLiteral("^VoiceStats \\d+ (\\d+) (\\d+) (\\d+) (\\d+)$"));
    std::vector<int> out;
    for (const QString &l : lines.mid(before))
      if (const auto m = re.match(l); m.hasMatch())
        out = {m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
               m.captured(4).toInt()};
    return out;
  }
  // Seconds of CPU the process used so far (all its threads, user and system), to the
  // nanosecond: the scheduler's clock-tick counts are too coarse for an idle process.
  double cpuSeconds() const {
    clockid_t clock;
    timespec t{};
    if (clock_getcpuclockid(pid_t(processId()), &clock) != 0 || clock_gettime(clock, &t) != 0)
      return 0;
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
  }
};

QStringList hostArgs(quint16 port, QStringList voice) {
  return QStringList{QStringLiteral("host"), QStringLiteral("h"), QStringLiteral("--port"),
                     QString::number(port)} +
         voice;
}
QStringList joinArgs(const QString &nick, quint16 port, QStringList voice) {
  return QStringList{QStringLiteral("join"), nick, QStringLiteral("127.0.0.1"),
                     QStringLiteral("--port"), QString::number(port)} +
         voice;
}

struct Latency {
  double mouthToEar = -1, theoretical = -1;
};

// The host speaks, a member listens; the delay from the correlation and the start lines.
Latency latencyRun(const QTemporaryDir &dir, const std::vector<int16_t> &input) {
  const QString in = dir.filePath(QStringLiteral("speech.wav")),
                out = dir.filePath(QStringLiteral("latency.wav"));
  const quint16 port = freePort();
  Peer host(hostArgs(port, {QStringLiteral("--voice-in"), in}));
  if (host.number(QStringLiteral("ConnectResult 0x(0)")) != 0) return {};
  Peer member(joinArgs(QStringLiteral("m"), port, {QStringLiteral("--voice-out"), out}));
  const int64_t outStart = member.number(QStringLiteral("VoiceOutStart (\\d+)"));
  const int64_t inStart = host.number(QStringLiteral("VoiceInStart (\\d+)"));
  if (outStart < 0 || inStart < 0) return {};
  std::vector<double> delays;
  while (nowUs() < inStart + int64_t(kSpeechSeconds * 1e6)) {
    pause(1000);
    if (const std::vector<int> s = member.stats(); !s.empty() && s[0] > 0) delays.push_back(s[3]);
  }
  member.finish();
  const std::vector<int16_t> output = tv::test::readWav(out);
  const int64_t offset = (inStart - outStart) * kRate / 1'000'000;
  const tv::test::Match m = tv::test::findDelay(input, output, offset, offset + kRate / 2);
  Latency l;
  l.mouthToEar = double(m.lag - offset) * 1000 / kRate;
  double sum = 0;
  for (const double d : delays) sum += d;
  l.theoretical =
      20 + kLookaheadMs + (delays.empty() ? 0 : sum / double(delays.size())) + kPlaybackPeriodMs;
  return l;
}

struct Stream {
  double kbit = -1, concealedPer1000 = -1;
};

// A member speaks to the host through a relay that delays each datagram by 0-15 ms; the
// relay counts the bytes. The input starts with five silent seconds: the link's own
// traffic.
Stream streamRun(const QTemporaryDir &dir) {
  const QString in = dir.filePath(QStringLiteral("quiet-lead.wav"));
  const quint16 port = freePort();
  Peer host(
      hostArgs(port, {QStringLiteral("--voice"), QStringLiteral("--codec"), QStringLiteral("6")}));
  if (host.number(QStringLiteral("ConnectResult 0x(0)")) != 0) return {};
  tv::test::ImpairmentRelay relay(port, {0, 0, 15, 0});
  Peer member(joinArgs(QStringLiteral("m"), relay.port(), {QStringLiteral("--voice-in"), in}));
  const int64_t inStart = member.number(QStringLiteral("VoiceInStart (\\d+)"));
  if (inStart < 0) return {};
  const auto at = [&](double seconds) {
    waitUntil([&] { return nowUs() >= inStart + int64_t(seconds * 1e6); }, 120000);
    return relay.counts();
  };
  const auto silentFrom = at(1), silentTo = at(4.5), speechFrom = at(5);
  const int64_t end = member.number(QStringLiteral("VoiceInEnd (\\d+)"), 120000);
  waitUntil([&] { return nowUs() >= end + 300'000; });
  const auto speechTo = relay.counts();
  const double speechSeconds = double(end - inStart) / 1e6 - 5 + 0.3;
  const auto rate = [](auto a, auto b, double seconds) {
    return std::pair{double(b.bytes - a.bytes + 28 * (b.datagrams - a.datagrams)) / seconds,
                     double(b.datagrams - a.datagrams) / seconds};
  };
  const auto [silentBytes, silentDatagrams] = rate(silentFrom, silentTo, 3.5);
  const auto [bytes, datagrams] = rate(speechFrom, speechTo, speechSeconds);
  // The stream's datagrams, one per 20 ms frame, are what the silent link does not send.
  const double frames = (datagrams - silentDatagrams) * speechSeconds;
  Stream s;
  if (frames > 0) s.kbit = (bytes - silentBytes) * speechSeconds * 8 / (frames * 0.020) / 1000;
  if (const std::vector<int> st = host.stats(); !st.empty() && st[0] > 0)
    s.concealedPer1000 = 1000.0 * st[1] / st[0];
  return s;
}

// A member speaks to the host while it sends the host a 1 MiB picture now and then.
double pictureRun(const QTemporaryDir &dir) {
  const QString in = dir.filePath(QStringLiteral("speech.wav"));
  const quint16 port = freePort();
  Peer host(hostArgs(port, {QStringLiteral("--voice")}));
  if (host.number(QStringLiteral("ConnectResult 0x(0)")) != 0) return -1;
  Peer member(joinArgs(QStringLiteral("m"), port, {QStringLiteral("--voice-in"), in}));
  const int64_t inStart = member.number(QStringLiteral("VoiceInStart (\\d+)"));
  if (inStart < 0) return -1;
  for (const double t : {5.0, 12.0, 20.0}) {
    waitUntil([&] { return nowUs() >= inStart + int64_t(t * 1e6); }, 120000);
    member.send(QStringLiteral("blob 1048576"));
  }
  member.number(QStringLiteral("VoiceInEnd (\\d+)"), 120000);
  pause(500);
  const std::vector<int> s = host.stats();
  return s.empty() ? -1 : s[1];
}

struct Cpu {
  double idle = -1, perSpeaker = -1;
};

// The host listens: alone and silent first, then to four members speaking at once.
Cpu cpuRun(const QTemporaryDir &dir) {
  const quint16 port = freePort();
  Peer host(hostArgs(port, {QStringLiteral("--voice")}));
  if (host.number(QStringLiteral("ConnectResult 0x(0)")) != 0) return {};
  pause(1000);
  const auto measure = [&](int ms) {
    const double before = host.cpuSeconds();
    const int64_t from = nowUs();
    pause(ms);
    return 100 * (host.cpuSeconds() - before) / (double(nowUs() - from) / 1e6);
  };
  Cpu c;
  c.idle = measure(8000);
  std::vector<std::unique_ptr<Peer>> speakers;
  int64_t firstStart = -1, lastStart = -1;
  for (int i = 0; i < kSpeakers; ++i) {
    speakers.push_back(std::make_unique<Peer>(joinArgs(
        QStringLiteral("s%1").arg(i), port,
        {QStringLiteral("--voice-in"), dir.filePath(QStringLiteral("speaker%1.wav").arg(i))})));
    const int64_t start = speakers.back()->number(QStringLiteral("VoiceInStart (\\d+)"));
    if (start < 0) return c;
    if (firstStart < 0) firstStart = start;
    lastStart = start;
  }
  waitUntil([&] { return nowUs() >= lastStart + 1'000'000; });
  const int window = int((firstStart + int64_t(kSpeechSeconds * 1e6) - nowUs()) / 1000) - 1000;
  if (window < 5000) return c;
  c.perSpeaker = (measure(window) - c.idle) / kSpeakers;
  return c;
}

// Segmental SNR (dB) of `test` against `reference`, over 20 ms frames that hold sound.
double segmentalSnr(const std::vector<int16_t> &reference, const std::vector<int16_t> &test) {
  double sum = 0;
  int frames = 0;
  for (size_t f = 0; f + 960 <= std::min(reference.size(), test.size()); f += 960) {
    double signal = 0, noise = 0;
    for (size_t i = f; i < f + 960; ++i) {
      signal += double(reference[i]) * reference[i];
      noise += (double(reference[i]) - test[i]) * (double(reference[i]) - test[i]);
    }
    if (signal < 960.0 * 100 * 100) continue;
    sum += std::clamp(10 * std::log10(signal / std::max(noise, 1.0)), -10.0, 35.0);
    ++frames;
  }
  return frames ? sum / frames : 0;
}

struct Fec {
  double gainDb = 0, costPercent = 0;
};

// Decodes the speech with 10 % of the frames lost, rebuilding each lost frame from its
// successor's redundancy, or concealing it, against the loss-free decoding.
Fec fecRun(const std::vector<int16_t> &speech) {
  const auto encode = [&](bool fec, long &bytes) {
    int e = 0;
    OpusEncoder *enc = opus_encoder_create(kRate, 1, OPUS_APPLICATION_VOIP, &e);
    opus_encoder_ctl(enc, OPUS_SET_BITRATE(12000));
    opus_encoder_ctl(enc, OPUS_SET_VBR(1));
    opus_encoder_ctl(enc, OPUS_SET_INBAND_FEC(fec ? 1 : 0));
    opus_encoder_ctl(enc, OPUS_SET_PACKET_LOSS_PERC(5));
    std::vector<std::vector<unsigned char>> packets;
    for (size_t f = 0; f + 960 <= speech.size(); f += 960) {
      unsigned char p[1275];
      const int n = opus_encode(enc, speech.data() + f, 960, p, sizeof p);
      packets.emplace_back(p, p + std::max(n, 0));
      bytes += std::max(n, 0);
    }
    opus_encoder_destroy(enc);
    return packets;
  };
  const auto decode = [](const std::vector<std::vector<unsigned char>> &packets,
                         const std::vector<bool> &lost, bool useFec) {
    int e = 0;
    OpusDecoder *dec = opus_decoder_create(kRate, 1, &e);
    std::vector<int16_t> out(packets.size() * 960);
    for (size_t i = 0; i < packets.size(); ++i) {
      int16_t *pcm = out.data() + i * 960;
      int n = 0;
      if (!lost[i])
        n = opus_decode(dec, packets[i].data(), opus_int32(packets[i].size()), pcm, 960, 0);
      else if (useFec && i + 1 < packets.size() && !lost[i + 1])
        n = opus_decode(dec, packets[i + 1].data(), opus_int32(packets[i + 1].size()), pcm, 960, 1);
      else
        n = opus_decode(dec, nullptr, 0, pcm, 960, 0);
      if (n != 960) std::fill_n(pcm, 960, int16_t(0));
    }
    opus_decoder_destroy(dec);
    return out;
  };
  long withBytes = 0, withoutBytes = 0;
  const auto withFec = encode(true, withBytes), withoutFec = encode(false, withoutBytes);
  std::vector<bool> none(withFec.size(), false), lost(withFec.size(), false);
  std::mt19937 rnd(9);
  for (size_t i = 0; i < lost.size(); ++i) lost[i] = rnd() % 10 == 0;
  const std::vector<int16_t> clean = decode(withFec, none, true);
  Fec f;
  f.gainDb = segmentalSnr(clean, decode(withFec, lost, true)) -
             segmentalSnr(decode(withoutFec, none, false), decode(withoutFec, lost, false));
  f.costPercent = 100.0 * double(withBytes - withoutBytes) / double(withoutBytes);
  return f;
}

// The microphone hears the speakers at -6 dB, 30 ms later, and nothing else; the echo
// canceller and residual suppression run as capture runs them.
double echoRun(const std::vector<int16_t> &speech) {
  constexpr int kPiece = kRate / 300, kTail = kRate / 5, kDelay = kRate * 30 / 1000;
  SpeexEchoState *echo = speex_echo_state_init(kPiece, kTail);
  int rate = kRate;
  speex_echo_ctl(echo, SPEEX_ECHO_SET_SAMPLING_RATE, &rate);
  SpeexPreprocessState *pre = speex_preprocess_state_init(kPiece, kRate);
  int on = 1, off = 0;
  speex_preprocess_ctl(pre, SPEEX_PREPROCESS_SET_DENOISE, &on);
  speex_preprocess_ctl(pre, SPEEX_PREPROCESS_SET_AGC, &off);
  speex_preprocess_ctl(pre, SPEEX_PREPROCESS_SET_ECHO_STATE, echo);
  double micEnergy = 0, outEnergy = 0;
  const size_t settle = speech.size() / 3;
  for (size_t at = kDelay; at + kPiece <= speech.size(); at += kPiece) {
    int16_t mic[kPiece], out[kPiece];
    for (int i = 0; i < kPiece; ++i) mic[i] = int16_t(speech[at + size_t(i) - kDelay] / 2);
    speex_echo_cancellation(echo, mic, speech.data() + at, out);
    speex_preprocess_run(pre, out);
    if (at < settle) continue;
    for (int i = 0; i < kPiece; ++i) {
      micEnergy += double(mic[i]) * mic[i];
      outEnergy += double(out[i]) * out[i];
    }
  }
  speex_preprocess_state_destroy(pre);
  speex_echo_state_destroy(echo);
  return 10 * std::log10(micEnergy / std::max(outEnergy, 1.0));
}

}  // namespace

int main(int argc, char *argv[]) {
  QCoreApplication application(argc, argv);
  QTextStream out(stdout);
  QTemporaryDir dir;
  const std::vector<int16_t> speech = tv::test::speechSignal(kSpeechSeconds, 1);
  tv::test::writeWav(dir.filePath(QStringLiteral("speech.wav")), speech);
  tv::test::writeWav(dir.filePath(QStringLiteral("quiet-lead.wav")),
                     tv::test::speechSignal(kSpeechSeconds + 5, 2, 5.0));
  for (int i = 0; i < kSpeakers; ++i)
    tv::test::writeWav(dir.filePath(QStringLiteral("speaker%1.wav").arg(i)),
                       tv::test::speechSignal(kSpeechSeconds, unsigned(10 + i)));

  std::vector<double> m2e, theory, ratio, kbit, concealed, picture, idle, perSpeaker;
  for (int run = 0; run < 3; ++run) {
    const Latency l = latencyRun(dir, speech);
    if (l.mouthToEar > 0) {
      m2e.push_back(l.mouthToEar);
      theory.push_back(l.theoretical);
      ratio.push_back(l.mouthToEar / l.theoretical);
    }
    const Stream s = streamRun(dir);
    if (s.kbit > 0) kbit.push_back(s.kbit);
    if (s.concealedPer1000 >= 0) concealed.push_back(s.concealedPer1000);
    if (const double p = pictureRun(dir); p >= 0) picture.push_back(p);
    const Cpu c = cpuRun(dir);
    if (c.idle >= 0) idle.push_back(c.idle);
    if (c.perSpeaker > -1) perSpeaker.push_back(c.perSpeaker);
  }
  const auto line = [&](const char *name, const std::vector<double> &v, int decimals) {
    out << name << ": " << QString::number(median(v), 'f', decimals) << '\n';
  };
  line("mouth_to_ear_ms", m2e, 1);
  line("theoretical_ms", theory, 1);
  line("latency_ratio", ratio, 3);
  line("cpu_per_speaker_percent", perSpeaker, 3);
  line("idle_cpu_percent", idle, 3);
  line("kbit_per_stream", kbit, 1);
  line("concealed_per_1000", concealed, 2);
  line("concealed_during_picture", picture, 0);
  const Fec fec = fecRun(speech);
  line("fec_gain_db", {fec.gainDb}, 2);
  line("fec_cost_percent", {fec.costPercent}, 1);
  line("echo_reduction_db", {echoRun(speech)}, 1);
  return 0;
}
