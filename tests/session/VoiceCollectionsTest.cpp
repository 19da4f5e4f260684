#include "session/VoiceCollections.h"

#include "platform/peer/FakeNetwork.h"
#include "session/SessionTestSupport.h"

#include <gtest/gtest.h>

namespace tv::session::test {
namespace {

using peer::ServiceProviderInfo;

TEST(VoiceCollections, DeviceNamesMarkSerialLinks) {
  struct Case {
    QString name;
    QString shown;
  } cases[] = {
      {QStringLiteral("TCP/IP"), QStringLiteral("TCP/IP")},
      {QStringLiteral("Serial"), QStringLiteral("(動きません) Serial")},
      {QStringLiteral("DirectPlay8 Serial Service Provider"),
       QStringLiteral("(動きません) DirectPlay8 Serial Service Provider")},
      {QStringLiteral("serial link"), QStringLiteral("serial link")},  // "Serial" is exact case
      {QStringLiteral("シリアル接続"), QStringLiteral("(動きません) シリアル接続")},
      {QStringLiteral("モデム"), QStringLiteral("モデム")},
      {QString(), QString()},
  };
  for (const Case &c : cases) EXPECT_EQ(DeviceDisplayName(c.name), c.shown) << c.name.toStdString();
}

TEST(VoiceCollections, DefaultPositions) {
  struct Case {
    QStringList list;
    int device;
    int codec;
  } cases[] = {
      {{}, 0, 0},
      {{QStringLiteral("IPX"), QStringLiteral("Modem")}, 0, 0},
      {{QStringLiteral("TCP/IP"), QStringLiteral("IPX"), QStringLiteral("TCP/IP 2")}, 2, 0},
      {{QStringLiteral("tcp/ip"), QStringLiteral("IPX")}, 0, 0},  // "TCP" is exact case
      {{QStringLiteral("Opus SC01"), QStringLiteral("Opus SC03"), QStringLiteral("Opus SC08")},
       0,
       1},
      {{QStringLiteral("sc03 a"), QStringLiteral("x"), QStringLiteral("SC03 b")}, 0, 2},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(DefaultDevicePosition(c.list), c.device) << c.list.join(u',').toStdString();
    EXPECT_EQ(DefaultCodecPosition(c.list), c.codec) << c.list.join(u',').toStdString();
  }
}

TEST(VoiceCollections, StoredPositionFallsBackToTheDefault) {
  struct Case {
    qint64 stored;
    int count;
    int expected;
  } cases[] = {
      {-1, 8, 2}, {0, 8, 0}, {7, 8, 7}, {8, 8, 2}, {1000, 8, 2}, {-2, 8, 2}, {0, 0, 2},
  };
  for (const Case &c : cases)
    EXPECT_EQ(ResolveStoredPosition(c.stored, c.count, 2), c.expected) << c.stored;
}

struct Collections {
  explicit Collections(const QList<ServiceProviderInfo> &providers) : net(config(providers)) {}
  static peer::PeerConfig config(const QList<ServiceProviderInfo> &providers) {
    peer::PeerConfig c;
    c.providers = providers;
    return c;
  }
  peer::FakeNetwork net;
  InstantPacer pacer;
  QStringList log;
  VoiceCollections lists{
      net, pacer, [this](const QString &kind, const QString &text) { log << kind + u'|' + text; }};
};

TEST(VoiceCollections, BuildsTheDeviceListOnceAndLogsIt) {
  Collections c({{QStringLiteral("IPX"), {}},
                 {QStringLiteral("Serial"), {}},
                 {QStringLiteral("TCP/IP"), {}},
                 {QStringLiteral("シリアル"), {}}});
  const QStringList expected = {QStringLiteral("IPX"), QStringLiteral("(動きません) Serial"),
                                QStringLiteral("TCP/IP"), QStringLiteral("(動きません) シリアル")};
  EXPECT_EQ(c.lists.Devices(), expected);
  EXPECT_EQ(c.log, QStringList({QStringLiteral("TV|通信機器検索開始"),
                                QStringLiteral("TV|通信機器検索完了")}));
  EXPECT_EQ(c.lists.Devices(), expected);
  EXPECT_EQ(c.log.size(), 2);  // kept, not searched again
  EXPECT_EQ(DefaultDevicePosition(c.lists.Devices()), 2);
  flushDeletes();
}

TEST(VoiceCollections, BuildsTheCodecListFromTheVoiceServer) {
  Collections c({});
  const QStringList &codecs = c.lists.Codecs();
  ASSERT_EQ(codecs.size(), 8);
  EXPECT_EQ(c.log, QStringList({QStringLiteral("TV|音声レート検索開始"),
                                QStringLiteral("TV|音声レート検索完了")}));
  // Exactly one codec is the recommended one.
  EXPECT_EQ(codecs.filter(QStringLiteral("sc03"), Qt::CaseInsensitive).size(), 1);
  EXPECT_EQ(DefaultCodecPosition(codecs), 2);
  peer::CompressionInfo info;
  ASSERT_EQ(peer::compressionType(3, info), peer::kOk);
  EXPECT_EQ(info.maxBitsPerSecond, 12000u);
  EXPECT_EQ(codecs[2], info.name);
  // No providers: an empty list, searched again next time.
  EXPECT_TRUE(c.lists.Devices().isEmpty());
  EXPECT_TRUE(c.lists.Devices().isEmpty());
  EXPECT_EQ(c.log.count(QStringLiteral("TV|通信機器検索開始")), 2);
  flushDeletes();
}

}  // namespace
}  // namespace tv::session::test
