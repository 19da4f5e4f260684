// The participant tools' texts: reading a typed member limit, what it does to the
// description, the kick and lookup failure reports, and the parts of an address URL.
#include "session/ParticipantText.h"

#include "platform/peer/PeerTypes.h"

#include <gtest/gtest.h>

inline void PrintTo(const QString &text, std::ostream *out) { *out << text.toStdString(); }

namespace tv::session {
namespace {

using namespace tv::peer;
using Kind = MemberLimitInput::Kind;

TEST(ParticipantText, MemberLimitIsReadAsAUserMeansIt) {
  const struct {
    const char16_t *text;
    Kind kind;
    qint64 value;
  } cases[] = {
      {u"", Kind::kEmpty, 0},
      {u"   ", Kind::kNotNumeric, 0},
      {u"　", Kind::kNotNumeric, 0},  // an ideographic blank alone
      {u"5", Kind::kNumber, 5},
      {u"５", Kind::kNumber, 5},
      {u"３０００１", Kind::kNumber, 30001},
      {u" 5 ", Kind::kNumber, 5},
      {u"　１２　", Kind::kNumber, 12},
      {u"+7", Kind::kNumber, 7},
      {u"007", Kind::kNumber, 7},
      {u"1.6", Kind::kNumber, 2},
      {u"1.4", Kind::kNumber, 1},
      {u"2.5", Kind::kNumber, 3},
      {u"１．５", Kind::kNumber, 2},
      {u"10.", Kind::kNumber, 10},
      {u".5", Kind::kNumber, 1},
      {u".4", Kind::kNumber, 0},
      {u"0", Kind::kNumber, 0},
      {u"-3", Kind::kNumber, -1},
      {u"－３", Kind::kNumber, -1},
      {u"-0.4", Kind::kNumber, 0},
      {u"1,000", Kind::kNumber, 1000},
      {u"30,000", Kind::kNumber, 30000},
      {u"30000", Kind::kNumber, 30000},
      {u"30000.4", Kind::kNumber, 30000},
      {u"30000.5", Kind::kNumber, 30001},
      {u"99999999999999999999999", Kind::kNumber, 30001},
      {u"0000000000000000000012", Kind::kNumber, 12},
      {u"abc", Kind::kNotNumeric, 0},
      {u"1e3", Kind::kNotNumeric, 0},
      {u"0x10", Kind::kNotNumeric, 0},
      {u"1,00", Kind::kNotNumeric, 0},
      {u",100", Kind::kNotNumeric, 0},
      {u"1.2.3", Kind::kNotNumeric, 0},
      {u"5人", Kind::kNotNumeric, 0},
      {u"- 5", Kind::kNotNumeric, 0},
      {u"+", Kind::kNotNumeric, 0},
      {u".", Kind::kNotNumeric, 0},
      {u"١٢", Kind::kNotNumeric, 0},  // digits of another script
  };
  for (const auto &c : cases) {
    const QString text = QString::fromUtf16(c.text);
    SCOPED_TRACE(text.toStdString());
    const MemberLimitInput in = ParseMemberLimit(text);
    EXPECT_EQ(in.kind, c.kind);
    EXPECT_EQ(in.value, c.value);
  }
}

TEST(ParticipantText, MemberLimitPlanFollowsTheRangeAndTheMembers) {
  const QString err = QStringLiteral("人数制限エラー");
  const QString notNumeric = QStringLiteral("　　<エラーの説明　> 数値以外を検出しました。");
  const QString enterNumber = QStringLiteral("　　<エラーの説明　> 数値を入力してください。");
  const QString tooSmall =
      QStringLiteral("　　<エラーの説明　> 人数制限の人数は1以上を入力してください。");
  const QString tooLarge =
      QStringLiteral("　　<エラーの説明　> 人数制限の人数は30000以下を入力してください。");
  const QString belowMembers =
      QStringLiteral("　　<エラーの説明　> 現在の人数より少ない人数制限にすることはできません。");
  const struct {
    const char16_t *text;
    quint32 members, maximum;
    QStringList lines;
    std::optional<quint32> newMaximum;
  } cases[] = {
      {u"", 3, 8, {}, std::nullopt},
      {u"abc", 3, 8, {err, notNumeric, enterNumber}, std::nullopt},
      {u"0", 3, 8, {err, tooSmall}, std::nullopt},
      {u"-3", 3, 8, {err, tooSmall}, std::nullopt},
      {u"30001", 3, 8, {err, tooLarge}, std::nullopt},
      {u"2", 3, 8, {err, belowMembers}, std::nullopt},
      {u"3", 3, 8, {QStringLiteral("人数制限を3人にしました。")}, 3},
      {u"8", 3, 8, {QStringLiteral("現在と同じ人数制限に再度設定します。")}, 8},
      {u"８", 3, 8, {QStringLiteral("現在と同じ人数制限に再度設定します。")}, 8},
      {u"30000", 3, 0, {QStringLiteral("人数制限を30000人にしました。")}, 30000},
      {u"1.6", 1, 0, {QStringLiteral("人数制限を2人にしました。")}, 2},
  };
  for (const auto &c : cases) {
    const QString text = QString::fromUtf16(c.text);
    SCOPED_TRACE(text.toStdString());
    const MemberLimitPlan plan = PlanMemberLimit(text, c.members, c.maximum);
    EXPECT_EQ(plan.lines, c.lines);
    EXPECT_EQ(plan.newMaximum, c.newMaximum);
  }
}

TEST(ParticipantText, KickFailureNamesTheKnownErrors) {
  const QString head = QStringLiteral("ユーザの削除に失敗しました。");
  const QString d = QStringLiteral("　　<エラーの説明　> ");
  const struct {
    Result code;
    QStringList lines;
  } cases[] = {
      {DPNERR_INVALIDPLAYER,
       {head, QStringLiteral("　　<エラー番号　　> 0x80158420"), d + "DPNERR_INVALIDPLAYER",
        d + QStringLiteral("Talvora内部処理エラーです。"),
        d + QStringLiteral("ユーザ削除処理をする際に、不正なUSER IDの値が使用されました。")}},
      {DPNERR_NOTHOST,
       {head, QStringLiteral("　　<エラー番号　　> 0x80158530"), d + "DPNERR_NOTHOST",
        d + QStringLiteral("このパソコンは音声Chatのホストではありません。 "),
        d + QStringLiteral("ユーザを削除するには、ホストである必要があります。")}},
      {DPNERR_INVALIDPARAM,
       {head, QStringLiteral("　　<エラー番号　　> 0x80070057"), d + "DPNERR_INVALIDPARAM",
        d + QStringLiteral("Talvora内部処理エラーです。"),
        d + QStringLiteral("ユーザ削除処理をする際に、不正なパラメータが使用されました。")}},
      {DPNERR_NOCONNECTION, {head, QStringLiteral("　　<エラー番号　　> 0x80158A01")}},
      {0x10, {head, QStringLiteral("　　<エラー番号　　> 0x10")}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(formatResult(c.code).toStdString());
    EXPECT_EQ(KickFailureLines(c.code), c.lines);
  }
}

TEST(ParticipantText, LookupFailureShowsEachStepsOwnTable) {
  const QString d = QStringLiteral("　　<エラーの説明> ");
  const QString address = QStringLiteral("身元調査に失敗しました。(GetPeerAddress)");
  const QString url = QStringLiteral("身元調査に失敗しました。(GetURL)");
  auto head = [&](const QString &title, Result code) {
    return QStringList{title, QStringLiteral("　　<エラー番号　> ") + formatResult(code),
                       d + resultDescription(code)};
  };
  const struct {
    LookupStep step;
    Result code;
    QStringList details;
  } cases[] = {
      {LookupStep::kGetPeerAddress,
       DPNERR_INVALIDOBJECT,
       {d + "DPNERR_INVALIDOBJECT",
        d + QStringLiteral("DirectPlay オブジェクトのポインタが無効です。")}},
      {LookupStep::kGetPeerAddress,
       DPNERR_INVALIDPLAYER,
       {d + "DPNERR_INVALIDPLAYER", d + QStringLiteral("Talvora内部処理エラーです。"),
        d + QStringLiteral("ユーザの身元調査をする際に、不正なUSER IDの値が使用されました。")}},
      {LookupStep::kGetPeerAddress,
       DPNERR_UNINITIALIZED,
       {d + "DPNERR_UNINITIALIZED",
        d + QStringLiteral("アドレスオブジェクトが初期化されていません。")}},
      // Another step's error has no lines of its own here.
      {LookupStep::kGetPeerAddress, DPNERR_INVALIDURL, {}},
      {LookupStep::kGetURL,
       DPNERR_GENERIC,
       {d + "DPNERR_GENERIC", d + QStringLiteral("定義されていないエラー条件が発生ました。")}},
      {LookupStep::kGetURL,
       DPNERR_INVALIDURL,
       {d + "DPNERR_INVALIDURL", d + QStringLiteral("無効なURLです。")}},
      {LookupStep::kGetURL,
       DPNERR_OUTOFMEMORY,
       {d + "DPNERR_OUTOFMEMORY", d + QStringLiteral("メモリが不足しています。")}},
      {LookupStep::kGetURL, DPNERR_INVALIDPLAYER, {}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(formatResult(c.code).toStdString());
    const QString title = c.step == LookupStep::kGetPeerAddress ? address : url;
    EXPECT_EQ(LookupFailureLines(c.step, c.code), head(title, c.code) + c.details);
  }
  EXPECT_EQ(head(address, DPNERR_INVALIDPLAYER)[1],
            QStringLiteral("　　<エラー番号　> 0x80158420"));
}

TEST(ParticipantText, AddressUrlGivesHostAndPortWhereverTheyStand) {
  const struct {
    const char *url;
    std::optional<PeerUrlParts> parts;
  } cases[] = {
      {"x-directplay:/provider=%7BEBFE7BA0-628D-11D2-AE0F-006097B01411%7D;hostname=127.0.0.1;"
       "port=50001",
       PeerUrlParts{"127.0.0.1", "50001"}},
      {"x-directplay:/port=2303;hostname=192.0.2.1;device=eth0", PeerUrlParts{"192.0.2.1", "2303"}},
      {"X-DirectPlay:/HostName=example.org;Port=7", PeerUrlParts{"example.org", "7"}},
      {"x-directplay:/hostname=10.0.0.1", PeerUrlParts{"10.0.0.1", "2302"}},
      {"x-directplay:/hostname=10.0.0.1;;port=9;", PeerUrlParts{"10.0.0.1", "9"}},
      // A key only ends in "port": not the port.
      {"x-directplay:/hostname=h;myport=1", PeerUrlParts{"h", "2302"}},
      {"x-directplay:/port=9", std::nullopt},
      {"x-directplay:/hostname=;port=9", std::nullopt},
      {"http://hostname=h;port=1", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.url);
    const std::optional<PeerUrlParts> parts = ParsePeerUrl(QString::fromUtf8(c.url));
    ASSERT_EQ(parts.has_value(), c.parts.has_value());
    if (!parts) continue;
    EXPECT_EQ(parts->address, c.parts->address);
    EXPECT_EQ(parts->port, c.parts->port);
  }
}

}  // namespace
}  // namespace tv::session
