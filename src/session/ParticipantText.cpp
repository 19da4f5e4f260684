#include "session/ParticipantText.h"

#include "platform/peer/PeerTypes.h"
#include "session/SessionReport.h"

#include <QRegularExpression>

#include <algorithm>

namespace tv::session {

using namespace tv::peer;

namespace {

constexpr qint64 kTooLarge = kMaxPlayersLimit + 1;
static_assert(kMaxPlayersLimit == 30000, "ParseMemberLimit's default maximum");
// More digits than this cannot be a limit; they are not summed (no overflow).
constexpr qsizetype kMaxLimitDigits = 6;

QString ToHalfWidth(const QString &text) {
  QString half;
  half.reserve(text.size());
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (u >= 0xFF01 && u <= 0xFF5E)
      half += QChar(char16_t(u - 0xFEE0));
    else if (u == 0x3000)
      half += u' ';
    else if (u == 0x2212)  // the minus sign some input methods give
      half += u'-';
    else
      half += c;
  }
  return half;
}

QString LookupDetail(const QString &text) { return QStringLiteral("　　<エラーの説明> ") + text; }

}  // namespace

MemberLimitInput ParseMemberLimit(const QString &text, qint64 maximum) {
  const qint64 tooLarge = maximum + 1;
  if (text.isEmpty()) return {};
  // Blanks alone are text that is not a number, not an empty answer.
  const QString t = ToHalfWidth(text).trimmed();
  if (t.isEmpty()) return {MemberLimitInput::kNotNumeric, 0};
  // Sign, then whole digits (plain or grouped by thousands) and/or a fraction.
  static const QRegularExpression kNumber(
      QStringLiteral(R"(^([+-]?)((?:[0-9]{1,3}(?:,[0-9]{3})+)|[0-9]*)(?:\.([0-9]*))?$)"));
  const QRegularExpressionMatch m = kNumber.match(t);
  if (!m.hasMatch()) return {MemberLimitInput::kNotNumeric, 0};
  QString whole = m.captured(2);
  const QString fraction = m.captured(3);
  if (whole.isEmpty() && fraction.isEmpty()) return {MemberLimitInput::kNotNumeric, 0};
  whole.remove(u',');
  while (whole.size() > 1 && whole.front() == u'0') whole.remove(0, 1);

  qint64 value = tooLarge;
  if (whole.size() <= kMaxLimitDigits) {
    value = whole.isEmpty() ? 0 : whole.toLongLong();
    // Half away from zero: only the first digit of the fraction decides.
    if (!fraction.isEmpty() && fraction.front() >= u'5') ++value;
  }
  if (m.captured(1) == u"-") value = -value;
  return {MemberLimitInput::kNumber, std::clamp<qint64>(value, -1, tooLarge)};
}

MemberLimitPlan PlanMemberLimit(const QString &text, quint32 currentMembers,
                                quint32 currentMaximum) {
  const MemberLimitInput in = ParseMemberLimit(text);
  switch (in.kind) {
    case MemberLimitInput::kEmpty:
      return {};
    case MemberLimitInput::kNotNumeric:
      return {{kLimitErrorLine, ErrorDescriptionLine(QStringLiteral("数値以外を検出しました。")),
               ErrorDescriptionLine(QStringLiteral("数値を入力してください。"))},
              std::nullopt};
    case MemberLimitInput::kNumber:
      break;
  }
  if (in.value <= 0)
    return {{kLimitErrorLine,
             ErrorDescriptionLine(QStringLiteral("人数制限の人数は1以上を入力してください。"))},
            std::nullopt};
  if (in.value >= kTooLarge)
    return {{kLimitErrorLine,
             ErrorDescriptionLine(QStringLiteral("人数制限の人数は30000以下を入力してください。"))},
            std::nullopt};
  const quint32 n = quint32(in.value);
  if (n < currentMembers)
    return {{kLimitErrorLine, ErrorDescriptionLine(QStringLiteral(
                                  "現在の人数より少ない人数制限にすることはできません。"))},
            std::nullopt};
  if (n == currentMaximum) return {{QStringLiteral("現在と同じ人数制限に再度設定します。")}, n};
  return {{QStringLiteral("人数制限を") + QString::number(n) + QStringLiteral("人にしました。")},
          n};
}

QStringList KickSelfLines() {
  return {QStringLiteral("追放エラー"),
          ErrorDescriptionLine(QStringLiteral("自分自身を追放することはできません。"))};
}

QStringList KickFailureLines(Result code) {
  QStringList lines{QStringLiteral("ユーザの削除に失敗しました。"), ErrorNumberLine(code)};
  QStringList details;
  switch (code) {
    case DPNERR_INVALIDPLAYER:
      details = {QStringLiteral("DPNERR_INVALIDPLAYER"),
                 QStringLiteral("Talvora内部処理エラーです。"),
                 QStringLiteral("ユーザ削除処理をする際に、不正なUSER IDの値が使用されました。")};
      break;
    case DPNERR_NOTHOST:
      details = {QStringLiteral("DPNERR_NOTHOST"),
                 QStringLiteral("このパソコンは音声Chatのホストではありません。 "),
                 QStringLiteral("ユーザを削除するには、ホストである必要があります。")};
      break;
    case DPNERR_INVALIDPARAM:
      details = {QStringLiteral("DPNERR_INVALIDPARAM"),
                 QStringLiteral("Talvora内部処理エラーです。"),
                 QStringLiteral("ユーザ削除処理をする際に、不正なパラメータが使用されました。")};
      break;
    default:
      break;
  }
  for (const QString &detail : std::as_const(details)) lines << ErrorDescriptionLine(detail);
  return lines;
}

QStringList LookupFailureLines(LookupStep step, Result code) {
  QStringList details;
  if (step == LookupStep::kGetPeerAddress) {
    if (code == DPNERR_INVALIDOBJECT)
      details = {QStringLiteral("DPNERR_INVALIDOBJECT"),
                 QStringLiteral("DirectPlay オブジェクトのポインタが無効です。")};
    else if (code == DPNERR_INVALIDPLAYER)
      details = {QStringLiteral("DPNERR_INVALIDPLAYER"),
                 QStringLiteral("Talvora内部処理エラーです。"),
                 QStringLiteral("ユーザの身元調査をする際に、不正なUSER IDの値が使用されました。")};
    else if (code == DPNERR_UNINITIALIZED)
      details = {QStringLiteral("DPNERR_UNINITIALIZED"),
                 QStringLiteral("アドレスオブジェクトが初期化されていません。")};
  } else {
    if (code == DPNERR_GENERIC)
      details = {QStringLiteral("DPNERR_GENERIC"),
                 QStringLiteral("定義されていないエラー条件が発生ました。")};
    else if (code == DPNERR_INVALIDURL)
      details = {QStringLiteral("DPNERR_INVALIDURL"), QStringLiteral("無効なURLです。")};
    else if (code == DPNERR_OUTOFMEMORY)
      details = {QStringLiteral("DPNERR_OUTOFMEMORY"), QStringLiteral("メモリが不足しています。")};
  }
  QStringList lines{step == LookupStep::kGetPeerAddress
                        ? QStringLiteral("身元調査に失敗しました。(GetPeerAddress)")
                        : QStringLiteral("身元調査に失敗しました。(GetURL)"),
                    QStringLiteral("　　<エラー番号　> ") + formatResult(code),
                    LookupDetail(resultDescription(code))};
  for (const QString &detail : std::as_const(details)) lines << LookupDetail(detail);
  return lines;
}

QStringList LookupSingleMemberLines() {
  return {QStringLiteral("身元調査エラー"),
          ErrorDescriptionLine(QStringLiteral("ユーザ数が１人の時は調査できません。"))};
}

std::optional<PeerUrlParts> ParsePeerUrl(const QString &url) {
  static const QString kScheme = QStringLiteral("x-directplay:/");
  if (!url.startsWith(kScheme, Qt::CaseInsensitive)) return std::nullopt;
  std::optional<QString> host, port;
  for (const QStringView element : QStringView(url).mid(kScheme.size()).split(u';')) {
    const qsizetype eq = element.indexOf(u'=');
    if (eq <= 0) continue;
    const QStringView key = element.left(eq);
    const QString value = element.mid(eq + 1).toString();
    if (!host && key.compare(u"hostname", Qt::CaseInsensitive) == 0)
      host = value;
    else if (!port && key.compare(u"port", Qt::CaseInsensitive) == 0)
      port = value;
  }
  if (!host || host->isEmpty()) return std::nullopt;
  return PeerUrlParts{*host, port ? *port : QString::number(kDefaultPort)};
}

}  // namespace tv::session
