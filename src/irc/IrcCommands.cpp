#include "irc/IrcCommands.h"

#include "app/AppInfo.h"
#include "app/FrmBoxINP.h"
#include "app/ModChk.h"
#include "irc/IrcLine.h"
#include "irc/IrcLists.h"
#include "irc/OutgoingText.h"
#include "session/ParticipantText.h"

#include <algorithm>

namespace tv::irc {
namespace {

constexpr int kPerLine = 3;  // nicknames per MODE +o or KICK line

QString errorDetail(const QString &text) { return QStringLiteral("　　<エラーの説明　> ") + text; }

QStringList groupsOf(const QStringList &entries, const QString &separator) {
  QStringList groups;
  for (qsizetype at = 0; at < entries.size(); at += kPerLine) {
    QStringList nicks;
    for (qsizetype i = at; i < std::min(entries.size(), at + kPerLine); ++i)
      nicks.append(EntryNick(entries[i]));
    groups.append(nicks.join(separator));
  }
  return groups;
}

}  // namespace

BoxRequest JoinBox() {
  return {QStringLiteral("参加チャンネルの追加"),
          QStringLiteral("#"),
          app::FrmBoxINP::kImeOff,
          {QStringLiteral("新たに参加するチャンネル名を入力してください。"),
           QStringLiteral("※以下の内容がよく解らない場合は、先頭に#を入力してください。"),
           QStringLiteral("　(1)チャンネル名の規則"),
           QStringLiteral("　　　※先頭には必ず#か&か+か!が必要です。"),
           QStringLiteral("　　　※半角スペースは使えません。"),
           QStringLiteral("　　　※半角コンマは使えません。"),
           QStringLiteral("　　　※半角コロンは使えません。"),
           QStringLiteral("　(2)先頭に#を付けた場合"),
           QStringLiteral("　　　パブリックチャンネルになります。"),
           QStringLiteral("　　　(全サーバに共通なチャンネルになります)"),
           QStringLiteral("　(3)先頭に&を付けた場合"),
           QStringLiteral("　　　ローカルチャンネルになります。"),
           QStringLiteral("　　　(接続するサーバだけに存在するチャンネルになります)")}};
}

BoxRequest LimitBox(int userCount) {
  return {
      QStringLiteral("チャンネルの人数制限設定"),
      QString::number(userCount),
      app::FrmBoxINP::kImeOff,
      {QStringLiteral("制限人数を入力してください。"), QStringLiteral("(設定できる値は0～65535)"),
       QStringLiteral("(0を入力すると人数制限を解除します。)")}};
}

BoxRequest KeyBox(bool set) {
  return {set ? QStringLiteral("チャンネルパスワードの設定")
              : QStringLiteral("チャンネルパスワードの解除"),
          QString(),
          app::FrmBoxINP::kImeOff,
          {QStringLiteral("チャンネルのパスワードを入力してください。")}};
}

BoxRequest KickBox(const QString &kickMessage) {
  return {QStringLiteral("追放理由の入力"),
          kickMessage,
          app::FrmBoxINP::kImeNoControl,
          {QStringLiteral("追放する人に対するメッセージを入力してください"),
           QStringLiteral("メッセージなしで追放することも可能です。")}};
}

BoxRequest AwayBox(const QString &awayMessage) {
  return {QStringLiteral("離席メッセージの設定"),
          awayMessage,
          app::FrmBoxINP::kImeNoControl,
          {QStringLiteral("密談到着時の自動返信用「離席メッセージ」を入力してください。"),
           QStringLiteral("(離席メッセージの設定はユーザー単位の設定です)"),
           QStringLiteral("(チャンネル単位の設定はできません)"),
           QStringLiteral("(キャンセルする場合は、テキストボックスを空にしてOKを押してください)")}};
}

QString TypedParameter(const QString &text) {
  QString clean = cleanOutgoing(text);
  if (clean.startsWith(u':')) clean.replace(0, 1, QStringLiteral("："));
  return clean;
}

QString EntryNick(const QString &entry) { return withoutMark(entry).toString(); }

QString ModeLine(const QString &slot, const QString &mode) {
  return QStringLiteral("MODE ") + slot + u' ' + mode;
}

CommandResult LimitCommand(const QString &slot, const QString &text) {
  const QString error = QStringLiteral("人数制限エラー");
  if (text.isEmpty()) return {};
  if (text == u"0") return {{ModeLine(slot, QStringLiteral("-l"))}, {}};
  const session::MemberLimitInput in = session::ParseMemberLimit(text, kMaxChannelLimit);
  switch (in.kind) {
    case session::MemberLimitInput::kEmpty:
      return {};
    case session::MemberLimitInput::kNotNumeric:
      return {{},
              {error, errorDetail(QStringLiteral("数値以外を検出しました。")),
               errorDetail(QStringLiteral("数値を入力してください。"))}};
    case session::MemberLimitInput::kNumber:
      break;
  }
  if (in.value <= 0)
    return {{}, {error, errorDetail(QStringLiteral("人数制限の人数は1以上を入力してください。"))}};
  if (in.value > kMaxChannelLimit)
    return {{},
            {error, errorDetail(QStringLiteral("人数制限の人数は65535以下を入力してください。"))}};
  return {{ModeLine(slot, QStringLiteral("+l ") + QString::number(in.value))}, {}};
}

CommandResult KeyCommand(const QString &slot, bool set, const QString &text) {
  if (text.isEmpty()) return {};
  if (!app::IsValidPassword(text))
    return {{},
            {QStringLiteral("パスワード入力エラー"),
             errorDetail(QStringLiteral("チャンネルパスワードは半角英数字で入力してください。"))}};
  return {{ModeLine(slot, (set ? QStringLiteral("+k ") : QStringLiteral("-k ")) + text)}, {}};
}

QStringList OperatorLines(const QString &slot, QChar sign, const QStringList &entries) {
  QStringList lines;
  for (const QString &group : groupsOf(entries, QStringLiteral(" "))) {
    const int count = int(group.count(u' ')) + 1;
    lines.append(ModeLine(slot, sign + QString(count, u'o') + u' ' + group));
  }
  return lines;
}

QStringList KickLines(const QString &slot, const QStringList &entries, const QString &reason) {
  QStringList lines;
  for (const QString &group : groupsOf(entries, QStringLiteral(",")))
    lines.append(QStringLiteral("KICK ") + slot + u' ' + group +
                 (reason.isEmpty() ? QString() : QStringLiteral(" :") + reason));
  return lines;
}

QString JoinChannel(const QString &text, app::MessageSink *messages) {
  if (text.isEmpty() || text == u"#") return {};
  const bool control = std::any_of(text.begin(), text.end(), [](QChar c) {
    return c.category() == QChar::Other_Control || c.unicode() == 0;
  });
  if (control) {
    if (messages)
      messages->ViewMSG(app::ChannelRulesMessage(),
                        app::kTitleTag + QStringLiteral("チャンネルの名称が不正です"));
    return {};
  }
  return app::IsValidChannelName(text, messages) ? text : QString();
}

QStringList ChannelListWithJoined(const QStringList *existing, const QString &name) {
  QStringList lines = existing ? *existing : QStringList{kChannelListHeader};
  lines.append(QStringLiteral("1,") + name);
  return lines;
}

CommandResult AwaySet(const QString &text) {
  if (text.isEmpty()) return {};
  return {{QStringLiteral("AWAY :") + text},
          {QStringLiteral("離籍メッセージ(AWAY)を設定しました。"),
           QStringLiteral("　　<AWAYメッセージ> ") + text}};
}

CommandResult AwayClear(const QString &ownNick) {
  return {{u':' + ownNick + QStringLiteral(" AWAY")},
          {QStringLiteral("離籍メッセージ(AWAY)を解除しました。")}};
}

QStringList TopicLines(const QString &slot, const QString &text) {
  const QString topic = TypedParameter(text);
  if (topic.isEmpty()) return {};
  return {QStringLiteral("TOPIC ") + slot + QStringLiteral(" :") + topic};
}

CommandResult WhoisCommand(const QString &entry) {
  const QString nick = EntryNick(entry);
  return {{QStringLiteral("WHOIS ") + nick}, {QStringLiteral("身元調査開始(") + nick + u')'}};
}

PartAction PartFor(bool isChannel, int channelTabs) {
  if (!isChannel) return PartAction::ClosePrivate;
  return channelTabs <= 1 ? PartAction::Quit : PartAction::Part;
}

QString PartLine(const QString &slot, const QString &partMessage) {
  const QString message = cleanOutgoing(partMessage);
  return QStringLiteral("PART ") + slot +
         (message.isEmpty() ? QString() : QStringLiteral(" :") + message);
}

QString QuitLine(const QString &quitMessage) {
  const QString message = cleanOutgoing(quitMessage);
  return message.isEmpty() ? QStringLiteral("QUIT") : QStringLiteral("QUIT :") + message;
}

QString QuitReport(const QString &quitMessage) {
  const QString sent = QStringLiteral("QUITメッセージを送信しました。");
  return quitMessage.isEmpty() ? sent : sent + u'[' + quitMessage + QStringLiteral("」");
}

VoiceEntries VoiceEntriesFor(int sessionState) { return {sessionState == 0, sessionState == 2}; }

}  // namespace tv::irc
