// Session engine figures on loopback, two engines in one process over the UDP service:
//   join_to_voice_tab_ms  EvJOIN to the voice tab on the joining PC (median of 5)
//   chat_line_ms          a chat line sent by the member until the host shows it (median of 20)
//   burst_1000_ms         1,000 chat lines from the member until the host shows all, in order
// The engines pause as in the program (50 ms between platform steps).

#include "BenchSupport.h"
#include "app/Settings.h"
#include "platform/peer/EnetPlatform.h"
#include "session/Pacer.h"
#include "session/PictureStore.h"
#include "session/RecordingWindow.h"
#include "session/SessionEngine.h"
#include "session/SessionMessage.h"
#include "session/TvDccLauncher.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

using namespace tv;

struct Pc {
  explicit Pc(const QString &audioSetupPath)
      : platform(peer::PeerConfig{}, audioSetupPath),
        settings(folder.filePath(QStringLiteral("Talvora.ini"))),
        pictures(folder.path()),
        dcc(folder.filePath(QStringLiteral("TvDcc")), {},
            [](const QString &, const QStringList &) { return false; }),
        engine(window, platform, settings, pacer, pictures, dcc,
               {QStringLiteral(TV_APP_VERSION), audioSetupPath, {}}) {}

  bool voiceTab() const { return window.HasTab(QStringLiteral("VOICE")); }

  QTemporaryDir folder;
  peer::EnetPlatform platform;
  session::test::RecordingWindow window;
  session::UiPacer pacer;
  app::Settings settings;
  session::PictureStore pictures;
  session::TvDccLauncher dcc;
  session::SessionEngine engine;
};

using bench::median;
using bench::ms;
using bench::waitUntil;

int fail(const char *what) {
  std::fprintf(stderr, "bench_session: %s\n", what);
  return 1;
}

}  // namespace

int main(int argc, char *argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  QTemporaryDir shared;
  const QString audioSetup = shared.filePath(QStringLiteral("platform.ini"));
  Pc host(audioSetup), member(audioSetup);

  if (!host.engine.EvHOST(QStringLiteral("host"), 1, 1) ||
      !waitUntil([&] { return host.voiceTab(); }, 10000))
    return fail("the host did not start");

  std::vector<double> joins;
  for (int run = 0; run < 5; ++run) {
    QElapsedTimer t;
    t.start();
    if (!member.engine.EvJOIN(QStringLiteral("member"), QStringLiteral("127.0.0.1"), 1) ||
        !waitUntil([&] { return member.voiceTab(); }, 40000))
      return fail("the member did not reach the voice tab");
    joins.push_back(ms(t));
    if (run == 4) break;
    member.engine.EndVoiceChat();
    if (!waitUntil([&] { return host.window.rows.size() == 1; }, 10000))
      return fail("the host did not see the member leave");
  }
  const quint32 memberId = member.engine.OwnPlayerId();
  if (!waitUntil([&] { return host.window.rows.contains(memberId); }, 10000))
    return fail("the host has no row for the member");

  std::vector<double> lines;
  for (int i = 0; i < 20; ++i) {
    const QString text = QStringLiteral("line %1").arg(i);
    const qsizetype before = host.window.chat.size();
    QElapsedTimer t;
    t.start();
    member.engine.SendSessionMessage(session::encodeTextMessage(session::kChatLine, text), 0);
    if (!waitUntil([&] { return host.window.chat.size() > before; }, 10000) ||
        host.window.chat.last().text != text)
      return fail("a chat line did not arrive");
    lines.push_back(ms(t));
  }

  constexpr int kBurst = 1000;
  const qsizetype before = host.window.chat.size();
  QElapsedTimer t;
  t.start();
  for (int i = 0; i < kBurst; ++i)
    member.engine.SendSessionMessage(
        session::encodeTextMessage(session::kChatLine, QStringLiteral("burst %1").arg(i)), 0);
  if (!waitUntil([&] { return host.window.chat.size() >= before + kBurst; }, 60000))
    return fail("the burst did not arrive complete");
  const double burst = ms(t);
  for (int i = 0; i < kBurst; ++i) {
    const auto &line = host.window.chat.at(before + i);
    if (line.text != QStringLiteral("burst %1").arg(i) || line.sender != memberId)
      return fail("the burst arrived out of order");
  }

  std::printf("join_to_voice_tab_ms: %.1f\n", median(joins));
  std::printf("chat_line_ms: %.2f\n", median(lines));
  std::printf("burst_1000_ms: %.1f\n", burst);

  member.engine.EndVoiceChat();
  host.engine.EndVoiceChat();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return 0;
}
