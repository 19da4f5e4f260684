#pragma once
// What the main-window tests share: a session engine that records what the window
// asks of it, an IRC pane that records its calls, and a fixture that builds the window
// with a real all-chat log in a temporary program folder.

#include "app/AppInfo.h"
#include "app/FrmAllLOG.h"
#include "app/ProblemReport.h"
#include "app/Settings.h"
#include "mainwindow/FrmMain.h"
#include "mainwindow/IrcPane.h"
#include "mainwindow/SessionLink.h"
#include "platform/keystate/FakeKeySource.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <functional>

#include <memory>

namespace tv::test {

class RecordingSession : public mainwindow::SessionLink {
 public:
  struct Sent {
    int type;
    QString text;
    std::uint32_t target;
    QByteArray picture = {};
    bool operator==(const Sent &) const = default;
  };

  int SessionState() const override { return state; }
  bool HostSearchRunning() const override { return searching; }
  std::uint32_t OwnPlayerId() const override { return ownId; }
  QString OwnNickname() const override { return nick; }
  MemberCount MemberCounts() const override { return counts; }
  bool HoldsSession() const override { return holds; }
  std::uint32_t SendSessionMessage(const QByteArray &message, std::uint32_t target) override;
  void StopHostSearch() override;
  void EndVoiceChat() override;
  void ReleaseSession() override;
  void StopSessionTimers() override { calls << QStringLiteral("StopSessionTimers"); }
  peer::Result GetClientConfig(peer::VoiceClientConfig &out) const override {
    out = config;
    return peer::kOk;
  }
  peer::Result SetClientConfig(const peer::VoiceClientConfig &c) override {
    config = c;
    ++configWrites;
    return peer::kOk;
  }
  void ChooseOwnColour(std::uint32_t colourValue) override;
  void ChooseOwnTeam(int team) override;
  void ChooseTransmitTeam(int team) override;
  void KickMember(std::uint32_t playerId) override;
  void SetMemberLimit(const QString &text) override;
  void RemoveMemberLimit() override;
  void LookUpAddress(std::uint32_t playerId, const QString &rowName, int rowCount) override;

  int state = 0;
  bool searching = false;
  std::uint32_t ownId = 0;
  QString nick;
  MemberCount counts;
  bool holds = false;
  bool releaseFrees = true;         // ReleaseSession lets go of the session objects
  std::function<void()> duringEnd;  // runs inside EndVoiceChat, as its pumps let events in
  QList<Sent> sent;
  std::uint32_t sendResult = 0;  // what SendSessionMessage answers
  QStringList calls;
  peer::VoiceClientConfig config;  // the voice client's configuration
  int configWrites = 0;
};

class FakeIrcPane : public mainwindow::IrcPane {
 public:
  void IrcConnect(const QString &nick, const QString &address, const QString &port) override {
    calls << QStringLiteral("IrcConnect %1 %2 %3").arg(nick, address, port);
  }
  bool TxPRIVMSG(const QString &text, bool toChannel) override {
    calls << QStringLiteral("TxPRIVMSG %1 %2").arg(text).arg(toChannel);
    return sendResult;
  }
  void DelAllCh() override {
    calls << QStringLiteral("DelAllCh");
    if (endsOnClose) Q_EMIT EvRemoveMe();
  }
  void AllInitialize() override { calls << QStringLiteral("AllInitialize"); }
  void SetBtnVisible(int state) override { lastState = state; }
  int cboLFT() const override { return 10; }
  int cboTOP() const override { return 50; }
  int cboWID() const override { return 200; }

  QStringList calls;
  bool sendResult = true;
  bool endsOnClose = false;  // the pane ends itself when its channels close
  int lastState = -1;
  using IrcPane::EvAddMyTab;
};

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest();
  // Builds the window; with `irc` it can open IRC panes (FakeIrcPane).
  std::unique_ptr<mainwindow::FrmMain> make(bool irc = false);
  QString appFile(const QString &name) const { return info.filePath(name); }
  // A voice session as the engine leaves it once the voice client is connected:
  // own row (ID 1, colour dark blue), a host row "@bob" (ID 2, bright red), VOICE tab.
  void startVoice(mainwindow::FrmMain &w);
  FakeIrcPane *pane(int i) const { return panes.value(i); }

  QTemporaryDir dir;
  app::AppInfo info;
  app::Settings settings;
  app::ProblemReport problems;
  std::unique_ptr<app::FrmAllLOG> allLog;
  RecordingSession session;
  keystate::FakeKeySource keys;
  // Runs once inside the next volume slider's pause (which does not sleep here).
  std::function<void()> duringPause;
  QList<FakeIrcPane *> panes;
  QStringList opened;  // links the chat log asked the desktop to open
};

}  // namespace tv::test
