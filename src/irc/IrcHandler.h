#pragma once
// The IRC pane's state and everything it does with decoded server lines: registration,
// the end of the welcome and the automatic joins, the dispatch of every command and
// reply, WHOIS output, CTCP file offers, and the log writer's decisions (slot, speaker,
// own line). It owns the data: slots (channels and private conversations) with their
// topics and user lists, the tab order and the current tab, the own nickname. It never
// touches a widget, socket or bus: every change goes out through IrcHandlerSink.
//
// UI thread only. Not re-entrant: a sink call must not call back into the handler,
// except for reading. Once a line could not be sent (the component failed) the handler
// stops; the pane reports the failure, calls closeAll() and ends.
//
// Limits: at most kMaxSlots slots and kMaxUsers entries per user list; the excess is
// dropped and reported once.

#include "irc/DccOfferLimiter.h"
#include "irc/IrcHandlerSink.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace tv::irc {

struct IrcLine;

struct IrcUser {
  QString entry;    // the nickname as the server sent it, status mark included
  QString address;  // a voice host's address once announced; "" otherwise
};

struct IrcSlot {
  QString name;  // channel name or the partner's nickname; "" for a free record
  QString topic;
  bool namesFresh = true;  // the next name reply starts a new list
  bool isChannel = false;
  bool hasTab = false;
  bool usersCapped = false;  // the list limit was reported
  QList<IrcUser> users;
};

class IrcHandler {
 public:
  static constexpr int kMaxSlots = 100;
  static constexpr int kMaxUsers = 250000;

  struct Options {
    QString fullName = QStringLiteral("Talvora");  // USER's real-name field
    // Monotonic milliseconds: the limits on file offers and answers to PING.
    std::function<qint64()> nowMs;
  };
  // Called for every received line written into a slot (never for own lines).
  using ReceivedLineHook =
      std::function<void(int slot, const QString &speaker, const QString &text)>;

  IrcHandler(IrcHandlerSink &sink, Options options);

  // Back to a new pane: no slots, no tabs, no current slot, no automatic joins.
  void reset();
  // A connect is starting: remembers the nickname and the channels to join once
  // welcomed (names already checked), and says where it connects.
  void beginConnect(const QString &nick, const QString &address, const QString &port,
                    const QStringList &autoJoin);
  // The connection is up: NICK and USER go out.
  void connected();
  // One line from the server (without CR LF).
  void handleLine(const QString &line);

  // For every open slot: remove its tab and close it. Works after stop() too.
  void closeAll();
  // No more handling: a failed send, or the pane ended.
  void stop() { stopped_ = true; }
  bool stopped() const { return stopped_; }

  // The user chose a tab.
  void selectTab(int position);
  // A chat line to the current slot. False when no slot is current or it could not be
  // sent.
  bool sendToCurrent(const QString &text);
  // A line to each nickname (entries of the current list, in this order), each in its
  // own private slot. False when none is given or a send failed.
  bool sendPrivately(const QString &text, const QStringList &entries);
  // The send routine: the line cut to the IRC limit and queued. False when the
  // component failed (the handler has stopped).
  bool send(const QString &line);
  // Writes the report of offers refused by the limits (the pane's wake-up).
  void DccLimitReport();

  // Data model.
  const QString &nickname() const { return nick_; }
  int currentSlot() const { return current_; }
  int currentPosition() const { return int(tabs_.indexOf(current_)); }
  const QList<int> &tabs() const { return tabs_; }
  int recordCount() const { return int(slots_.size()); }
  int slotCount() const { return slotCount_; }
  const IrcSlot &slot(int index) const { return slots_[index]; }
  int findSlot(const QString &name) const;
  // Index of the first entry of the slot's list that is the nickname; -1 when none.
  int findUser(int slot, QStringView nick) const;

  // Building blocks of the pane's commands.
  int openSlot(const QString &name);  // -1 when the slot limit is reached
  void addTab(int slot);
  void removeTab(int slot);
  void closeSlot(int slot);
  void writeLine(int slot, const QString &text, const QString &speaker = QString(),
                 bool own = false);
  bool addUser(int slot, const QString &entry);
  bool removeUser(int slot, const QString &nick);
  void setUserAddress(int slot, int row, const QString &address);
  void setReceivedLineHook(ReceivedLineHook hook) { receivedHook_ = std::move(hook); }

 private:
  // Dispatch (IrcDispatch.cpp).
  void onPrivmsg(const IrcLine &l);
  void onCtcp(const QString &sender, const QString &text);
  void onJoin(const IrcLine &l);
  void onPart(const IrcLine &l);
  void onQuit(const IrcLine &l);
  void onTopic(const IrcLine &l);
  void onKick(const IrcLine &l);
  void onNick(const IrcLine &l);
  void onMode(const IrcLine &l);
  void onChannelMode(int slot, const QString &sender, const QString &modes);
  void onNames(const IrcLine &l);
  void onNamesEnd(const IrcLine &l);
  void onWelcomeEnd(const IrcLine &l);
  void onNickInUse(const IrcLine &l);
  void onNickCollision();
  void onJoinRefused(const IrcLine &l);
  void onNumeric(int number, const IrcLine &l);
  void output(int number, const QString &text);
  void report(const QString &kind, const QString &text) { sink_.sysMsg(kind, text); }
  void endConnection(const QStringList &errorLines);

  void joinNextChannel();
  int privateSlotFor(const QString &nick);
  void setTopic(int slot, const QString &topic);
  void appendNames(int slot, const QString &names);

  IrcHandlerSink &sink_;
  Options options_;
  ReceivedLineHook receivedHook_;
  DccOfferLimiter dccLimiter_;
  bool dccReportPending_ = false;

  QString nick_;
  QList<IrcSlot> slots_;
  int slotCount_ = 0;
  int current_ = -1;
  QList<int> tabs_;     // slot of each tab, in tab order
  bool shown_ = false;  // the host shows the pane (EvAddMyTab raised, no EvHideMe since)
  bool slotsCapped_ = false;
  QStringList autoJoin_;
  int autoJoinPos_ = -1;
  QString lastAutoJoined_;
  qint64 lastPongMs_ = -1;
  bool stopped_ = false;
};

}  // namespace tv::irc
