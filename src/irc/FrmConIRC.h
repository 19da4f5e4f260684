#pragma once
// The IRC connection dialog frmConIRC: nickname, server and the channels to join
// automatically, kept in the list files NickIRC.txt, SVList.txt (read only) and
// CHList.txt; "接続" stores the choices and asks the main window for a pane
// (EvConnect). Every opening reads the files again; the dialog deletes itself when it
// closes. Damaged or missing lists are reported in the information log and replaced by
// what was read or by defaults. UI thread only; not modal.

#include "irc/IrcLists.h"

#include <QDialog>

#include <functional>
#include <memory>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace tv::app {
struct AppInfo;
class FrmBoxINP;
class MessageSink;
class Settings;
}  // namespace tv::app

namespace tv::irc {

struct IrcDialogServices {
  app::MessageSink *messages = nullptr;  // the program's message box
  // Information-log rows of the IRC area: kind, text.
  std::function<void(const QString &kind, const QString &text)> log;
  // The main window's EvConnect: nickname, server's display name, host, port.
  std::function<void(const QString &nick, const QString &serverName, const QString &host,
                     const QString &port)>
      connect;
  // A random number in [0, 1) for the port (the system's generator when empty).
  std::function<double()> random;
};

class FrmConIRC : public QDialog {
  Q_OBJECT
 public:
  // Reads the lists at once. `parent` is the main window it stays above.
  FrmConIRC(const app::AppInfo &info, const app::Settings &settings, IrcDialogServices services,
            QWidget *parent = nullptr);
  ~FrmConIRC() override;

  QComboBox *cboNICK() const { return cboNICK_; }
  QComboBox *cboSV() const { return cboSV_; }
  QLineEdit *txtPORT() const { return txtPORT_; }
  QTreeWidget *lstCH() const { return lstCH_; }
  QPushButton *btnADD() const { return btnADD_; }
  QPushButton *btnDEL() const { return btnDEL_; }
  QPushButton *btnUP() const { return btnUP_; }
  QPushButton *btnDOWN() const { return btnDOWN_; }
  QPushButton *btnConnect() const { return btnConnect_; }
  QPushButton *btnCancel() const { return btnCancel_; }
  // The channel box, once "追加" was pressed.
  app::FrmBoxINP *IBOXChannel() const { return IBOXChannel_; }
  const QList<IrcServer> &servers() const { return servers_; }
  QList<IrcChannelEntry> channels() const;

  void btnConnect_Click();
  void btnADD_Click();

 private:
  void loadServers();
  void loadChannels();
  void loadNicknames();
  void addChannel(const QString &name, bool checked);
  void IBOXChannel_BtnClick(const QString &text);
  void moveSelected(int by);
  void showPort();
  void report(const QString &kind, const QString &text);

  const app::AppInfo &info_;
  const app::Settings &settings_;
  IrcDialogServices services_;
  QList<IrcServer> servers_;

  QComboBox *cboNICK_;
  QComboBox *cboSV_;
  QLineEdit *txtPORT_;
  QTreeWidget *lstCH_;
  QPushButton *btnADD_;
  QPushButton *btnDEL_;
  QPushButton *btnUP_;
  QPushButton *btnDOWN_;
  QPushButton *btnConnect_;
  QPushButton *btnCancel_;
  app::FrmBoxINP *IBOXChannel_ = nullptr;
};

}  // namespace tv::irc
