// The hand-off between TvDcc and the main program over a private session bus: what an
// endpoint accepts, the order in which txtDDE/timDDE pass offers on, and TvDcc's call.

#include "common/TestSupport.h"
#include "dcc/DdeCallerCheck.h"
#include "dcc/DdeClient.h"
#include "dcc/DdeEndpoint.h"
#include "dcc/OfferLine.h"
#include "dcc/PaneDccLink.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QElapsedTimer>

#include <optional>

namespace tv::dcc {
namespace {

using test::waitFor;

const QString kVoice = QStringLiteral("PRIVMSG bob DCC SEND a.txt 2130706433 5000 12");
const QString kIrc = QStringLiteral("PRIVMSG bob :\1DCC SEND a.txt 2130706433 5000 12\1");

// The main program's side: a connection that owns the program's bus name.
struct MainProgram {
  QDBusConnection bus = QDBusConnection::sessionBus();
  MainProgram() { bus.interface()->registerService(QString::fromLatin1(kDdeService)); }
  ~MainProgram() { bus.interface()->unregisterService(QString::fromLatin1(kDdeService)); }
};

// TvDcc's side: a connection of its own.
QDBusConnection otherConnection() {
  return QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("tvdcc"));
}

// A call from TvDcc's connection, answered while the event loop runs (the endpoint
// lives in this thread too).
QDBusMessage callFromTvDcc(QDBusMessage call) {
  QDBusPendingCall pending = otherConnection().asyncCall(call, 5000);
  waitFor([&] { return pending.isFinished(); }, std::chrono::seconds(8));
  return pending.reply();
}

// SetText as TvDcc calls it; the error name, or "" on success.
QString callSetText(quint32 handle, const QString &text) {
  QDBusMessage call =
      QDBusMessage::createMethodCall(QString::fromLatin1(kDdeService), DdePath(handle),
                                     QString::fromLatin1(kDdeInterface), QStringLiteral("SetText"));
  call << text;
  const QDBusMessage reply = callFromTvDcc(call);
  return reply.type() == QDBusMessage::ErrorMessage ? reply.errorName() : QString();
}

QString ownerOf(quint32 handle) {
  QDBusMessage call = QDBusMessage::createMethodCall(
      QString::fromLatin1(kDdeService), DdePath(handle),
      QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
  call << QString::fromLatin1(kDdeInterface) << QStringLiteral("Owner");
  const QDBusMessage reply = callFromTvDcc(call);
  return reply.arguments().value(0).value<QDBusVariant>().variant().toString();
}

std::optional<bool> sendOffer(quint32 handle, const QString &text) {
  std::optional<bool> outcome;
  QObject context;
  SendOfferLine(otherConnection(), handle, text, &context, [&](bool ok) { outcome = ok; });
  waitFor([&] { return outcome.has_value(); }, std::chrono::seconds(8));
  return outcome;
}

TEST(DdeLink, TheMainWindowEndpointTakesOnlyVoiceOfferLines) {
  MainProgram main;
  QStringList processed;
  DdeHandOff handOff([&](const QString &text) { processed << text; });
  DdeEndpoint endpoint(main.bus, 1, QStringLiteral("VOICE"), &IsVoiceOfferLine,
                       [&](const QString &text) { return handOff.setText(text); });
  ASSERT_TRUE(endpoint.isRegistered());
  EXPECT_EQ(ownerOf(1), QStringLiteral("VOICE"));

  const QString invalid = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");
  const QPair<QString, QString> cases[] = {
      {kVoice, QString()},
      {QString(), QString()},
      {kIrc, invalid},
      {kVoice + QStringLiteral("\nPRIVMSG x DCC SEND b 1 2 3"), invalid},
      {QStringLiteral("PRIVMSG bob DCC SEND ../../x 2130706433 5000 12"), invalid},
      {QStringLiteral("hello"), invalid},
  };
  for (const auto &[text, error] : cases)
    EXPECT_EQ(callSetText(1, text), error) << text.toStdString();
  EXPECT_TRUE(processed.isEmpty());
  EXPECT_EQ(handOff.pending(), QStringList{kVoice});
}

TEST(DdeLink, OffersWithinTheDelayAreAllProcessedInOrder) {
  MainProgram main;
  QStringList sent;
  QElapsedTimer since;
  qint64 firstAfterMs = -1;
  PaneDccLink pane(main.bus, 2, QStringLiteral("IRC1"), [&](const QString &line) {
    if (firstAfterMs < 0) firstAfterMs = since.elapsed();
    sent << line;
  });
  ASSERT_TRUE(pane.endpoint().isRegistered());
  EXPECT_EQ(pane.handle(), 2u);
  const QString second = QString(kIrc).replace(QStringLiteral("a.txt"), QStringLiteral("b.txt"));
  since.start();
  EXPECT_EQ(callSetText(2, kIrc), QString());
  EXPECT_EQ(callSetText(2, second), QString());
  EXPECT_EQ(callSetText(2, kVoice), QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"));
  ASSERT_TRUE(waitFor([&] { return sent.size() == 2; }));
  EXPECT_EQ(sent, QStringList({kIrc, second}));
  EXPECT_GE(firstAfterMs, DdeHandOff::kDelayMs - 50);

  // No room: a flood of offers is refused, not silently dropped.
  for (int i = 0; i < DdeHandOff::kMaxPending; ++i) EXPECT_TRUE(pane.handOff().setText(kIrc));
  EXPECT_EQ(callSetText(2, kIrc), QStringLiteral("org.freedesktop.DBus.Error.LimitsExceeded"));
}

TEST(DdeLink, TvDccLearnsWhetherTheOfferArrived) {
  MainProgram main;
  int delivered = 0;
  DdeEndpoint open(main.bus, 1, QStringLiteral("VOICE"), &IsVoiceOfferLine, [&](const QString &) {
    ++delivered;
    return true;
  });
  EXPECT_EQ(sendOffer(1, kVoice), std::optional<bool>(true));
  EXPECT_EQ(sendOffer(1, kIrc), std::optional<bool>(false));
  EXPECT_EQ(sendOffer(7, kVoice), std::optional<bool>(false));  // no such window
  EXPECT_EQ(delivered, 1);

  // Only the program file the caller check names may hand offers over.
  DdeEndpoint strict(
      main.bus, 3, QStringLiteral("IRC2"), &IsIrcOfferLine, [&](const QString &) { return true; },
      ProgramCallerCheck(main.bus, QStringLiteral("/bin/true")));
  EXPECT_EQ(callSetText(3, kIrc), QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"));
  DdeEndpoint self(
      main.bus, 4, QStringLiteral("IRC3"), &IsIrcOfferLine, [&](const QString &) { return true; },
      ProgramCallerCheck(main.bus, QCoreApplication::applicationFilePath()));
  EXPECT_EQ(callSetText(4, kIrc), QString());
}

}  // namespace
}  // namespace tv::dcc
