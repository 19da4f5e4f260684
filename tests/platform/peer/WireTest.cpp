// The bytes members exchange: every frame survives a round trip, and malformed,
// truncated or oversized input is refused. Also the address URLs and result codes.
#include "platform/peer/PeerAddress.h"
#include "platform/peer/PeerResult.h"
#include "platform/peer/PeerWire.h"

#include <gtest/gtest.h>

#include <QSet>

namespace tv::peer::wire {
namespace {

ApplicationDesc sampleDesc() {
  ApplicationDesc d;
  d.flags = kSessionMigrateHost;
  d.instanceGuid = QUuid(QStringLiteral("{11111111-2222-3333-4444-555555555555}"));
  d.applicationGuid = QUuid(QStringLiteral("{3F6A1C2E-8B47-4D19-A0E5-72C4B9D1E608}"));
  d.maxPlayers = 8;
  d.currentPlayers = 3;
  d.sessionName = QStringLiteral("Talvora3.0.3.ユーザ");
  return d;
}

Snapshot sampleSnapshot() {
  Snapshot s;
  s.desc = sampleDesc();
  s.hostId = 1;
  s.maxId = 7;
  s.members = {{1, 1, QStringLiteral("ほすと"), {0x7F000001, 2302}},
               {3, 2, QStringLiteral("b"), {0x0A000002, 40000}}};
  s.groups = {{5, 1, QStringLiteral("Team1"), {1, 3}}, {6, 1, QStringLiteral("Team2"), {}}};
  s.voiceActive = true;
  s.voiceDesc.compressionGuid = compressionTypes().first().guid;
  s.voiceMembers = {1, 3};
  return s;
}

// One of every frame kind.
QList<Frame> samples() {
  return {
      JoinRequest{kProtocolVersion,
                  sampleDesc().applicationGuid,
                  {},
                  QStringLiteral("pw"),
                  QStringLiteral("なまえ")},
      JoinRefused{DPNERR_SESSIONFULL},
      JoinAccepted{3, 0x0123456789ABCDEFull, {0x7F000001, 5000}, sampleSnapshot()},
      JoinComplete{{3, 2, QStringLiteral("b"), {0x7F000001, 5000}}},
      JoinLinkFailed{4},
      PeerExpected{4, 99},
      PeerExpectedCancel{4},
      LinkHello{sampleDesc().instanceGuid, 4, 99},
      LinkReady{4},
      PlayerAdded{{4, 3, QStringLiteral("c"), {0x7F000001, 5001}}},
      PlayerRemoved{4, kDestroyHostDestroyedPlayer},
      Leave{},
      Terminate{DPNERR_HOSTTERMINATEDSESSION},
      HostMigrated{3, 1},
      LinkLost{4},
      SetInfoRequest{QStringLiteral("新しい名前")},
      InfoChanged{3, QStringLiteral("新しい名前")},
      CreateGroupRequest{QStringLiteral("Team3")},
      GroupCreated{{7, 3, QStringLiteral("Team3"), {}}},
      GroupMemberRequest{7, 3, true},
      GroupMemberChanged{7, 3, false},
      AppDescChanged{sampleDesc()},
      VoiceSessionChanged{true, sampleSnapshot().voiceDesc},
      VoiceJoinRequest{},
      VoiceJoinRefused{DVERR_NOVOICESESSION},
      VoiceMemberAdded{3},
      VoiceLeaveRequest{},
      VoiceMemberRemoved{3},
      AppMessage{{QByteArray("\x00\x00\x00\x00hello", 9)}},
      AppDatagram{{"dg"}},
      VoiceFrame{quint8(kVoiceVersion << 4 | 0xF), 0xFFFF, 0xFFFFFF00, {"opus"}},
  };
}

bool isPayload(const Frame &f) {
  const Kind k = kindOf(f);
  return k == Kind::AppMessage || k == Kind::AppDatagram || k == Kind::VoiceFrame;
}

TEST(PeerWire, EveryFrameSurvivesARoundTripAndKindsAreDistinct) {
  QSet<quint8> kinds;
  for (const Frame &f : samples()) {
    const QByteArray bytes = encode(f);
    ASSERT_FALSE(bytes.isEmpty());
    EXPECT_EQ(quint8(bytes[0]), quint8(kindOf(f))) << kindName(kindOf(f));
    kinds.insert(quint8(kindOf(f)));
    const auto back = decode(bytes);
    ASSERT_TRUE(back.has_value()) << kindName(kindOf(f));
    EXPECT_EQ(back->index(), f.index());
    EXPECT_EQ(encode(*back), bytes) << kindName(kindOf(f));
  }
  EXPECT_EQ(kinds.size(), samples().size());
  const auto accepted = std::get<JoinAccepted>(*decode(encode(samples()[2])));
  EXPECT_EQ(accepted.snapshot, sampleSnapshot());
  EXPECT_EQ(accepted.token, 0x0123456789ABCDEFull);
}

TEST(PeerWire, TruncatedAndPaddedFramesAreRefused) {
  for (const Frame &f : samples()) {
    if (isPayload(f)) continue;  // a payload simply is the rest of the frame
    const QByteArray bytes = encode(f);
    for (qsizetype n = 0; n < bytes.size(); ++n)
      EXPECT_FALSE(decode(bytes.left(n))) << kindName(kindOf(f)) << " cut to " << n;
    EXPECT_FALSE(decode(bytes + '\0')) << kindName(kindOf(f)) << " with a trailing byte";
  }
}

// A voice frame's bytes with the given version and packet size.
QByteArray voiceFrame(int version, int packetBytes) {
  QByteArray b(1, char(Kind::VoiceFrame));
  b += char(version << 4);
  b += QByteArray(6, '\x01');
  return b + QByteArray(packetBytes, 'v');
}

TEST(PeerWire, OutOfRangeValuesAndLengthsAreRefused) {
  auto patched = [](const Frame &f, qsizetype at, QByteArray with) {
    QByteArray b = encode(f);
    b.replace(at, with.size(), with);
    return b;
  };
  const QByteArray huge = QByteArray("\xFF\xFF\xFF\x7F", 4);
  struct Case {
    const char *what;
    QByteArray bytes;
  } cases[] = {
      {"empty", {}},
      {"unknown kind", QByteArray(1, char(200))},
      {"kind 0", QByteArray(1, '\0')},
      {"bool not 0 or 1", patched(GroupMemberRequest{1, 2, true}, 9, QByteArray(1, 2))},
      {"destroy reason 0", patched(PlayerRemoved{4, 1}, 5, QByteArray(4, '\0'))},
      {"destroy reason 9", patched(PlayerRemoved{4, 1}, 5, QByteArray("\x09\0\0\0", 4))},
      {"text longer than the frame", patched(SetInfoRequest{QStringLiteral("ab")}, 1, "\xFF\x00")},
      // Texts that would decode with replacement characters, so not as sent.
      {"text not UTF-8", patched(SetInfoRequest{QStringLiteral("abc")}, 4, "\xFF")},
      {"text with an overlong form", patched(SetInfoRequest{QStringLiteral("ab")}, 3, "\xC0\xAF")},
      {"text ending inside a character",
       QByteArray(1, char(Kind::SetInfoRequest)) + QByteArray("\x02\x00\xE3\x81", 4)},
      {"text over the limit",
       [] {
         QByteArray b(1, char(Kind::SetInfoRequest));
         b += "\x01\x04";  // 1025 bytes
         b += QByteArray(1025, 'a');
         return b;
       }()},
      {"member count beyond the bytes",
       patched(JoinAccepted{3, 1, {}, {}}, 1 + 4 + 8 + 6 + 4 + 16 + 16 + 4 + 4 + 2 + 8, huge)},
      {"too many players allowed",
       patched(AppDescChanged{sampleDesc()}, 1 + 4 + 16 + 16, QByteArray("\x31\x75\0\0", 4))},
      {"unknown session flag",
       patched(AppDescChanged{sampleDesc()}, 1, QByteArray("\x01\x01\0\0", 4))},
      {"voice packet too large", voiceFrame(1, 1276)},
      {"voice frame without a packet", voiceFrame(1, 0)},
      {"voice frame of another version", voiceFrame(2, 10)},
      {"voice frame of version 0", voiceFrame(0, 10)},
      {"voice header cut short", voiceFrame(1, 0).left(5)},
      {"message over 16 MiB", encode(AppMessage{{QByteArray(kMaxMessageBytes + 1, 'm')}})},
  };
  for (const Case &c : cases) EXPECT_FALSE(decode(c.bytes)) << c.what;
  // The largest message itself passes.
  const auto big = decode(encode(AppMessage{{QByteArray(kMaxMessageBytes, 'm')}}));
  ASSERT_TRUE(big);
  EXPECT_EQ(std::get<AppMessage>(*big).payload.bytes.size(), kMaxMessageBytes);
  EXPECT_TRUE(decode(encode(AppMessage{{}})));  // and the empty one
  // A text over the limit is cut before the character that would not fit whole.
  const auto cut = decode(encode(SetInfoRequest{QString(kMaxNameBytes - 1, u'a') + u'あ'}));
  ASSERT_TRUE(cut);
  EXPECT_EQ(std::get<SetInfoRequest>(*cut).name, QString(kMaxNameBytes - 1, u'a'));
  // The largest voice packet passes, and the allocation-free reader agrees.
  const auto voice = decodeVoiceFrame(voiceFrame(1, kMaxOpusPacketBytes));
  ASSERT_TRUE(voice);
  EXPECT_EQ(voice->sequence, 0x0101);
  EXPECT_EQ(voice->timestamp, 0x01010101u);
  EXPECT_EQ(voice->opusSize, kMaxOpusPacketBytes);
  EXPECT_TRUE(decode(voiceFrame(1, kMaxOpusPacketBytes)));
}

TEST(PeerWire, SearchDatagramsRoundTripWithoutThePassword) {
  ApplicationDesc d = sampleDesc();
  d.password = QStringLiteral("secret");
  const QByteArray answer = encodeDatagram(EnumAnswer{7, 1234, d});
  EXPECT_TRUE(isDatagram(answer.constData(), size_t(answer.size())));
  EXPECT_FALSE(answer.contains("secret"));
  const auto a = decodeDatagram(answer);
  ASSERT_TRUE(a && std::holds_alternative<EnumAnswer>(*a));
  EXPECT_EQ(std::get<EnumAnswer>(*a).handle, 7u);
  EXPECT_EQ(std::get<EnumAnswer>(*a).timestamp, 1234u);
  d.password.clear();
  EXPECT_EQ(std::get<EnumAnswer>(*a).desc, d);

  const QByteArray query = encodeDatagram(EnumQuery{kProtocolVersion, d.applicationGuid, 9, 55});
  const auto q = decodeDatagram(query);
  ASSERT_TRUE(q && std::holds_alternative<EnumQuery>(*q));
  EXPECT_EQ(std::get<EnumQuery>(*q).applicationGuid, d.applicationGuid);

  for (qsizetype n = 0; n < query.size(); ++n) EXPECT_FALSE(decodeDatagram(query.left(n)));
  EXPECT_FALSE(decodeDatagram(query + 'x'));
  QByteArray otherKind = query;
  otherKind[4] = 3;
  EXPECT_FALSE(decodeDatagram(otherKind));
  EXPECT_FALSE(decodeDatagram(QByteArray(kMaxDatagramBytes + 1, '\xFF')));
  // A link-protocol packet to any peer slot a host allocates (below 0xF00), or a
  // connection request (slot 0xFFF), never looks like a datagram, whatever its flags.
  for (int peer : {0, 1, 255, 0x0EFF, 0x0FFF})
    for (int top = 0; top < 16; ++top) {
      const int header = top << 12 | peer;
      const char bytes[5] = {char(header >> 8), char(header & 0xFF), 'T', 'V', 1};
      EXPECT_FALSE(isDatagram(bytes, 5)) << peer << ' ' << top;
    }
}

}  // namespace
}  // namespace tv::peer::wire

namespace tv::peer {
namespace {

TEST(PeerAddress, UrlsParseToTheirElementsOrAreRefused) {
  struct Case {
    const char *url;
    Result result;
    const char *host;
    quint16 port;
  } cases[] = {
      {"x-directplay:/hostname=192.168.0.10;port=2302", kOk, "192.168.0.10", 2302},
      {"x-directplay:/hostname=example.org", kOk, "example.org", 0},
      {"X-DIRECTPLAY:/HOSTNAME=h;PORT=65535", kOk, "h", 65535},
      {"x-directplay:/provider=%7B5B7D8E21-3C4A-4F6E-9A1D-0E2C6B8F4A37%7D;hostname=h;port=1", kOk,
       "h", 1},
      {"x-directplay:/hostname=", kOk, "", 0},
      {"x-directplay:/hostname=a;device=ignored", kOk, "a", 0},
      {"x-directplay:/", kOk, "", 0},
      {"http://hostname=h", DPNERR_INVALIDURL, "", 0},
      {"x-directplay:/hostname=h;port=0", DPNERR_INVALIDURL, "", 0},
      {"x-directplay:/hostname=h;port=65536", DPNERR_INVALIDURL, "", 0},
      {"x-directplay:/hostname=h;port=+80", DPNERR_INVALIDURL, "", 0},
      {"x-directplay:/hostname=h;port=", DPNERR_INVALIDURL, "", 0},
      {"x-directplay:/hostname=a b", DPNERR_INVALIDURL, "", 0},
      {"x-directplay:/hostname=a/../b", DPNERR_INVALIDURL, "", 0},
      {"x-directplay:/hostname=a;hostname=b", DPNERR_INVALIDURL, "", 0},
      {"x-directplay:/=x", DPNERR_INVALIDURL, "", 0},
      {"x-directplay:/provider=%7Bnot-a-guid%7D", DPNERR_INVALIDURL, "", 0},
  };
  for (const Case &c : cases) {
    Address a;
    a.setHostname(QStringLiteral("unchanged"));
    EXPECT_EQ(a.BuildFromURL(QString::fromLatin1(c.url)), c.result) << c.url;
    if (c.result != kOk) {
      EXPECT_EQ(a.hostname(), QStringLiteral("unchanged")) << c.url;
      continue;
    }
    EXPECT_EQ(a.hostname(), QString::fromLatin1(c.host)) << c.url;
    EXPECT_EQ(a.port(), c.port) << c.url;
    Address again;
    ASSERT_EQ(again.BuildFromURL(a.GetURL()), kOk) << c.url;
    EXPECT_EQ(again, a) << c.url;
  }
  Address tooLong;
  EXPECT_EQ(tooLong.BuildFromURL(QStringLiteral("x-directplay:/hostname=") + QString(300, u'a')),
            DPNERR_INVALIDURL);
  EXPECT_EQ(Address().portOrDefault(), 2302);
  // The port is the last element, as readers of the text rely on.
  Address full = Address::fromEndpoint({0x7F000001, 2302});
  EXPECT_TRUE(full.GetURL().endsWith(QStringLiteral(";hostname=127.0.0.1;port=2302")));
}

TEST(PeerResult, CodesHaveNamesDescriptionsAndTheirHexForm) {
  EXPECT_EQ(formatResult(DPNERR_SESSIONFULL), QStringLiteral("0x80158610"));
  EXPECT_EQ(formatResult(0), QStringLiteral("0x0"));
  EXPECT_EQ(formatResult(0xA), QStringLiteral("0xA"));
  const Result known[] = {DPNERR_SESSIONFULL,     DPNERR_HOSTREJECTEDCONNECTION,
                          DPNERR_INVALIDPASSWORD, DPNERR_HOSTTERMINATEDSESSION,
                          DPNERR_INVALIDPLAYER,   DPNERR_NOTHOST,
                          DPNERR_INVALIDOBJECT,   DPNERR_UNINITIALIZED,
                          DPNERR_INVALIDURL,      DPNERR_GENERIC,
                          DVERR_RUNSETUP,         kPending};
  const Result values[] = {0x80158610, 0x80158260, 0x80158410, 0x80158270, 0x80158420, 0x80158530,
                           0x80158400, 0x80158640, 0x80158450, 0x80000008, 0x80150183, 0x8000000A};
  QSet<QString> descriptions;
  for (size_t i = 0; i < std::size(known); ++i) {
    EXPECT_EQ(known[i], values[i]);
    EXPECT_FALSE(resultName(known[i]).startsWith(u"0x")) << i;
    descriptions.insert(resultDescription(known[i]));
  }
  EXPECT_EQ(descriptions.size(), qsizetype(std::size(known)));
  EXPECT_EQ(resultName(0x80001234), QStringLiteral("0x80001234"));
  EXPECT_FALSE(resultDescription(0x80001234).isEmpty());
}

}  // namespace
}  // namespace tv::peer
