// Two main windows, each with its own session engine and program folder, on one
// in-process network: the engine's lines reach the real widgets and what a user types
// reaches the other window with the sender's name.

#include "app/FrmAllLOG.h"
#include "app/Settings.h"
#include "app/StartUp.h"
#include "common/TestSupport.h"
#include "mainwindow/ChatLogView.h"
#include "mainwindow/FrmMain.h"
#include "mainwindow/InputLine.h"
#include "mainwindow/SessionLinkTo.h"
#include "platform/peer/FakeNetwork.h"
#include "session/Pacer.h"
#include "session/PictureStore.h"
#include "session/SessionEngine.h"
#include "session/TvDccLauncher.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace tv;

namespace {

class NoSleepPacer final : public session::Pacer {
 public:
  void Pause() override { QCoreApplication::processEvents(); }
  void Pump() override { QCoreApplication::processEvents(); }
};

// One PC: program folder, settings, windows and engine, built as main() builds them.
struct Pc {
  Pc(peer::Platform &platform, const QString &audioSetup)
      : info(app::RunStartUp(folder.path(), QStringLiteral("user"))),
        settings(info.settingsPath()),
        allLog(info, settings),
        window(info, settings, services()),
        pictures(info.appFolder),
        dcc(info.filePath(QStringLiteral("TvDcc")), {},
            [](const QString &, const QStringList &) { return false; }),
        engine(window, platform, settings, pacer, pictures, dcc, {info.appVersion, audioSetup, {}}),
        link(engine) {
    window.attachSession(&link);
    window.show();
  }
  mainwindow::FrmMain::Services services() {
    mainwindow::FrmMain::Services s;
    s.allLog = &allLog;
    s.localAddress = [] { return QStringLiteral("127.0.0.1"); };
    return s;
  }
  bool voiceTab() const { return window.HasTab(QStringLiteral("VOICE")); }
  QString log() const { return window.txtLOG()->toPlainText(); }
  void type(const QString &text) {
    window.cboTX()->setFocus();
    window.cboTX()->lineEdit()->setText(text);
    QTest::keyClick(window.cboTX()->lineEdit(), Qt::Key_Return);
  }

  QTemporaryDir folder;
  app::AppInfo info;
  app::Settings settings;
  app::FrmAllLOG allLog;
  mainwindow::FrmMain window;
  NoSleepPacer pacer;
  session::PictureStore pictures;
  session::TvDccLauncher dcc;
  session::SessionEngine engine;
  mainwindow::SessionLinkTo<session::SessionEngine> link;
};

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
