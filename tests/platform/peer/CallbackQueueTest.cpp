// Callbacks reach the UI thread one per event-loop turn, in the order raised; one the
// UI thread's own timer raises goes at once only when nothing waits, never ahead of
// what does.
#include "platform/peer/CallbackQueue.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QString>

namespace tv::peer {
namespace {

TEST(CallbackQueue, TimerCallbacksNeverOvertakeQueuedOnes) {
  struct Case {
    const char *name;
    QString pushedFirst;  // queued before the timer's callback ("" for none)
    QString atOnce;       // what has run when deliverOrPush returns
    QString atTheEnd;
  } cases[] = {
      {"nothing waits", QString(), QStringLiteral("T"), QStringLiteral("T")},
      {"one waits", QStringLiteral("a"), QString(), QStringLiteral("aT")},
      {"two wait", QStringLiteral("ab"), QString(), QStringLiteral("abT")},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    CallbackQueue queue;
    QString ran;
    for (const QChar name : c.pushedFirst) queue.push([&ran, name] { ran += name; });
    queue.deliverOrPush([&ran] { ran += u'T'; });
    EXPECT_EQ(ran, c.atOnce);
    for (int turn = 0; turn < 10 && !queue.isEmpty(); ++turn) QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(ran, c.atTheEnd);
  }
}

}  // namespace
}  // namespace tv::peer
