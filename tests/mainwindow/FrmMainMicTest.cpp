// The voice pane's microphone controls against a recording session and a fake key
// source: the fifteen mute modes, the volume sliders and their pause, the mute buttons
// and the auto-level driven tick by tick.
#include "MainWindowTestSupport.h"
#include "mainwindow/ChatLogView.h"
#include "mainwindow/MuteKeys.h"
#include "mainwindow/VoicePane.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace tv;
using mainwindow::FrmMain;

namespace {

class FrmMainMicTest : public test::MainWindowTest {
 protected:
  std::unique_ptr<FrmMain> voiceWindow() {
    auto w = make();
    startVoice(*w);
    return w;
  }
  static void choose(FrmMain &w, int mode) {
    // Through another entry, so that choosing the same mode again runs its handler.
    QComboBox *modes = w.fraVOICE()->cboMikeMute();
    modes->setCurrentIndex(mode == 0 ? 1 : 0);
    modes->setCurrentIndex(mode);
  }
  bool configMuted() const { return session.config.flags & peer::kClientRecordMute; }
  QString log(const FrmMain &w) const {
    const auto *view = w.txtLOG();
    return view->plainText(0, view->textLength());
  }
};

TEST_F(FrmMainMicTest, EveryMuteModeFollowsItsKey) {
  auto w = voiceWindow();
  QToolButton *button = w->fraVOICE()->btnMuteMK();
  QLabel *note = w->fraVOICE()->lblMikeMuteNote();
  const auto muted = [&] {
    EXPECT_EQ(configMuted(), button->isChecked());
    return button->isChecked();
  };
  struct Row {
    int mode, vk;
    std::optional<bool> mutedWhileSet;  // nullopt: the key does not decide
  };
  using namespace keystate;
  const std::optional<bool> none;
  const Row rows[] = {{0, 0, none},          {1, kVkCapital, true},  {2, kVkCapital, false},
                      {3, kVkNumLock, true}, {4, kVkNumLock, false}, {5, kVkScroll, true},
                      {6, kVkScroll, false}, {7, kVkLControl, true}, {8, kVkRControl, true},
                      {9, kVkLShift, true},  {10, kVkRShift, true},  {11, kVkLMenu, true},
                      {12, kVkRMenu, true},  {13, kVkInsert, true},  {14, kVkHome, true}};
  for (const Row &r : rows) {
    SCOPED_TRACE(r.mode);
    ASSERT_EQ(mainwindow::MuteKeyOf(r.mode), r.vk);
    // Chosen unmuted with the toggle bit clear: a toggle mode then mutes while it is set.
    choose(*w, 0);
    w->SetMicMute(false);
    keys.setToggle(r.vk, false);
    choose(*w, r.mode);
    EXPECT_EQ(keys.watched(), r.vk);
    EXPECT_EQ(button->isEnabled(), r.mode == 0);
    EXPECT_EQ(w->timGetKeyState()->isActive(), r.mode != 0);
    EXPECT_FALSE(note->isVisibleTo(w->fraVOICE()));
    w->timGetKeyState_Timer();
    EXPECT_EQ(muted(), r.mutedWhileSet ? !*r.mutedWhileSet : false);
    keys.setToggle(r.vk, true);
    w->timGetKeyState_Timer();
    EXPECT_EQ(muted(), r.mutedWhileSet.value_or(false));
    if (r.mode == 0) {
      EXPECT_FALSE(w->timGetKeyState()->isActive());
    }
    if (!mainwindow::IsToggleMode(r.mode)) continue;

    // Chosen while muted with the bit set: still muted; presses within one poll count.
    choose(*w, 0);
    w->SetMicMute(true);
    choose(*w, r.mode);
    EXPECT_TRUE(w->MikeMutePolarity());
    w->timGetKeyState_Timer();
    EXPECT_TRUE(muted());
    bool expected = true;
    for (int presses : {1, 2, 3}) {
      keys.press(r.vk, presses);
      expected = expected != (presses % 2 == 1);
      w->timGetKeyState_Timer();
      EXPECT_EQ(muted(), expected) << presses << " presses";
    }
  }
  // The route breaks and another, with a press count of its own, takes over: the mute
  // state stays, and the note says the key now works only in Talvora's own windows.
  choose(*w, 7);
  ASSERT_TRUE(muted());
  keys.press(keystate::kVkLControl);
  keys.setGlobal(false);
  w->timGetKeyState_Timer();
  EXPECT_TRUE(muted());
  EXPECT_TRUE(note->isVisibleTo(w->fraVOICE()));
  EXPECT_EQ(note->accessibleDescription(),
            QStringLiteral("このキーはTalvoraのウィンドウが選ばれている間だけ働きます。"));
  choose(*w, 0);
  EXPECT_FALSE(note->isVisibleTo(w->fraVOICE()));
}

TEST_F(FrmMainMicTest, SlidersAndButtonsChangeTheConfigurationAfterThePause) {
  auto w = voiceWindow();
  mainwindow::VoicePane *pane = w->fraVOICE();
  session.config.recordVolume = -100;

  pane->sldSP()->setValue(-1200);
  EXPECT_EQ(session.config.playbackVolume, -1200);
  EXPECT_EQ(settings.ReadIni(u"DX8", u"PlaybackVolume", u""), QStringLiteral("-1200"));

  // A mute clicked during the slider's pause is not undone by the slider's write.
  duringPause = [&] { QTest::mouseClick(pane->btnMuteMK(), Qt::LeftButton); };
  pane->sldMK()->setValue(-3000);
  EXPECT_TRUE(pane->btnMuteMK()->isChecked());
  EXPECT_TRUE(configMuted());
  EXPECT_EQ(session.config.recordVolume, -3000);
  EXPECT_EQ(settings.ReadIni(u"DX8", u"RecordVolume", u""), QStringLiteral("-3000"));

  // A change nested in the pause of another: the last value wins everywhere.
  duringPause = [&] { pane->sldMK()->setValue(-4000); };
  pane->sldMK()->setValue(-3500);
  EXPECT_EQ(session.config.recordVolume, -4000);
  EXPECT_EQ(settings.ReadIni(u"DX8", u"RecordVolume", u""), QStringLiteral("-4000"));

  // Space toggles like a click, and so does a screen reader's toggle action (no click);
  // a right-click opens the menu and toggles nothing.
  pane->btnMuteMK()->setFocus();
  QTest::keyClick(pane->btnMuteMK(), Qt::Key_Space);
  EXPECT_FALSE(configMuted());
  pane->btnMuteMK()->toggle();
  EXPECT_TRUE(configMuted());
  pane->btnMuteMK()->toggle();
  EXPECT_FALSE(configMuted());
  QTest::mouseClick(pane->btnMuteMK(), Qt::RightButton);
  EXPECT_FALSE(pane->btnMuteMK()->isChecked());
  pane->btnMikeRoot()->hide();
  QTest::mouseClick(pane->btnMuteSP(), Qt::LeftButton);
  EXPECT_TRUE(session.config.flags & peer::kClientPlaybackMute);
  EXPECT_EQ(session.config.recordVolume, -4000);
}

TEST_F(FrmMainMicTest, AutoLevelSearchesTheHighestSilentVolume) {
  const QString success = QStringLiteral("マイク入力の自動調整が終わりました。");
  const QString failure = QStringLiteral("マイク入力の自動調整に失敗しました。");
  struct Room {
    const char *name;
    std::function<bool(int value, int tick)> talks;
    int mode;                  // the mute mode during the run
    std::optional<int> value;  // where the slider ends
    bool succeeds;
  };
  const Room rooms[] = {
      // 1000 down is not taken, 100 up hits the maximum, 10 down is silent at once.
      {"silent", [](int, int) { return false; }, 1, 0, true},
      {"speech above -2355", [](int v, int) { return v > -2355; }, 0, -2360, true},
      {"always talking", [](int, int) { return true; }, 0, -10000, false},
      // Silent once, then speech: the descent in steps of 10 meets the time limit.
      {"speech from the second tick", [](int, int tick) { return tick > 0; }, 0, std::nullopt,
       false},
  };
  for (const Room &room : rooms) {
    SCOPED_TRACE(room.name);
    auto w = voiceWindow();
    mainwindow::VoicePane *pane = w->fraVOICE();
    QAction *setup = pane->action(QStringLiteral("btnMKSetup"));
    // Caps Lock says "muted" in mode 1: the run holds polling, the key applies after it.
    keys.setToggle(keystate::kVkCapital, true);
    choose(*w, room.mode);
    w->SetMicMute(true);
    pane->sldMK()->setValue(-5000);

    setup->trigger();
    EXPECT_TRUE(log(*w).contains(QStringLiteral("※マイクの入力を自動調整をしています。")));
    EXPECT_TRUE(w->timMK()->isActive());
    EXPECT_EQ(w->timMK()->interval(), 250);
    w->timMK()->stop();  // ticked by hand from here on
    EXPECT_EQ(pane->sldMK()->value(), 0);
    EXPECT_FALSE(configMuted());
    EXPECT_FALSE(setup->isEnabled() || pane->sldMK()->isEnabled() ||
                 pane->btnMuteMK()->isEnabled());
    int ticks = 0;
    for (; w->AutoLevelRunning() && ticks < 1000; ++ticks) {
      w->MarkTalking(1, room.talks(pane->sldMK()->value(), ticks));
      w->timGetKeyState_Timer();
      EXPECT_FALSE(pane->btnMuteMK()->isChecked());
      w->timMK_Timer();
    }
    if (room.value)
      EXPECT_EQ(pane->sldMK()->value(), *room.value);
    else
      EXPECT_EQ(ticks, mainwindow::MicAutoLevel::kMaxTicks);
    EXPECT_EQ(session.config.recordVolume, pane->sldMK()->value());
    EXPECT_EQ(log(*w).contains(success), room.succeeds);
    EXPECT_EQ(log(*w).contains(failure), !room.succeeds);
    EXPECT_TRUE(setup->isEnabled() && pane->sldMK()->isEnabled());
    EXPECT_EQ(pane->btnMuteMK()->isEnabled(), room.mode == 0);
    w->timGetKeyState_Timer();
    EXPECT_EQ(configMuted(), room.mode == 1);
  }

  // The voice chat ends during a run: it stops without lines and lets the controls go.
  auto w = voiceWindow();
  w->fraVOICE()->action(QStringLiteral("btnMKSetup"))->trigger();
  w->RemoveTab(QStringLiteral("VOICE"));
  w->timMK_Timer();
  EXPECT_FALSE(w->AutoLevelRunning());
  EXPECT_FALSE(log(*w).contains(success) || log(*w).contains(failure));
  EXPECT_TRUE(w->fraVOICE()->sldMK()->isEnabled() && w->fraVOICE()->btnMuteMK()->isEnabled());
}

}  // namespace
