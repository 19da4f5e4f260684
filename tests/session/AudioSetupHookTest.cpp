// The engine runs the injected audio set-up when the voice client says the set-up has
// never been run on this PC, once per connection attempt.
#include "platform/peer/AudioSetup.h"
#include "session/SessionTestSupport.h"

#include <gtest/gtest.h>

namespace tv::session::test {
namespace {

struct HookedPc {
  explicit HookedPc(TestNetwork &network)
      : settings(folder.filePath(QStringLiteral("Talvora.ini"))),
        pictures(folder.path()),
        dcc(folder.filePath(QStringLiteral("TvDcc")),
            [](const QString &, const QStringList &) { return false; }),
        engine(window, *network.net, settings, pacer, pictures, dcc,
               {QStringLiteral("3.0.3"), network.audioSetupPath, [] { return 1000.0; },
                [this, &network] {
                  ++setupRuns;
                  if (duringSetup) duringSetup();
                  if (!setupSucceeds) return peer::DPNERR_USERCANCEL;
                  return peer::AudioSetup(network.audioSetupPath).markRun() ? peer::kOk
                                                                            : peer::DPNERR_GENERIC;
                }}) {}
  ~HookedPc() {
    if (engine.HoldsSession()) engine.ReleaseSession();
    flushDeletes();
  }

  QTemporaryDir folder;
  RecordingWindow window;
  InstantPacer pacer;
  app::Settings settings;
  PictureStore pictures;
  TvDccLauncher dcc;
  int setupRuns = 0;
  bool setupSucceeds = true;
  std::function<void()> duringSetup;  // what happens while the set-up dialog is open
  SessionEngine engine;
};

TEST(AudioSetupHook, RunsOnceWhenNeededThenConnects) {
  TestNetwork network;
  HookedPc pc(network);
  ASSERT_TRUE(pc.engine.EvHOST(QStringLiteral("h"), 1, 1));
  ASSERT_TRUE(waitUntil([&] { return pc.window.HasTab(QStringLiteral("VOICE")); }));
  EXPECT_EQ(pc.setupRuns, 1);
  pc.engine.ReleaseSession();
  flushDeletes();
  // Recorded: the next session connects without asking.
  ASSERT_TRUE(pc.engine.EvHOST(QStringLiteral("h"), 1, 1));
  ASSERT_TRUE(waitUntil([&] { return pc.window.HasTab(QStringLiteral("VOICE")); }));
  EXPECT_EQ(pc.setupRuns, 1);
}

TEST(AudioSetupHook, ACancelledSetUpAbandonsTheStart) {
  TestNetwork network;
  HookedPc pc(network);
  pc.setupSucceeds = false;
  EXPECT_FALSE(pc.engine.EvHOST(QStringLiteral("h"), 1, 1));
  EXPECT_EQ(pc.setupRuns, 1);  // not asked again within the same attempt
  EXPECT_FALSE(pc.engine.HoldsSession());
  EXPECT_FALSE(pc.window.HasTab(QStringLiteral("VOICE")));
  // Reported as a cancelled operation, not as an undefined error.
  EXPECT_TRUE(
      pc.window.infoLines().contains(QStringLiteral("ERR|　　<エラー番号　　> 0x80158A0B")));
  EXPECT_FALSE(peer::AudioSetup(network.audioSetupPath).hasRun());
}

TEST(AudioSetupHook, ASessionEndedWhileTheSetUpRunsIsNoSuccessfulStart) {
  TestNetwork network;
  HookedPc pc(network);
  // The window is closed while the set-up dialog is open: the session is released.
  pc.duringSetup = [&] { pc.engine.ReleaseSession(); };
  EXPECT_FALSE(pc.engine.EvHOST(QStringLiteral("h"), 1, 1));
  EXPECT_FALSE(pc.engine.HoldsSession());
}

}  // namespace
}  // namespace tv::session::test
