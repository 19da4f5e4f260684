// Two main windows, each with its own session engine and program folder, on one
// in-process network: the engine's lines reach the real widgets and what a user types
// reaches the other window with the sender's name.

#include "WindowSessionSupport.h"
#include "common/TestSupport.h"
#include "mainwindow/FrmMain.h"
#include "mainwindow/InputLine.h"

#include <gtest/gtest.h>

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

  // The member leaves: the host's window drops the row and logs the departure.
  member.engine.EndVoiceChat();
  ASSERT_TRUE(test::waitFor([&] { return !member.engine.HoldsSession(); }));
  EXPECT_FALSE(member.voiceTab());
  ASSERT_TRUE(test::waitFor(
      [&] { return host.log().contains(QStringLiteral("bobさんが情報通信を切断しました。")); }));
  host.engine.EndVoiceChat();
  ASSERT_TRUE(test::waitFor([&] { return !host.engine.HoldsSession(); }));
}

}  // namespace
