#pragma once
// The sender window frmSend: offers one file to one user. On 送信 it opens a listening
// port on every IPv4 address (optionally the port the user's router forwards), hands
// the offer line back to the window that started it (the hand-off function) and lets
// FileSender serve the one receiver that connects. Progress shows at most ten times a
// second and exactly at the end. Closing the window ends the program; a finished
// transfer still drains in the windowless process (FileSender::finishGracefully).
//
// Threading: UI thread only.

#include "dcc/CommandLine.h"
#include "dcc/DccWindow.h"
#include "dcc/FileSender.h"

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tv::app {
class Settings;
}

namespace tv::dcc {

class ValueLabel;

struct SendRequest {
  Mode mode = Mode::Vsend;  // the offer line's form
  QString nick;             // the receiver
};

class FrmSend : public DccWindow {
  Q_OBJECT
 public:
  // Hands the offer line to the main program; `done` runs once with the outcome.
  using HandOff = std::function<void(const QString &line, std::function<void(bool ok)> done)>;

  // localAddress: this PC's IPv4 address (LocalIpAddress), shown and offered.
  FrmSend(const SendRequest &request, const app::Settings &settings, QString localAddress,
          HandOff handOff, QWidget *parent = nullptr);
  ~FrmSend() override;

  // What the buttons do (「FILE」 once the file dialog returned a path).
  void btnTx_Click();
  void btnOpen_Click();
  void chooseFile(const QString &path);
  void btnCopyIP_Click();

  FileSender &sender() { return sender_; }
  QToolButton *btnTx() const { return btnTx_; }
  QToolButton *btnOpen() const { return btnOpen_; }
  QCheckBox *chkNAT() const { return chkNAT_; }
  QCheckBox *chkClose() const { return chkClose_; }
  QLineEdit *IpTxt() const { return IpTxt_; }
  QLineEdit *PortTxt() const { return PortTxt_; }
  QLabel *lblNotice() const { return lblNotice_; }

 protected:
  void closeEvent(QCloseEvent *event) override;

 private:
  void buildWindow();
  void fitToNotice();
  void applyNatSwitch();
  bool startListening(quint16 &port);
  void portInUse();
  void onAccepted(const QHostAddress &local, quint16 localPort, const QHostAddress &peer,
                  quint16 peerPort);
  void onFinished();

  const app::Settings &settings_;
  SendRequest request_;
  QString localAddress_;
  HandOff handOff_;
  FileSender sender_;

  ValueLabel *lblNick_;
  ValueLabel *lblFPath_;
  ValueLabel *lblFName_;
  ValueLabel *lblFSize_;
  ValueLabel *lblTxedFSize_;
  ValueLabel *lblStartTime_;
  ValueLabel *lblFinishTime_;
  ValueLabel *lblLocalIP_;
  ValueLabel *lblLocalPort_;
  ValueLabel *lblRemoteIP_;
  ValueLabel *lblRemotePort_;
  QLabel *lblNat0_;
  QLabel *lblNat1_;
  QLabel *lblNotice_;
  QLineEdit *IpTxt_;
  QLineEdit *PortTxt_;
  QCheckBox *chkNAT_;
  QCheckBox *chkClose_;
  QPushButton *btnCopyIP_;
  QToolButton *btnOpen_;
  QToolButton *btnTx_;
};

}  // namespace tv::dcc
