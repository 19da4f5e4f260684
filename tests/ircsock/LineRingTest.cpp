#include "ircsock/LineRing.h"

#include <gtest/gtest.h>

using tv::ircsock::LineRing;

namespace {

TEST(LineRing, HandsOutInOrderAcrossTheWrap) {
  LineRing ring;
  EXPECT_EQ(ring.pop(), "");
  int next = 0;
  // Several laps with the ring half full: indices wrap past slot 1023.
  for (int i = 0; i < 5000; ++i) {
    EXPECT_FALSE(ring.push(QString::number(i)));
    if (i >= 500) {
      ASSERT_EQ(ring.pop(), QString::number(next++));
    }
  }
  EXPECT_EQ(ring.count(), 500);
}

TEST(LineRing, FullRingGivesUpItsOldestLine) {
  LineRing ring;
  for (int i = 0; i < LineRing::kCapacity; ++i) EXPECT_FALSE(ring.push(QString::number(i)));
  EXPECT_TRUE(ring.isFull());
  EXPECT_TRUE(ring.push(QStringLiteral("new")));
  EXPECT_EQ(ring.count(), LineRing::kCapacity);
  EXPECT_EQ(ring.pop(), "1");
  QString last;
  while (!ring.isEmpty()) last = ring.pop();
  EXPECT_EQ(last, "new");
}

TEST(LineRing, RestartWithLeavesOnlyThatLine) {
  LineRing ring;
  for (int i = 0; i < 10; ++i) ring.push(QString::number(i));
  ring.restartWith(QStringLiteral("QUIT"));
  EXPECT_EQ(ring.count(), 1);
  EXPECT_EQ(ring.pop(), "QUIT");
  EXPECT_TRUE(ring.isEmpty());
  ring.push(QStringLiteral("x"));
  ring.clear();
  EXPECT_TRUE(ring.isEmpty());
}

}  // namespace
