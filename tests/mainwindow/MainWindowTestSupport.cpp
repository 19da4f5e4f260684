#include "MainWindowTestSupport.h"

#include "app/StartUp.h"
#include "session/SessionMessage.h"

#include <QCoreApplication>
#include <QUrl>

#include <utility>

namespace tv::test {

std::uint32_t RecordingSession::SendSessionMessage(const QByteArray &message,
                                                   std::uint32_t target) {
  const auto decoded = session::decodeMessage(message);
  EXPECT_TRUE(decoded.has_value());
  if (decoded) sent.append({decoded->type, decoded->text, target, decoded->pictureBytes});
  return sendResult;
}

void RecordingSession::StopHostSearch() {
  calls << QStringLiteral("StopHostSearch");
  searching = false;
}

void RecordingSession::EndVoiceChat() {
  calls << QStringLiteral("EndVoiceChat");
  if (duringEnd) duringEnd();
}

void RecordingSession::ReleaseSession() {
  calls << QStringLiteral("ReleaseSession");
  if (releaseFrees) holds = false;
  state = 0;
}

void RecordingSession::ChooseOwnColour(std::uint32_t colourValue) {
  calls << QStringLiteral("ChooseOwnColour %1").arg(colourValue, 6, 16, QLatin1Char('0'));
}

void RecordingSession::ChooseOwnTeam(int team) {
  calls << QStringLiteral("ChooseOwnTeam %1").arg(team);
}

void RecordingSession::ChooseTransmitTeam(int team) {
  calls << QStringLiteral("ChooseTransmitTeam %1").arg(team);
}

void RecordingSession::KickMember(std::uint32_t playerId) {
  calls << QStringLiteral("KickMember %1").arg(playerId);
}

void RecordingSession::SetMemberLimit(const QString &text) {
  calls << QStringLiteral("SetMemberLimit ") + text;
}

void RecordingSession::RemoveMemberLimit() { calls << QStringLiteral("RemoveMemberLimit"); }

void RecordingSession::LookUpAddress(std::uint32_t playerId, const QString &rowName, int rowCount) {
  calls << QStringLiteral("LookUpAddress %1 %2 %3").arg(playerId).arg(rowName).arg(rowCount);
}

MainWindowTest::MainWindowTest()
    : info(app::RunStartUp(dir.path(), QStringLiteral("alice"))), settings(info.settingsPath()) {}

std::unique_ptr<mainwindow::FrmMain> MainWindowTest::make(bool irc) {
  allLog = std::make_unique<app::FrmAllLOG>(info, settings, [](const QUrl &) { return true; });
  mainwindow::FrmMain::Services services;
  services.allLog = allLog.get();
  services.problems = &problems;
  services.clock = [] { return QTime(9, 5, 7); };
  services.localAddress = [] { return QStringLiteral("192.0.2.7"); };
  services.openUrl = [this](const QUrl &url) {
    opened << url.toString();
    return true;
  };
  services.keys = &keys;
  services.pause = [this](int) {
    if (const auto run = std::exchange(duringPause, nullptr)) run();
    QCoreApplication::processEvents();
  };
  if (irc) {
    services.makeIrcPane = [this] {
      auto *pane = new FakeIrcPane;
      panes.append(pane);
      return pane;
    };
  }
  auto w = std::make_unique<mainwindow::FrmMain>(info, settings, std::move(services));
  w->attachSession(&session);
  return w;
}

void MainWindowTest::startVoice(mainwindow::FrmMain &w) {
  session.state = 3;
  session.ownId = 1;
  session.nick = QStringLiteral("alice");
  session.holds = true;
  w.ResetSessionView();
  w.AddParticipantRow(1, QStringLiteral("alice"));
  w.SetUserColor(1, 0x800000);
  w.AddParticipantRow(2, QStringLiteral("bob"));
  w.MarkHostRow(2);
  w.SetUserColor(2, 0x0000FF);
  w.UpdateVoiceButtons();
  w.AddTab(QStringLiteral("VOICE"), QStringLiteral("音声"));
}

}  // namespace tv::test
