#pragma once
// What the IRC handling reports to the pane that shows it: slots and tabs, log lines,
// user-list changes, topic and nickname, lines to send, transfers to start and events
// for the host window. The pane implements it with widgets; tests record the calls.
// Calls arrive on the UI thread, in the order the changes happen.

#include <QString>

namespace tv::irc {

enum class PaneEvent { HideMe, AddMyTab, RemoveMe, RefreshMe };

class IrcHandlerSink {
 public:
  virtual ~IrcHandlerSink() = default;

  // A slot record came into use: its log and list start empty and hidden.
  virtual void slotOpened(int slot) = 0;
  // A slot is closing: its log is still there to be saved under `name`.
  virtual void slotClosing(int slot, const QString &name) = 0;
  // Records from `size` on were dropped: their controls may go.
  virtual void slotsTrimmed(int size) = 0;
  virtual void tabInserted(int position, int slot, const QString &caption) = 0;
  virtual void tabRemoved(int position) = 0;
  // The tab at `position` (of slot `slot`) is the one shown; -1, -1 when none is.
  virtual void currentChanged(int position, int slot) = 0;

  // One log line: `header` is "" (no speaker), "<speaker> " or ">own< ".
  virtual void lineWritten(int slot, const QString &header, const QString &text) = 0;
  // The slot's user list: cleared, rows appended, one row removed or changed.
  virtual void usersReset(int slot) = 0;
  virtual void usersAppended(int slot, int first, int count) = 0;
  virtual void userRemoved(int slot, int row) = 0;
  virtual void userChanged(int slot, int row) = 0;
  virtual void topicChanged(int slot) = 0;
  virtual void nicknameChanged(const QString &nickname) = 0;

  // Queues one line for the server. False when the component failed: the pane has
  // then reported it and ended, and the handler stops.
  virtual bool sendLine(const QString &line) = 0;
  // Closes the server connection (no event follows).
  virtual void closeConnection() = 0;
  // Starts the file receiver for a checked offer ("file address port size"). Returns
  // why nothing started, or "" when it started.
  virtual QString startReceiver(const QString &sender, const QString &offer) = 0;
  // Asks for DccLimitReport() to be called after `ms` milliseconds.
  virtual void wakeForDccReport(int ms) = 0;

  // An information-log row of the IRC area.
  virtual void sysMsg(const QString &kind, const QString &text) = 0;
  virtual void paneEvent(PaneEvent event) = 0;
};

}  // namespace tv::irc
