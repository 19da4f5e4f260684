// Two main windows, each with its own session engine and program folder, on one
// in-process network: the engine's lines reach the real widgets and what a user types
// or chooses reaches the other window. The participant tools themselves are covered
// by the tools tests and, across real processes, by the end-to-end scenarios.

#include "WindowSessionSupport.h"
#include "common/TestSupport.h"
#include "mainwindow/ColourTable.h"
#include "mainwindow/FrmMain.h"
#include "mainwindow/InputLine.h"
#include "mainwindow/ParticipantList.h"
#include "mainwindow/VoicePane.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QSlider>
#include <QTimer>
#include <QToolButton>

using namespace tv;

namespace {

using test::Pc;

TEST(WindowSession, HostAndMemberChatThroughTheirWindows) {
  QTemporaryDir shared;
  const QString audioSetup = shared.filePath(QStringLiteral("platform.ini"));
  peer::FakeNetwork net({}, audioSetup);
  Pc host(net, audioSetup);
  Pc member(net, audioSetup);

  ASSERT_TRUE(host.engine.EvHOST(QStringLiteral("alice"), 1, 1));
  ASSERT_TRUE(test::waitFor([&] { return host.voiceTab(); }));
  EXPECT_EQ(host.window.currentViewKey(), QStringLiteral("VOICE"));
  EXPECT_EQ(host.engine.SessionState(), session::SessionEngine::kHost);

  ASSERT_TRUE(member.engine.EvJOIN(QStringLiteral("bob"), QStringLiteral("127.0.0.1"), 1));
  ASSERT_TRUE(test::waitFor([&] { return member.voiceTab(); }));
  EXPECT_EQ(member.engine.SessionState(), session::SessionEngine::kMember);
  ASSERT_TRUE(test::waitFor([&] { return host.log().contains(QStringLiteral("bobさんが")); }));

  member.type(QStringLiteral("こんにちは"));
  ASSERT_TRUE(
      test::waitFor([&] { return host.log().contains(QStringLiteral("<bob> こんにちは")); }));
  EXPECT_TRUE(member.log().contains(QStringLiteral(">bob< こんにちは")));
  EXPECT_EQ(member.window.cboTX()->history().value(0), QStringLiteral("こんにちは"));

  host.type(QStringLiteral("ようこそ"));
  ASSERT_TRUE(
      test::waitFor([&] { return member.log().contains(QStringLiteral("<alice> ようこそ")); }));

  // A colour chosen from the keyboard in one window colours the member's row in the
  // other (row colours cannot be read by the process-level tests).
  member.window.fraVOICE()->cboMyColor()->setCurrentIndex(0);
  QTest::keyClick(member.window.fraVOICE()->cboMyColor(), Qt::Key_Down);
  const quint32 bob = member.engine.OwnPlayerId();
  EXPECT_TRUE(test::waitFor(
      [&] { return host.window.lstUSER()->UserColor(bob) == mainwindow::ColourValue(1); }));

  // The member leaves: the host's window drops the row and logs the departure.
  member.engine.EndVoiceChat();
  ASSERT_TRUE(test::waitFor([&] { return !member.engine.HoldsSession(); }));
  EXPECT_FALSE(member.voiceTab());
  ASSERT_TRUE(test::waitFor(
      [&] { return host.log().contains(QStringLiteral("bobさんが情報通信を切断しました。")); }));
  host.engine.EndVoiceChat();
  ASSERT_TRUE(test::waitFor([&] { return !host.engine.HoldsSession(); }));
}

TEST(WindowSession, MicrophoneControlsReachTheVoiceClient) {
  QTemporaryDir shared;
  const QString audioSetup = shared.filePath(QStringLiteral("platform.ini"));
  peer::FakeNetwork net({}, audioSetup);
  Pc host(net, audioSetup);
  mainwindow::VoicePane *pane = host.window.fraVOICE();

  // Caps Lock says "muted" in mode 1 when the session starts: the client connects muted,
  // without waiting for a poll.
  host.keys.setToggle(keystate::kVkCapital, true);
  pane->cboMikeMute()->setCurrentIndex(1);
  host.window.timGetKeyState()->stop();
  ASSERT_TRUE(host.engine.EvHOST(QStringLiteral("alice"), 1, 1));
  ASSERT_TRUE(pane->btnMuteMK()->isChecked());
  ASSERT_TRUE(host.engine.ClientConfig().flags & peer::kClientRecordMute);
  ASSERT_TRUE(test::waitFor([&] { return host.voiceTab(); }));
  peer::VoiceClientConfig config;
  ASSERT_EQ(host.engine.VoiceClientObject()->GetClientConfig(config), peer::kOk);
  EXPECT_TRUE(config.flags & peer::kClientRecordMute);

  // Connected: a slider and the speaker button change the client's own configuration.
  pane->sldMK()->setValue(-1500);
  QTest::mouseClick(pane->btnMuteSP(), Qt::LeftButton);
  ASSERT_EQ(host.engine.VoiceClientObject()->GetClientConfig(config), peer::kOk);
  EXPECT_EQ(config.recordVolume, -1500);
  EXPECT_TRUE(config.flags & peer::kClientPlaybackMute);

  // After the voice chat the key still works, on the configuration the next session gets.
  host.engine.EndVoiceChat();
  ASSERT_TRUE(test::waitFor([&] { return !host.engine.HoldsSession(); }));
  host.keys.setToggle(keystate::kVkCapital, false);
  host.window.timGetKeyState_Timer();
  EXPECT_FALSE(host.engine.ClientConfig().flags & peer::kClientRecordMute);
}

}  // namespace
