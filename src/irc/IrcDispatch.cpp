// IrcHandler: what each server line does.
#include "app/ModChk.h"
#include "dcc/OfferLine.h"
#include "irc/IrcHandler.h"
#include "irc/IrcLine.h"

namespace tv::irc {
namespace {

const QString kErr = QStringLiteral("ERR");

// The parenthesised reason of PART and QUIT lines; nothing for an empty reason.
QString reasonSuffix(const QString &reason) {
  return reason.isEmpty() ? QString() : u'(' + reason + u')';
}

// Replies that refuse a JOIN: the channel is the second parameter.
bool refusesJoin(int number) {
  switch (number) {
    case 403:
    case 405:
    case 471:
    case 473:
    case 474:
    case 475:
    case 476:
    case 477:
      return true;
    default:
      return false;
  }
}

constexpr qint64 kPongGapMs = 2000;  // TvIRC writes one line per 2 s

}  // namespace

void IrcHandler::handleLine(const QString &text) {
  if (stopped_) return;
  const IrcLine l = parseIrcLine(text);
  const QString &c = l.command;
  if (c.isEmpty()) return;  // a lone prefix or blanks: nothing to do
  if (c == u"PING") {
    // A server asks at most every few minutes; answering a flood once per pacing
    // interval keeps TvIRC's send queue from filling with PONGs.
    const qint64 now = options_.nowMs ? options_.nowMs() : 0;
    if (lastPongMs_ >= 0 && now - lastPongMs_ < kPongGapMs && now >= lastPongMs_) return;
    lastPongMs_ = now;
    send(QStringLiteral("PONG ") + QString(l.params).remove(u':'));
  } else if (c == u"PRIVMSG") {
    onPrivmsg(l);
  } else if (c == u"JOIN") {
    onJoin(l);
  } else if (c == u"PART") {
    onPart(l);
  } else if (c == u"QUIT") {
    onQuit(l);
  } else if (c == u"TOPIC") {
    onTopic(l);
  } else if (c == u"KICK") {
    onKick(l);
  } else if (c == u"NICK") {
    onNick(l);
  } else if (c == u"MODE") {
    onMode(l);
  } else if (app::IsAllDigits(c)) {
    onNumeric(c.toInt(), l);
  } else {
    report(c, u'<' + l.sender + u'>' + l.params);
  }
}

void IrcHandler::onNumeric(int number, const IrcLine &l) {
  const QString kind = l.command;
  switch (number) {
    case 251:
    case 255:
    case 372:
    case 375:
      report(kind, stripColon(dropToken(l.params)));
      return;
    case 253:
    case 254:
      report(kind, dropToken(l.params).remove(u':'));
      return;
    case 311: {
      const QString rest = dropToken(l.params);
      output(number, QStringLiteral("   [ニックネーム] ") + firstToken(rest));
      output(number, QStringLiteral("   [ユーザ名　　] ") + firstToken(dropToken(rest)));
      output(number, QStringLiteral("   [アドレス　　] ") + firstToken(dropToken(rest, 2)));
      output(number, QStringLiteral("   [本名　　　　] ") + stripColon(dropToken(rest, 4)));
      return;
    }
    case 312: {
      const QString rest = dropToken(l.params, 2);
      output(number, QStringLiteral("   [接続サーバ名] ") + firstToken(rest));
      output(number, QStringLiteral("   [サーバ情報　] ") + stripColon(dropToken(rest)));
      return;
    }
    case 317:
      output(number, QStringLiteral("   [アイドル時間] ") + firstToken(dropToken(l.params, 2)) +
                         QStringLiteral("秒"));
      return;
    case 318:
      output(number, firstToken(dropToken(l.params)) + QStringLiteral("さんの身元調査完了"));
      return;
    case 319:
      output(number, QStringLiteral("   [参加チャンネル ] ") + stripColon(dropToken(l.params, 2)));
      return;
    case 331: {
      const int slot = findSlot(firstToken(dropToken(l.params)));
      if (slot >= 0)
        writeLine(slot, QStringLiteral("このチャンネルにはトピックが設定されていません。"));
      return;
    }
    case 332: {
      const QString rest = dropToken(l.params);
      const int slot = findSlot(firstToken(rest));
      if (slot >= 0) setTopic(slot, stripColon(dropToken(rest)));
      return;
    }
    case 353:
      onNames(l);
      return;
    case 366:
      onNamesEnd(l);
      return;
    case 376:
    case 422:
      onWelcomeEnd(l);
      return;
    case 391:
      report(kind, stripColon(dropToken(l.params, 2)));
      return;
    case 433:
      onNickInUse(l);
      return;
    case 436:
      onNickCollision();
      return;
    case 482: {
      const QString own = firstToken(l.params);
      const int slot = findSlot(firstToken(dropToken(l.params)));
      if (slot >= 0)
        writeLine(slot, own + QStringLiteral("さんはチャンネル管理者ではありません。"));
      return;
    }
    default:
      report(kind, l.params);
      if (refusesJoin(number)) onJoinRefused(l);
      return;
  }
}

// WHOIS replies answer into the slot shown, or into the information log.
void IrcHandler::output(int number, const QString &text) {
  if (current_ >= 0)
    writeLine(current_, text);
  else
    report(QString::number(number), text);
}

void IrcHandler::onWelcomeEnd(const IrcLine &l) {
  report(l.command, stripColon(dropToken(l.params)));
  if (!send(QStringLiteral("MODE ") + nick_ + QStringLiteral(" +i"))) return;
  report(QStringLiteral("MODE"),
         QStringLiteral("セキュリティーアップのため、自分の身元を隠しました。(+iを送信)"));
  joinNextChannel();
}

// A channel of the automatic list that cannot be joined never sends its name list;
// without this the rest of the list would wait for ever.
void IrcHandler::onJoinRefused(const IrcLine &l) {
  if (!lastAutoJoined_.isEmpty() && firstToken(dropToken(l.params)) == lastAutoJoined_) {
    lastAutoJoined_.clear();
    joinNextChannel();
  }
}

void IrcHandler::onNames(const IrcLine &l) {
  const QString rest = dropToken(l.params, 2);
  const int slot = findSlot(firstToken(rest));
  if (slot >= 0) appendNames(slot, stripColon(dropToken(rest)));
}

void IrcHandler::onNamesEnd(const IrcLine &l) {
  const QString channel = firstToken(dropToken(l.params));
  const int slot = findSlot(channel);
  if (slot >= 0) {
    slots_[slot].namesFresh = true;
    if (!slots_[slot].hasTab) addTab(slot);
  }
  if (channel == lastAutoJoined_) lastAutoJoined_.clear();
  joinNextChannel();
}

void IrcHandler::endConnection(const QStringList &errorLines) {
  for (const QString &line : errorLines) report(kErr, line);
  report(kErr, QStringLiteral("TCP/IPを解放しました。"));
  stopped_ = true;
  sink_.closeConnection();
  sink_.paneEvent(PaneEvent::RemoveMe);
}

void IrcHandler::onNickInUse(const IrcLine &) {
  const QString inUse = QStringLiteral("NickNameは既に他のユーザが使用中でした。");
  if (slotCount_ > 0) {
    for (int i = 0; i < slots_.size(); ++i)
      if (!slots_[i].name.isEmpty()) writeLine(i, inUse);
    return;
  }
  endConnection({inUse, QStringLiteral("IRCのニックネームを変更して再度接続してください。")});
}

void IrcHandler::onNickCollision() {
  endConnection({QStringLiteral("「") + nick_ +
                     QStringLiteral("」というニックネームをIRCサーバが登録しようとしたところ、"),
                 QStringLiteral("IRCサーバ間でニックネームの衝突が発生しました。"),
                 QStringLiteral("IRCのニックネームを変更して再度接続してください。")});
}

void IrcHandler::onPrivmsg(const IrcLine &l) {
  const QString target = firstToken(l.params);
  const QString text = stripColon(dropToken(l.params));
  if (text.startsWith(QChar(1))) {
    onCtcp(l.sender, text);
    return;
  }
  if (app::IsValidChannelName(target)) {
    int slot = findSlot(target);
    if (slot < 0) {
      slot = openSlot(target);
      if (slot < 0) return;
      addUser(slot, nick_);
      if (!l.sender.isEmpty()) addUser(slot, l.sender);
      addTab(slot);
    }
    writeLine(slot, text, l.sender);
    return;
  }
  // To this user: a conversation in the slot named after the sender.
  if (l.sender.isEmpty()) {
    report(QStringLiteral("PRIVMSG"), u'<' + l.prefix + u'>' + text);
    return;
  }
  const int slot = privateSlotFor(l.sender);
  if (slot >= 0) writeLine(slot, text, l.sender);
}

void IrcHandler::onCtcp(const QString &sender, const QString &text) {
  // The closing 0x01 must be there: without it the last word may have been cut.
  if (text.size() < 2 || !text.endsWith(QChar(1)) || sender.isEmpty()) return;
  // A short or broken DCC SEND (fewer than four fields, an unterminated quote) is
  // dropped like any other CTCP request: it must not disturb the pane.
  const dcc::DccSendRequest request = dcc::ParseDccSendRequest(text.mid(1, text.size() - 2));
  if (request.kind != dcc::DccSendRequest::Kind::Offer) return;
  const qint64 now = options_.nowMs ? options_.nowMs() : 0;
  if (!dccLimiter_.admit(sender, now)) {
    if (!dccReportPending_) {
      dccReportPending_ = true;
      sink_.wakeForDccReport(int(DccOfferLimiter::kWindowMs));
    }
    return;
  }
  // No field holds a blank (a quoted name's are made "_"), so the four stay four.
  const QString why = sink_.startReceiver(sender, request.fields.join(u' '));
  if (!why.isEmpty()) report(QStringLiteral("DCC"), why);
}

void IrcHandler::onJoin(const IrcLine &l) {
  const QString channel = stripColon(firstToken(l.params));
  if (channel.isEmpty()) return;
  if (l.sender == nick_) {
    if (findSlot(channel) < 0) openSlot(channel);
    return;
  }
  const int slot = findSlot(channel);
  if (slot < 0 || l.sender.isEmpty()) return;
  addUser(slot, l.sender);
  writeLine(slot, l.sender + QStringLiteral("さんが来ました。"));
}

void IrcHandler::onPart(const IrcLine &l) {
  const QString channel = stripColon(firstToken(l.params));
  const QString reason = reasonSuffix(dropToken(l.params).remove(u':'));
  const int slot = findSlot(channel);
  if (slot < 0) return;
  if (removeUser(slot, l.sender))
    writeLine(slot, l.sender + QStringLiteral("さんがチャンネルから去りました。") + reason);
  if (l.sender == nick_) closeSlot(slot);
}

void IrcHandler::onQuit(const IrcLine &l) {
  if (l.sender.isEmpty()) return;
  const QString reason = reasonSuffix(stripColon(l.params));
  for (int i = 0; i < slots_.size(); ++i)
    if (!slots_[i].name.isEmpty() && removeUser(i, l.sender))
      writeLine(i, l.sender + QStringLiteral("さんがIRCから去りました。") + reason);
}

void IrcHandler::onTopic(const IrcLine &l) {
  const int slot = findSlot(firstToken(l.params));
  if (slot < 0) return;
  const QString topic = stripColon(dropToken(l.params));
  setTopic(slot, topic);
  writeLine(slot, QStringLiteral("<TOPIC更新>") + topic, l.sender);
}

void IrcHandler::onKick(const IrcLine &l) {
  const QString channel = firstToken(l.params);
  const QString victim = firstToken(dropToken(l.params));
  const QString reason = stripColon(dropToken(l.params, 2));
  const int slot = findSlot(channel);
  if (slot < 0 || victim.isEmpty()) return;
  const QStringList detail = {QStringLiteral("   <追放した人　> ") + l.sender,
                              QStringLiteral("   <追放された人> ") + victim,
                              QStringLiteral("   <追放理由　　> ") + reason};
  if (victim != nick_) {
    if (!removeUser(slot, victim)) return;
    writeLine(slot, QStringLiteral("追放が実行されました"));
    for (const QString &line : detail) writeLine(slot, line);
    if (slots_[slot].users.isEmpty()) closeSlot(slot);
    return;
  }
  const QString kind = QStringLiteral("KICK");
  report(kind, channel + QStringLiteral("から追放されました"));
  for (const QString &line : detail) report(kind, line);
  closeSlot(slot);
}

void IrcHandler::onNick(const IrcLine &l) {
  const QString old = l.sender;
  const QString renamed = stripColon(firstToken(l.params));
  if (old.isEmpty() || renamed.isEmpty()) return;
  const bool own = old == nick_;
  const QString line =
      old + QStringLiteral("さんがニックネームを") + renamed + QStringLiteral("に変更しました。");
  for (int i = 0; i < slots_.size(); ++i) {
    if (slots_[i].name.isEmpty()) continue;
    const int row = findUser(i, old);
    if (row >= 0) {
      // The entry keeps the status mark it had.
      QString &entry = slots_[i].users[row].entry;
      entry = (entry.size() > withoutMark(entry).size() ? entry.first(1) : QString()) + renamed;
      sink_.userChanged(i, row);
    }
    if (row >= 0 || own) writeLine(i, line);
  }
  if (own) {
    nick_ = renamed;
    sink_.nicknameChanged(nick_);
  }
}

void IrcHandler::onMode(const IrcLine &l) {
  const QString target = firstToken(l.params);
  const QString rest = dropToken(l.params);
  const int slot = findSlot(target);
  if (slot >= 0 && slots_[slot].isChannel) {
    onChannelMode(slot, l.sender, rest);
    return;
  }
  // The own user mode (the answer to the welcome's +i), or a private slot's.
  if ((slot >= 0 || target == nick_) &&
      firstToken(rest).remove(u':').startsWith(QStringLiteral("+i")))
    report(QStringLiteral("MODE"), target + QStringLiteral("さんのUser Mode +iは受理されました。"));
}

void IrcHandler::onChannelMode(int slot, const QString &sender, const QString &modes) {
  QStringList words = modes.split(u' ', Qt::SkipEmptyParts);
  for (QString &w : words) w = stripColon(w);
  if (words.isEmpty()) return;
  const QString letters = words.takeFirst();
  bool plus = true;
  for (QChar c : letters) {
    if (c == u'+' || c == u'-') {
      plus = c == u'+';
      continue;
    }
    const bool takesArgument =
        c == u'o' || QStringView(u"beIkvh").contains(c) || (c == u'l' && plus);
    if (!takesArgument) continue;
    if (words.isEmpty()) return;
    const QString argument = words.takeFirst();
    if (c != u'o') continue;
    const int row = findUser(slot, argument);
    if (row < 0) continue;
    QString &entry = slots_[slot].users[row].entry;
    if (plus)
      entry = u'@' + withoutMark(entry).toString();
    else if (entry.startsWith(u'@'))
      entry.remove(0, 1);
    sink_.userChanged(slot, row);
    writeLine(slot, sender + QStringLiteral("さんが") + argument +
                        (plus ? QStringLiteral("さんをチャンネル管理者に任命しました。")
                              : QStringLiteral("さんのチャンネル管理者権限を剥奪しました。")));
  }
}

}  // namespace tv::irc
