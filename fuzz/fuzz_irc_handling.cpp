// Server bytes through the ISO-2022-JP decoder into a registered IRC handler that has a
// channel and a private conversation open. Whatever arrives, the handler may send only
// PONG, the welcome's MODE +i and the automatic JOINs, every line without CR, LF or
// NUL and within the IRC limit; it may start the file receiver only for a CTCP DCC
// SEND and only within the offer limits; its slots, lists and tabs stay consistent and
// within their limits; voice-host announcements mark entries with valid addresses only.
#include "app/ModChk.h"
#include "irc/IrcHandler.h"
#include "irc/OutgoingText.h"
#include "irc/VoiceRecruit.h"
#include "ircsock/Iso2022JpDecoder.h"

#include <cstdlib>

namespace {

using tv::irc::IrcHandler;

const QStringList kAutoJoin = {QStringLiteral("#auto1"), QStringLiteral("#auto2")};

class CheckingSink : public tv::irc::IrcHandlerSink {
 public:
  void slotOpened(int) override {}
  void slotClosing(int, const QString &) override {}
  void slotsTrimmed(int) override {}
  void tabInserted(int, int, const QString &) override {}
  void tabRemoved(int) override {}
  void currentChanged(int, int) override {}
  void lineWritten(int, const QString &, const QString &) override {}
  void usersReset(int) override {}
  void usersAppended(int, int, int) override {}
  void userRemoved(int, int) override {}
  void userChanged(int, int) override {}
  void topicChanged(int) override {}
  void nicknameChanged(const QString &) override {}
  bool sendLine(const QString &line) override {
    const bool allowed =
        line.startsWith(QStringLiteral("PONG ")) ||
        line == QStringLiteral("MODE ") + handler->nickname() + QStringLiteral(" +i") ||
        (line.startsWith(QStringLiteral("JOIN :")) && kAutoJoin.contains(line.mid(6)));
    if (!allowed || line.contains(u'\r') || line.contains(u'\n') || line.contains(QChar(0)) ||
        tv::irc::encodedLength(line) > tv::irc::kMaxIrcLineBytes)
      std::abort();
    return true;
  }
  void closeConnection() override {}
  QString startReceiver(const QString &sender, const QString &offer) override {
    const QString upper = current.toUpper();
    if (!upper.contains(QStringLiteral(" PRIVMSG ")) ||
        !upper.contains(QStringLiteral("\x01"
                                       "DCC SEND")) ||
        sender.isEmpty() || offer.split(u' ').size() != 4 || ++starts > 10)
      std::abort();
    return QString();
  }
  void wakeForDccReport(int) override {}
  void sysMsg(const QString &, const QString &) override {}
  void paneEvent(tv::irc::PaneEvent) override {}

  IrcHandler *handler = nullptr;
  QString current;  // the line being handled
  int starts = 0;
};

void checkModel(const IrcHandler &h) {
  if (h.slotCount() > IrcHandler::kMaxSlots || h.recordCount() > IrcHandler::kMaxSlots)
    std::abort();
  int open = 0;
  for (int i = 0; i < h.recordCount(); ++i) {
    const tv::irc::IrcSlot &s = h.slot(i);
    if (s.users.size() > IrcHandler::kMaxUsers) std::abort();
    for (const tv::irc::IrcUser &u : s.users)
      if (!u.address.isEmpty() && !tv::app::IsValidAddress(u.address)) std::abort();
    if (!s.name.isEmpty()) ++open;
    if (s.hasTab != h.tabs().contains(i) || (s.hasTab && s.name.isEmpty())) std::abort();
  }
  if (open != h.slotCount()) std::abort();
  if (h.currentSlot() >= 0 && !h.tabs().contains(h.currentSlot())) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  CheckingSink sink;
  IrcHandler handler(sink, {QStringLiteral("Fuzz"), [] { return qint64(0); }});
  sink.handler = &handler;
  handler.setReceivedLineHook([&handler](int slot, const QString &speaker, const QString &text) {
    tv::irc::MarkAnnouncer(handler, slot, speaker, text);
  });
  handler.reset();
  handler.beginConnect(QStringLiteral("me"), QStringLiteral("irc.test"), QStringLiteral("6667"),
                       kAutoJoin);
  for (const char *line : {":me!u@h JOIN :#c", ":s 353 me = #c :@me +bob carol", ":s 366 me #c :x",
                           ":bob!u@h PRIVMSG me :hi"})
    handler.handleLine(QString::fromLatin1(line));
  sink.starts = 0;

  tv::ircsock::Iso2022JpDecoder decoder;
  decoder.feed(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)),
               [&](QString &&line, qsizetype) {
                 sink.current = line;
                 handler.handleLine(line);
                 checkModel(handler);
                 return true;
               });
  handler.closeAll();
  if (handler.slotCount() != 0 || !handler.tabs().isEmpty()) std::abort();
  return 0;
}
