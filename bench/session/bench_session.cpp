// Session engine figures on loopback, two engines in one process over the UDP service:
//   join_to_voice_tab_ms  EvJOIN to the voice tab on the joining PC (median of 5)
//   chat_line_ms          a chat line sent by the member until the host shows it (median of 20)
//   burst_1000_ms         1,000 chat lines from the member until the host shows all, in order
//   big_line_ui_ms        the longest gap between 10 ms heartbeats of the UI thread while a
//                         chat line of the largest accepted size (64 KiB of UTF-8) reaches a
//                         third PC with the real main window and all-chat log, both shown,
//                         and is shown in both (median of 3)
// The engines pause as in the program (50 ms between platform steps). All PCs share one
// UI thread, so the stall is that of every window in the process.

#include "BenchSupport.h"
#include "app/FrmAllLOG.h"
#include "app/Settings.h"
#include "app/StartUp.h"
#include "mainwindow/ChatLogView.h"
#include "mainwindow/FrmMain.h"
#include "mainwindow/SessionLinkTo.h"
#include "platform/peer/EnetPlatform.h"
#include "session/Pacer.h"
#include "session/ParticipantTools.h"
#include "session/PictureStore.h"
#include "session/RecordingWindow.h"
#include "session/SessionEngine.h"
#include "session/SessionMessage.h"
#include "session/TvDccLauncher.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <vector>

namespace {

using namespace tv;

struct Pc {
  explicit Pc(const QString &audioSetupPath)
      : platform(peer::PeerConfig{}, audioSetupPath),
        settings(folder.filePath(QStringLiteral("Talvora.ini"))),
        pictures(folder.path()),
        dcc(folder.filePath(QStringLiteral("TvDcc")),
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

// A PC with the program's own windows: the main window as the engine's window and the
// all-chat log, wired as main() wires them.
struct ViewerPc {
  explicit ViewerPc(const QString &audioSetupPath)
      : info(app::RunStartUp(folder.path(), QStringLiteral("viewer"))),
        settings(info.settingsPath()),
        allLog(info, settings, [](const QUrl &) { return true; }),
        frmMain(info, settings, services()),
        platform(peer::PeerConfig{}, audioSetupPath),
        pictures(folder.path()),
        dcc(folder.filePath(QStringLiteral("TvDcc")),
            [](const QString &, const QStringList &) { return false; }),
        engine(frmMain, platform, settings, pacer, pictures, dcc,
               {QStringLiteral(TV_APP_VERSION), audioSetupPath, {}}),
        tools(engine, frmMain, pacer),
        link(engine, tools) {
    frmMain.attachSession(&link);
  }
  mainwindow::FrmMain::Services services() {
    mainwindow::FrmMain::Services s;
    s.allLog = &allLog;
    s.localAddress = [] { return QStringLiteral("127.0.0.1"); };
    s.openUrl = [](const QUrl &) { return true; };
    return s;
  }

  QTemporaryDir folder;
  app::AppInfo info;
  app::Settings settings;
  app::FrmAllLOG allLog;
  mainwindow::FrmMain frmMain;
  peer::EnetPlatform platform;
  session::UiPacer pacer;
  session::PictureStore pictures;
  session::TvDccLauncher dcc;
  session::SessionEngine engine;
  session::ParticipantTools tools;
  mainwindow::SessionLinkTo<session::SessionEngine, session::ParticipantTools> link;
};

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

  // A line as long as a chat line may be: Japanese text with a blank now and then and
  // a link, exactly 64 KiB of UTF-8.
  ViewerPc viewer(audioSetup);
  if (!viewer.engine.EvJOIN(QStringLiteral("viewer"), QStringLiteral("127.0.0.1"), 1) ||
      !waitUntil([&] { return viewer.frmMain.HasTab(QStringLiteral("VOICE")); }, 40000) ||
      !waitUntil([&] { return viewer.frmMain.HasParticipantRow(memberId); }, 10000))
    return fail("the viewer did not join");
  viewer.frmMain.resize(900, 600);
  viewer.frmMain.show();
  viewer.allLog.show();
  QString big = QStringLiteral("http://example.com/長い発言 ");
  const QString words = QStringLiteral("日本語の長い発言を受信する。 ");
  while (big.toUtf8().size() + words.toUtf8().size() <= 64 * 1024) big += words;
  while (big.toUtf8().size() < 64 * 1024) big += u'x';
  std::vector<double> stalls;
  for (int run = 0; run < 3; ++run) {
    waitUntil([] { return false; }, 300);  // let the windows settle
    const int before = viewer.frmMain.txtLOG()->textLength();
    const int allBefore = viewer.allLog.txtLOG()->textLength();
    QElapsedTimer beat;
    double longest = 0;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    heartbeat.setInterval(10);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
      longest = std::max(longest, ms(beat));
      beat.restart();
    });
    beat.start();
    heartbeat.start();
    member.engine.SendSessionMessage(session::encodeTextMessage(session::kChatLine, big), 0);
    const bool shown = waitUntil(
        [&] {
          return viewer.frmMain.txtLOG()->textLength() > before + big.size() &&
                 viewer.allLog.txtLOG()->textLength() > allBefore + big.size();
        },
        30000);
    waitUntil([] { return false; }, 500);  // layout and painting that follow
    heartbeat.stop();
    longest = std::max(longest, ms(beat));
    if (!shown) return fail("the long line was not shown in both views");
    stalls.push_back(longest);
  }

  std::printf("join_to_voice_tab_ms: %.1f\n", median(joins));
  std::printf("chat_line_ms: %.2f\n", median(lines));
  std::printf("burst_1000_ms: %.1f\n", burst);
  std::printf("big_line_ui_ms: %.1f\n", median(stalls));

  viewer.engine.EndVoiceChat();
  member.engine.EndVoiceChat();
  host.engine.EndVoiceChat();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return 0;
}
