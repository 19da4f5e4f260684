// Voice frames over real ENet in one process, at the transport: only frames from links
// the routing table names as voice members reach playback (with that member's ID), none
// from a member without voice or one gone from the table; a frame that does not read
// still counts against its member; and voice is not held back by a large message on
// the same link.
#include "PeerTestSupport.h"
#include "common/TestSupport.h"
#include "platform/peer/EnetTransport.h"

#include <gtest/gtest.h>

#include <QTest>

namespace tv::peer::test {
namespace {

struct Side {
  EnetTransport transport{PeerConfig{}};
  std::shared_ptr<audio::VoicePath> path = std::make_shared<audio::VoicePath>();
  LinkId link = 0;
  QList<QByteArray> frames;  // what reached the session
  explicit Side() {
    QObject::connect(&transport, &Transport::linkUp, &transport,
                     [this](LinkId id, const Endpoint &) { link = id; });
    QObject::connect(&transport, &Transport::frameReceived, &transport,
                     [this](LinkId, quint8, const QByteArray &f) { frames.append(f); });
  }
  void routes(std::vector<VoiceRoutes::Member> members, std::vector<LinkId> targets) {
    auto r = std::make_shared<VoiceRoutes>();
    r->members = std::move(members);
    r->targets = std::move(targets);
    transport.setVoiceRoutes(r);
  }
  void speak(quint16 sequence) {
    path->outgoing.pushWith([&](audio::VoicePacket &p) {
      p.flags = audio::kSpurtStart;
      p.sequence = sequence;
      p.timestamp = 960u * sequence;
      p.size = 3;
      p.data[0] = 0xF8, p.data[1] = 0xFF, p.data[2] = 0xFE;
    });
    path->signalOutgoing();
  }
  // Sequence numbers that reached playback within the wait, and their senders.
  QList<std::pair<quint32, quint16>> heard(int waitMs = 300) {
    QTest::qWait(waitMs);
    QList<std::pair<quint32, quint16>> got;
    audio::VoicePacket p;
    while (path->incoming.pop(p)) got.append({p.sender, p.size ? p.sequence : quint16(0xFFFF)});
    return got;
  }
};

TEST(VoiceRoutes, OnlyVoiceMembersAreHeardAndVoiceOvertakesALargeMessage) {
  Side a, b;
  ASSERT_EQ(a.transport.open(0), kOk);
  ASSERT_EQ(b.transport.open(0), kOk);
  a.transport.connectTo({0x7F000001, b.transport.localEndpoint().port});
  ASSERT_TRUE(tv::test::waitFor([&] { return a.link && b.link; }));
  b.transport.trust(b.link);
  a.transport.attachVoice(a.path);
  b.transport.attachVoice(b.path);
  a.routes({}, {a.link});

  using Heard = QList<std::pair<quint32, quint16>>;
  struct Case {
    const char *what;
    std::vector<VoiceRoutes::Member> members;  // b's table
    Heard heard;
  } cases[] = {
      {"a member without voice", {}, {}},
      {"a voice member", {{b.link, 7}}, {{7, 3}}},
      {"a member gone from voice", {{b.link + 100, 7}}, {}},
  };
  quint16 sequence = 1;
  for (const Case &c : cases) {
    b.routes(c.members, {});
    QTest::qWait(20);
    a.speak(++sequence);
    EXPECT_EQ(b.heard(), c.heard) << c.what;
  }

  // A frame that does not read is counted against the member who sent it.
  b.routes({{b.link, 7}}, {});
  QByteArray wrongVersion(1, char(wire::Kind::VoiceFrame));
  wrongVersion += QByteArray("\x20\x01\x00\x01\x00\x00\x00opus", 11);
  a.transport.send(a.link, wire::kUnreliableChannel, wrongVersion);
  EXPECT_EQ(b.heard(), (Heard{{7, 0xFFFF}}));
  EXPECT_TRUE(b.frames.isEmpty()) << "voice frames never reach the session";

  // Voice spoken after a 16 MiB message starts on the same link arrives first.
  a.transport.send(a.link, wire::kReliableChannel, QByteArray(kMaxMessageBytes, 'p'));
  QTest::qWait(20);
  a.speak(40);
  EXPECT_EQ(b.heard(100), (Heard{{7, 40}}));
  EXPECT_TRUE(b.frames.isEmpty());
  EXPECT_TRUE(tv::test::waitFor([&] { return !b.frames.isEmpty(); }, std::chrono::seconds(60)));
}

}  // namespace
}  // namespace tv::peer::test
