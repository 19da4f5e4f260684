// IrcHandler: the data model, slots and tabs, the log writer and sending. The dispatch
// of server lines is in IrcDispatch.cpp.
#include "irc/IrcHandler.h"

#include "app/ModChk.h"
#include "irc/IrcLine.h"
#include "irc/OutgoingText.h"

namespace tv::irc {
namespace {

QString ownHeader(const QString &nick) { return u'>' + nick + QStringLiteral("< "); }
QString otherHeader(const QString &speaker) { return u'<' + speaker + QStringLiteral("> "); }

}  // namespace

IrcHandler::IrcHandler(IrcHandlerSink &sink, Options options)
    : sink_(sink), options_(std::move(options)) {}

void IrcHandler::reset() {
  while (!tabs_.isEmpty()) {
    tabs_.removeLast();
    sink_.tabRemoved(int(tabs_.size()));
  }
  slots_.clear();
  sink_.slotsTrimmed(0);
  slotCount_ = 0;
  current_ = -1;
  sink_.currentChanged(-1, -1);
  shown_ = false;
  slotsCapped_ = false;
  autoJoin_.clear();
  autoJoinPos_ = -1;
  lastAutoJoined_.clear();
  lastPongMs_ = -1;
  dccLimiter_ = DccOfferLimiter();
  dccReportPending_ = false;
  stopped_ = false;
}

void IrcHandler::beginConnect(const QString &nick, const QString &address, const QString &port,
                              const QStringList &autoJoin) {
  nick_ = nick;
  sink_.nicknameChanged(nick_);
  report(QStringLiteral("接続"), address + u':' + port + QStringLiteral("に対して接続要求中"));
  autoJoin_ = autoJoin;
  autoJoinPos_ = 0;
}

void IrcHandler::connected() {
  if (stopped_) return;
  const QString kind = QStringLiteral("接続");
  report(kind, QStringLiteral("接続完了しました。"));
  if (!send(QStringLiteral("NICK ") + nick_)) return;
  if (!send(QStringLiteral("USER ") + nick_ + QStringLiteral(" 8 * :") + options_.fullName)) return;
  report(kind, QStringLiteral("以下の接続処理中です。"));
  report(kind, QStringLiteral("　・サーバへのNICKコマンド送信"));
  report(kind, QStringLiteral("　・サーバへのUSERコマンド送信"));
}

bool IrcHandler::send(const QString &line) {
  if (stopped_) return false;
  if (!sink_.sendLine(fitLine(cleanOutgoing(line)))) {
    stopped_ = true;
    return false;
  }
  return true;
}

void IrcHandler::joinNextChannel() {
  if (autoJoinPos_ < 0 || autoJoinPos_ >= autoJoin_.size()) return;
  lastAutoJoined_ = autoJoin_[autoJoinPos_++];
  send(QStringLiteral("JOIN :") + lastAutoJoined_);
}

// Slots.

int IrcHandler::findSlot(const QString &name) const {
  for (int i = 0; i < slots_.size(); ++i)
    if (!slots_[i].name.isEmpty() && slots_[i].name == name) return i;
  return -1;
}

int IrcHandler::findUser(int slot, QStringView nick) const {
  const QList<IrcUser> &users = slots_[slot].users;
  const QStringView bare = withoutMark(nick);
  for (int i = 0; i < users.size(); ++i)
    if (withoutMark(users[i].entry) == bare) return i;
  return -1;
}

int IrcHandler::openSlot(const QString &name) {
  int index = -1;
  for (int i = 0; i < slots_.size() && index < 0; ++i)
    if (slots_[i].name.isEmpty()) index = i;
  if (index < 0) {
    if (slots_.size() >= kMaxSlots) {
      if (!slotsCapped_) {
        slotsCapped_ = true;
        report(QStringLiteral("ERR"),
               QStringLiteral(
                   "開いているチャンネルと密談が%1個に達したため、「%2」を開きませんでした。")
                   .arg(kMaxSlots)
                   .arg(name));
      }
      return -1;
    }
    index = int(slots_.size());
    slots_.append(IrcSlot());
  }
  IrcSlot &s = slots_[index];
  s = IrcSlot();
  s.name = name;
  s.isChannel = app::IsValidChannelName(name);
  ++slotCount_;
  sink_.slotOpened(index);
  writeLine(index, QStringLiteral("チャンネルを開きました。"));
  return index;
}

void IrcHandler::closeSlot(int slot) {
  if (slot < 0 || slot >= slots_.size() || slots_[slot].name.isEmpty()) return;
  if (slots_[slot].hasTab) removeTab(slot);
  sink_.slotClosing(slot, slots_[slot].name);
  slots_[slot] = IrcSlot();
  --slotCount_;
  if (current_ == slot) current_ = -1;
  const qsizetype before = slots_.size();
  while (!slots_.isEmpty() && slots_.last().name.isEmpty()) slots_.removeLast();
  if (slots_.size() != before) sink_.slotsTrimmed(int(slots_.size()));
}

void IrcHandler::closeAll() {
  for (int i = int(slots_.size()) - 1; i >= 0; --i)
    if (i < slots_.size() && !slots_[i].name.isEmpty()) closeSlot(i);
}

// Tabs.

void IrcHandler::addTab(int slot) {
  if (slot < 0 || slot >= slots_.size() || slots_[slot].hasTab) return;
  slots_[slot].hasTab = true;
  tabs_.append(slot);
  const int position = int(tabs_.size()) - 1;
  sink_.tabInserted(position, slot, slots_[slot].name);
  current_ = slot;
  sink_.currentChanged(position, slot);
  if (!shown_) {
    shown_ = true;
    sink_.paneEvent(PaneEvent::AddMyTab);
  }
  sink_.paneEvent(PaneEvent::RefreshMe);
}

void IrcHandler::removeTab(int slot) {
  const int position = int(tabs_.indexOf(slot));
  if (position < 0) return;
  slots_[slot].hasTab = false;
  tabs_.removeAt(position);
  sink_.tabRemoved(position);
  if (tabs_.isEmpty()) {
    current_ = -1;
    sink_.currentChanged(-1, -1);
    shown_ = false;
    sink_.paneEvent(PaneEvent::HideMe);
    return;
  }
  if (current_ == slot || current_ < 0) {
    const int next = std::max(0, position - 1);
    current_ = tabs_[next];
    sink_.currentChanged(next, current_);
    sink_.paneEvent(PaneEvent::RefreshMe);
  }
}

void IrcHandler::selectTab(int position) {
  if (position < 0 || position >= tabs_.size()) return;
  current_ = tabs_[position];
  sink_.currentChanged(position, current_);
  sink_.paneEvent(PaneEvent::RefreshMe);
}

// Lines and users.

void IrcHandler::writeLine(int slot, const QString &text, const QString &speaker, bool own) {
  if (slot < 0 || slot >= slots_.size() || slots_[slot].name.isEmpty()) return;
  const QString header =
      own ? ownHeader(nick_) : (speaker.isEmpty() ? QString() : otherHeader(speaker));
  sink_.lineWritten(slot, header, text);
  if (!own && receivedHook_) receivedHook_(slot, speaker, text);
}

bool IrcHandler::addUser(int slot, const QString &entry) {
  IrcSlot &s = slots_[slot];
  if (s.users.size() >= kMaxUsers) {
    if (!s.usersCapped) {
      s.usersCapped = true;
      report(QStringLiteral("ERR"),
             QStringLiteral("%1のユーザリストが%2人に達したため、以降の名前は表示しません。")
                 .arg(s.name)
                 .arg(kMaxUsers));
    }
    return false;
  }
  s.users.append({entry, QString()});
  sink_.usersAppended(slot, int(s.users.size()) - 1, 1);
  return true;
}

bool IrcHandler::removeUser(int slot, const QString &nick) {
  const int row = findUser(slot, nick);
  if (row < 0) return false;
  slots_[slot].users.removeAt(row);
  sink_.userRemoved(slot, row);
  return true;
}

void IrcHandler::setUserAddress(int slot, int row, const QString &address) {
  if (slot < 0 || slot >= slots_.size() || row < 0 || row >= slots_[slot].users.size()) return;
  slots_[slot].users[row].address = address;
  sink_.userChanged(slot, row);
}

void IrcHandler::setTopic(int slot, const QString &topic) {
  slots_[slot].topic = topic;
  sink_.topicChanged(slot);
}

void IrcHandler::appendNames(int slot, const QString &names) {
  IrcSlot &s = slots_[slot];
  if (s.namesFresh) {
    s.namesFresh = false;
    s.users.clear();
    s.usersCapped = false;
    sink_.usersReset(slot);
  }
  const int first = int(s.users.size());
  for (QStringView name : QStringView(names).split(u' ', Qt::SkipEmptyParts)) {
    if (s.users.size() >= kMaxUsers) {
      if (s.users.size() > first) sink_.usersAppended(slot, first, int(s.users.size()) - first);
      addUser(slot, name.toString());  // reports the limit once
      return;
    }
    s.users.append({name.toString(), QString()});
  }
  if (s.users.size() > first) sink_.usersAppended(slot, first, int(s.users.size()) - first);
}

// Sending chat text.

bool IrcHandler::sendToCurrent(const QString &text) {
  if (stopped_ || current_ < 0) return false;
  const QString clean = cleanOutgoing(text);
  const QString target = slots_[current_].name;
  writeLine(current_, clean, QString(), true);
  for (const QString &piece : splitForSending(clean))
    if (!send(QStringLiteral("PRIVMSG ") + target + QStringLiteral(" :") + piece)) return false;
  return true;
}

bool IrcHandler::sendPrivately(const QString &text, const QStringList &entries) {
  if (stopped_ || current_ < 0) return false;
  if (entries.isEmpty()) {
    writeLine(current_, QStringLiteral("密談送信エラー"));
    writeLine(current_, QStringLiteral("　　<エラーの説明　> ユーザが選択されていません。"));
    return false;
  }
  const QString clean = cleanOutgoing(text);
  for (const QString &entry : entries) {
    const QString nick = withoutMark(entry).toString();
    const int slot = privateSlotFor(nick);
    if (slot >= 0) writeLine(slot, clean, QString(), true);
    for (const QString &piece : splitForSending(clean))
      if (!send(QStringLiteral("PRIVMSG ") + nick + QStringLiteral(" :") + piece)) return false;
  }
  return true;
}

int IrcHandler::privateSlotFor(const QString &nick) {
  int slot = findSlot(nick);
  if (slot >= 0) return slot;
  slot = openSlot(nick);
  if (slot < 0) return -1;
  addUser(slot, nick_);
  addUser(slot, nick);
  addTab(slot);
  return slot;
}

void IrcHandler::DccLimitReport() {
  dccReportPending_ = false;
  const int refused = dccLimiter_.takeRefused();
  if (refused > 0)
    report(QStringLiteral("DCC"),
           QStringLiteral("ファイル送信の申し出が多すぎるため、%1件を受け付けませんでした。")
               .arg(refused));
}

}  // namespace tv::irc
