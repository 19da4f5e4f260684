#pragma once
// An IrcHandlerSink that writes every call down as one short line of text, so tests
// compare what the handling did with a table of expected lines.

#include "irc/IrcHandler.h"

#include <QStringList>

#include <ostream>

inline void PrintTo(const QString &text, std::ostream *out) { *out << text.toStdString(); }

namespace tv::test {

class RecordingSink : public irc::IrcHandlerSink {
 public:
  void slotOpened(int slot) override { log(QStringLiteral("open %1").arg(slot)); }
  void slotClosing(int slot, const QString &name) override {
    log(QStringLiteral("close %1 %2").arg(slot).arg(name));
  }
  void slotsTrimmed(int size) override { log(QStringLiteral("trim %1").arg(size)); }
  void tabInserted(int position, int slot, const QString &caption) override {
    log(QStringLiteral("tab+ %1 %2 %3").arg(position).arg(slot).arg(caption));
  }
  void tabRemoved(int position) override { log(QStringLiteral("tab- %1").arg(position)); }
  void currentChanged(int position, int slot) override {
    log(QStringLiteral("cur %1 %2").arg(position).arg(slot));
  }
  void lineWritten(int slot, const QString &header, const QString &text) override {
    log(QStringLiteral("line %1 %2%3").arg(slot).arg(header, text));
  }
  void usersReset(int slot) override { log(QStringLiteral("users %1").arg(slot)); }
  void usersAppended(int slot, int first, int count) override {
    log(QStringLiteral("user+ %1 %2 %3").arg(slot).arg(first).arg(count));
  }
  void userRemoved(int slot, int row) override {
    log(QStringLiteral("user- %1 %2").arg(slot).arg(row));
  }
  void userChanged(int slot, int row) override {
    log(QStringLiteral("user~ %1 %2").arg(slot).arg(row));
  }
  void topicChanged(int slot) override { log(QStringLiteral("topic %1").arg(slot)); }
  void nicknameChanged(const QString &nickname) override {
    log(QStringLiteral("nick ") + nickname);
  }
  bool sendLine(const QString &line) override {
    sent.append(line);
    log(QStringLiteral("send ") + line);
    return sendWorks;
  }
  void closeConnection() override { log(QStringLiteral("disconnect")); }
  QString startReceiver(const QString &sender, const QString &offer) override {
    log(QStringLiteral("dcc ") + sender + u' ' + offer);
    return startAnswer;
  }
  void wakeForDccReport(int ms) override { log(QStringLiteral("wake %1").arg(ms)); }
  void sysMsg(const QString &kind, const QString &text) override {
    log(QStringLiteral("sys ") + kind + u' ' + text);
  }
  void paneEvent(irc::PaneEvent event) override {
    static const char *names[] = {"HideMe", "AddMyTab", "RemoveMe", "RefreshMe"};
    log(QStringLiteral("event ") + QLatin1String(names[int(event)]));
  }

  // Only the calls whose text starts with one of the prefixes.
  QStringList only(const QStringList &prefixes) const {
    QStringList out;
    for (const QString &e : events)
      for (const QString &p : prefixes)
        if (e.startsWith(p)) {
          out.append(e);
          break;
        }
    return out;
  }

  QStringList events;
  QStringList sent;
  bool sendWorks = true;
  QString startAnswer;  // what startReceiver answers ("" = started)
  bool keep = true;     // false: calls are not written down (floods)

 private:
  void log(const QString &e) {
    if (keep) events.append(e);
  }
};

}  // namespace tv::test
