#pragma once
// One IRC pane, ctlIRC: a connection to one server through its own link to TvIRC, and
// a tab per channel or private conversation, each with its log view and user list.
// The IrcHandler holds the state and decides; this widget shows it, talks to the link
// and reports to the host window through the IrcPane events.
//
// Received lines are drained from the link in slices of a few tens of milliseconds, so
// a flood of server lines keeps the window answering; each slice repaints once.
// A failed call into the component is reported with the routine's lines, every slot
// is closed and the pane ends (EvRemoveMe). The host may then delete the pane; until
// then it does nothing more, and IrcConnect starts it afresh.
//
// UI thread only.

#include "dcc/DdeHandles.h"
#include "irc/IrcHandler.h"
#include "irc/IrcLinkFailure.h"
#include "irc/IrcPaneServices.h"
#include "mainwindow/IrcPane.h"

#include <QElapsedTimer>
#include <QList>
#include <QPointer>

#include <memory>
#include <vector>

class QLabel;
class QLineEdit;
class QMenu;
class QTabBar;
class QTimer;
class QTreeView;

namespace tv::dcc {
class PaneDccLink;
}
namespace tv::mainwindow {
class ChatLogView;
}
namespace tv::richtext {
class AppendScope;
class RichTextView;
}  // namespace tv::richtext

namespace tv::irc {

class IrcLink;
class IrcPaneCommands;
class IrcUserModel;

class CtlIRC : public mainwindow::IrcPane, private IrcHandlerSink {
  Q_OBJECT
 public:
  static constexpr int kDrainSliceMs = 25;
  static constexpr int kMaxBatch = 64;  // lines asked of the link at once

  explicit CtlIRC(const IrcPaneServices &services, QWidget *parent = nullptr);
  ~CtlIRC() override;

  // IrcPane.
  void IrcConnect(const QString &nick, const QString &address, const QString &port) override;
  bool TxPRIVMSG(const QString &text, bool toChannel) override;
  void DelAllCh() override;
  void AllInitialize() override;
  void SetBtnVisible(int sessionState) override;
  int cboLFT() const override;
  int cboTOP() const override;
  int cboWID() const override;
  void setInputRowHeight(int pixels) override;
  void setLogSaver(LogSaver saver) override { saveLog_ = std::move(saver); }
  // Serves the pane's hand-off endpoint under this key (CtlIRCDcc.cpp).
  void setTabKey(const QString &key) override;

  // Direct file transfers (CtlIRCDcc.cpp). The user offers a file to the user of the
  // current channel's list entry (operator mark allowed): TvDcc starts in ISEND mode
  // with the pane's handle. Without a current channel or an entry nothing happens; a
  // start that fails is written into the current channel's log.
  void StartDccSend(const QString &listEntry);
  quint32 ddeHandle() const { return ddeHandle_; }
  // Null until the host gave the tab key, or without a bus.
  dcc::PaneDccLink *dccLink() const { return dccLink_; }

  // Leaves IRC: QUIT, then a forced close when the server keeps the connection.
  void TxQUIT();

  // For the pane's commands.
  IrcPaneCommands *commands() const { return commands_; }
  IrcHandler &handler() { return handler_; }
  const IrcHandler &handler() const { return handler_; }
  // The send routine: one line queued through the link (paced by TvIRC). False when
  // the link failed; the pane has then ended.
  bool SendLine(const QString &line);
  // The entries selected in the current slot's list, in list order.
  QList<int> selectedRows() const;
  QStringList selectedEntries() const;
  // A call into the component failed in `routine`: reported with the routine's lines,
  // every slot closed, the pane ended.
  void failLink(IrcRoutine routine);
  int sessionState() const { return sessionState_; }
  bool finished() const { return finished_; }
  IrcLink *link() const { return link_; }

  QTabBar *tabIRC() const { return tabIRC_; }
  // The slot's controls; null for a slot without controls.
  mainwindow::ChatLogView *txtLOG(int slot) const;
  QTreeView *lstUSER(int slot) const;
  QLineEdit *txtTOPIC() const { return txtTOPIC_; }
  QLabel *lblUserNum() const { return lblUserNum_; }
  QLabel *lblNICK() const { return lblNICK_; }
  // The log views' and tab strip's menu, and the user lists' menu; commands add entries.
  QMenu *btnChRoot() const { return btnChRoot_; }
  QMenu *btnUserRoot() const { return btnUserRoot_; }
  // The row under the log and list: topic, count, nickname; commands add buttons to it.
  QWidget *commandRow() const { return commandRow_; }

 protected:
  void resizeEvent(QResizeEvent *event) override;

 private:
  friend class IrcPaneCommands;

  struct SlotView {
    mainwindow::ChatLogView *log = nullptr;
    QTreeView *list = nullptr;
    IrcUserModel *model = nullptr;
  };

  // IrcHandlerSink.
  void slotOpened(int slot) override;
  void slotClosing(int slot, const QString &name) override;
  void slotsTrimmed(int size) override;
  void tabInserted(int position, int slot, const QString &caption) override;
  void tabRemoved(int position) override;
  void currentChanged(int position, int slot) override;
  void lineWritten(int slot, const QString &header, const QString &text) override;
  void usersReset(int slot) override;
  void usersAppended(int slot, int first, int count) override;
  void userRemoved(int slot, int row) override;
  void userChanged(int slot, int row) override;
  void topicChanged(int slot) override;
  void nicknameChanged(const QString &nickname) override;
  bool sendLine(const QString &line) override;
  void closeConnection() override;
  QString startReceiver(const QString &sender, const QString &offer) override;
  void wakeForDccReport(int ms) override;
  void sysMsg(const QString &kind, const QString &text) override;
  void paneEvent(PaneEvent event) override;

  // Controls.
  void buildControls();
  SlotView &viewFor(int slot);
  void dropViews(int from);
  void layoutPane();
  QRect logRect() const;
  void showCount();
  void showTopic();
  // Lines written during a drain go into one append scope per view they touch, so a
  // burst is laid out and scrolled once per view. A view's scope closes before the
  // view is cleared or deleted, all of them when the drain ends.
  void batchView(richtext::RichTextView *view);
  void unbatchView(richtext::RichTextView *view);
  void endBatch();
  void onTabMenu(const QPoint &globalPos);
  void onUserMenu(const QPoint &globalPos);

  // The link (CtlIRCLink.cpp).
  void attachLink();
  // `now`: deleted at once (the pane is going); otherwise later, as the pane may be
  // inside one of the link's signals.
  void releaseLink(bool now = false);
  void onConnected(const QString &localAddress);
  void onConnectTimeOut();
  void onServerClosed();
  void onPing();
  void scheduleDrain();
  // Takes waiting lines for at most sliceMs (-1: until none waits); returns false when
  // the pane ended.
  bool drain(int sliceMs);
  // After the handler ran: a send that failed inside it ends the pane now, reported as
  // `routine`'s failure.
  void settle(IrcRoutine routine = IrcRoutine::Send);
  void finish();

  IrcPaneServices services_;
  // Taken when the pane is made, so handles follow the order panes are made in.
  quint32 ddeHandle_ = services_.ddeHandles ? services_.ddeHandles->nextPane() : 0;
  dcc::PaneDccLink *dccLink_ = nullptr;  // child
  IrcHandler handler_;
  IrcLink *link_ = nullptr;  // owned; deleted later, as it may be inside a signal
  QElapsedTimer steady_;
  LogSaver saveLog_;
  int inputRowHeight_ = 0;
  int sessionState_ = 0;
  bool finished_ = false;
  bool drainQueued_ = false;
  bool drainSliceFull_ = false;  // the last drain stopped at its time limit
  bool sendFailed_ = false;
  bool batching_ = false;
  std::vector<std::pair<richtext::RichTextView *, std::unique_ptr<richtext::AppendScope>>> batch_;

  QTabBar *tabIRC_;
  QList<SlotView> views_;
  QLineEdit *txtTOPIC_;
  QLabel *lblTOPIC_;
  QLabel *lblUserNum_;
  QLabel *lblNICK_;
  QWidget *commandRow_;
  QMenu *btnChRoot_;
  QMenu *btnUserRoot_;
  QTimer *timDccReport_;
  IrcPaneCommands *commands_ = nullptr;
};

}  // namespace tv::irc
