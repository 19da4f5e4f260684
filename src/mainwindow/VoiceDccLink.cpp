#include "mainwindow/VoiceDccLink.h"

#include "dcc/OfferLine.h"
#include "mainwindow/ChatLogView.h"
#include "mainwindow/ChatText.h"
#include "mainwindow/FrmMain.h"
#include "mainwindow/SessionLink.h"
#include "mainwindow/VoicePane.h"
#include "session/TvDccLauncher.h"

#include <QAction>

namespace tv::mainwindow {

VoiceDccLink::VoiceDccLink(FrmMain &window, SessionLink &session, session::TvDccLauncher &launcher,
                           ForwardOffer forward, QDBusConnection bus,
                           dcc::DdeEndpoint::CallerCheck callerCheck, QObject *parent)
    : QObject(parent),
      window_(window),
      session_(session),
      launcher_(launcher),
      forward_(std::move(forward)),
      handOff_([this](const QString &text) { processOffer(text); }),
      endpoint_(
          std::move(bus), session::TvDccLauncher::kMainWindowHandle, QStringLiteral("VOICE"),
          &dcc::IsVoiceOfferLine, [this](const QString &text) { return handOff_.setText(text); },
          std::move(callerCheck)) {
  connect(window_.fraVOICE()->action(QStringLiteral("btnDccSend")), &QAction::triggered, this,
          &VoiceDccLink::btnDccSend_Click);
}

void VoiceDccLink::btnDccSend_Click() {
  const std::uint32_t id = window_.SelectedUserId();
  if (id == 0) return;
  if (id == session_.OwnPlayerId()) {
    reportSendError(QStringLiteral("自分自身に対してファイルを送信することはできません。"));
    return;
  }
  if (!launcher_.ProgramExists()) {
    reportSendError(QStringLiteral("TalvoraのフォルダにTvDccが見つかりません。"));
    return;
  }
  const QString why = launcher_.StartSender(
      dcc::Mode::Vsend, session::TvDccLauncher::kMainWindowHandle, window_.ParticipantName(id));
  if (!why.isEmpty()) reportSendError(why);
}

void VoiceDccLink::reportSendError(const QString &description) {
  window_.txtLOG()->appendSystemLines(FileSendErrorLines(description));
}

void VoiceDccLink::processOffer(const QString &text) {
  if (!forward_ || !forward_(text))
    window_.addINF(QStringLiteral("TV"), QStringLiteral("DCC"),
                   QStringLiteral("送信できませんでした。"));
}

}  // namespace tv::mainwindow
