#pragma once
// The main window's part in direct file transfers. The participant menu's entry
// btnDccSend starts TvDcc in VSEND mode for the selected member (nobody selected:
// nothing); and the window's hand-off endpoint (link handle 1, Owner "VOICE") takes the
// voice form of the offer line a sending TvDcc hands back, which txtDDE/timDDE pass on
// 500 ms later, in order, to the session (a type 7 message to the member named in the
// line). A failed hand-over adds "送信できませんでした。" to the information log. Kept out of
// FrmMain so that the window's own files do not grow with it. UI thread only.

#include "dcc/DdeEndpoint.h"
#include "dcc/DdeHandOff.h"

#include <QObject>

#include <functional>

namespace tv::session {
class TvDccLauncher;
}

namespace tv::mainwindow {

class FrmMain;
class SessionLink;

class VoiceDccLink : public QObject {
  Q_OBJECT
 public:
  // Sends the offer line inside the session; false when a step failed.
  using ForwardOffer = std::function<bool(const QString &offerLine)>;

  // Every reference outlives the link. bus: the connection that owns the program's bus
  // name.
  VoiceDccLink(FrmMain &window, SessionLink &session, session::TvDccLauncher &launcher,
               ForwardOffer forward, QDBusConnection bus,
               dcc::DdeEndpoint::CallerCheck callerCheck = {}, QObject *parent = nullptr);

  void btnDccSend_Click();

  dcc::DdeEndpoint &endpoint() { return endpoint_; }
  dcc::DdeHandOff &handOff() { return handOff_; }

 private:
  void processOffer(const QString &text);
  void reportSendError(const QString &description);

  FrmMain &window_;
  SessionLink &session_;
  session::TvDccLauncher &launcher_;
  ForwardOffer forward_;
  dcc::DdeHandOff handOff_;
  dcc::DdeEndpoint endpoint_;
};

}  // namespace tv::mainwindow
