#pragma once
// The receiver window frmRec: shows who offers which file and how large it is, lets
// the user choose where to save it, connects to the sender on 受信 and reports the
// transfer; the work itself is FileReceiver's. The offer is checked before anything
// connects: an address that is not a unicast IPv4 address, port 0 or above 65535, or
// a size that is not a number below 2^63 refuses it with a status text, and 受信 and
// 「FILE」 stay disabled. An existing file of the chosen name is replaced only after the
// overwrite box was shown for it. Closing the window ends the program.
//
// Threading: UI thread only.

#include "dcc/CommandLine.h"
#include "dcc/DccWindow.h"
#include "dcc/FileReceiver.h"
#include "dcc/OfferChecks.h"

#include <QTimer>

namespace tv::app {
class Settings;
}

namespace tv::dcc {

class ValueLabel;

struct ReceiveRequest {
  Mode mode = Mode::Vrec;       // Vrec sends nothing back, Irec acknowledges
  QString nick;                 // the sender
  QString address, port, size;  // the offer's words, unchecked
  QString savePath;             // proposed: folder + the reduced file name
};

class FrmRec : public DccWindow {
  Q_OBJECT
 public:
  static constexpr int kConnectTimeoutMs = 10000;

  FrmRec(const ReceiveRequest &request, const app::Settings &settings, QWidget *parent = nullptr);
  ~FrmRec() override;

  // What 受信 and 「FILE」 do (the latter once the save dialog returned a path).
  void btnRx_Click();
  void btnOpen_Click();
  void chooseSavePath(const QString &path);

  FileReceiver &receiver() { return receiver_; }
  QString savePath() const;
  QToolButton *btnRx() const { return btnRx_; }
  QToolButton *btnOpen() const { return btnOpen_; }
  QCheckBox *chkClose() const { return chkClose_; }
  QTimer *timConnect() { return &timConnect_; }
  ValueLabel *lblRxedFSize() const { return lblRxedFSize_; }

 protected:
  void closeEvent(QCloseEvent *event) override;

 private:
  void buildWindow();
  // The overwrite box when the path names an existing file; it is then warned about.
  bool warnIfExists(const QString &path);
  void onConnected();
  void onCompleted(int renameError);
  void onEnded(const QString &status);
  void timConnect_Timer();

  const app::Settings &settings_;
  ReceiveRequest request_;
  ReceiveTarget target_;
  bool refused_ = false;
  QString warnedPath_;  // the path the user was told exists
  FileReceiver receiver_;
  QTimer timConnect_;

  ValueLabel *lblNick_;
  ValueLabel *lblFPath_;
  ValueLabel *lblFSize_;
  ValueLabel *lblRxedFSize_;
  ValueLabel *lblStartTime_;
  ValueLabel *lblFinishTime_;
  QCheckBox *chkClose_;
  QToolButton *btnRx_;
  QToolButton *btnOpen_;
};

}  // namespace tv::dcc
