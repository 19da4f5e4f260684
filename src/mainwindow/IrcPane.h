#pragma once
// One IRC connection's pane as the main window hosts it. The IRC subsystem implements
// it; the window places the panes, gives them tabs and the shared input line, and
// reacts to their events. All calls and signals are on the UI thread.

#include <QWidget>

#include <functional>

class QTextDocument;

namespace tv::mainwindow {

class IrcPane : public QWidget {
  Q_OBJECT
 public:
  using QWidget::QWidget;

  // Connects to the server (the pane creates its own link to TvIRC).
  virtual void IrcConnect(const QString &nick, const QString &address, const QString &port) = 0;
  // Sends a line typed in the shared input line: to the current channel when toChannel,
  // otherwise privately to the users selected in the pane. True when it was sent.
  virtual bool TxPRIVMSG(const QString &text, bool toChannel) = 0;
  // Removes the tab of every channel and closes it (the program is closing).
  virtual void DelAllCh() = 0;
  // Back to the state of a new pane, for reuse.
  virtual void AllInitialize() = 0;
  // Enables the pane's voice menu entries for the session state (0 idle .. 3 member).
  virtual void SetBtnVisible(int sessionState) = 0;
  // Where the shared input line goes under the pane's current log view, in the pane's
  // own pixel coordinates: left, top (the view's bottom) and width.
  virtual int cboLFT() const = 0;
  virtual int cboTOP() const = 0;
  virtual int cboWID() const = 0;
  // What the host tells a pane it adopts: the height of the row the shared input line
  // takes under the log, and how a closed channel's log is saved (view, channel name).
  virtual void setInputRowHeight(int pixels) { Q_UNUSED(pixels); }
  using LogSaver = std::function<void(const QTextDocument &view, const QString &name)>;
  virtual void setLogSaver(LogSaver saver) { Q_UNUSED(saver); }
  // The pane's tab key ("IRC" + its pane number), fixed for the pane's life.
  virtual void setTabKey(const QString &key) { Q_UNUSED(key); }

 Q_SIGNALS:
  void EvHideMe();
  void EvAddMyTab();
  void EvRemoveMe();
  void EvRefreshMe();
  void EvLIP(const QString &localAddress);
  void EvVoiceJoin(const QString &address);
  void EvSysMsg(const QString &messageClass, const QString &message);
};

// Creates a pane, unparented; the window adopts it.
using IrcPaneFactory = std::function<IrcPane *()>;

}  // namespace tv::mainwindow
