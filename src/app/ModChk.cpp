#include "app/ModChk.h"

#include "app/AppInfo.h"
#include "platform/text/Ipv4Text.h"

#include <QStringList>

namespace tv::app {
namespace {

// Reserved for the program's author: one entry compared without regard to case, one
// in Japanese script compared exactly.
const QString kReservedLatin = QStringLiteral("TALVORA_DEV");
const QString kReservedJapanese = QStringLiteral("たるぼら作者");

bool isAsciiLetter(QChar c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }
bool isAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

QString joinLines(const QStringList &lines) { return lines.join(QStringLiteral("\r\n")); }

}  // namespace

QString NicknameRulesMessage() {
  return joinLines({
      QStringLiteral("※ニックネームは以下の規則に従ってください。"),
      QStringLiteral("　　　(1)半角英数文字列であること。"),
      QStringLiteral("　　　(2)１文字目は以下のいずれかの文字であること。"),
      QStringLiteral("　　　　　　・A～Z"),
      QStringLiteral("　　　　　　・a～z"),
      QStringLiteral("　　　(3)２文字目以降は以下のいずれかの文字(列)であること。"),
      QStringLiteral("　　　　　　・A～Z"),
      QStringLiteral("　　　　　　・a～z"),
      QStringLiteral("　　　　　　・-"),
      QStringLiteral("　　　　　　・["),
      QStringLiteral("　　　　　　・]"),
      QStringLiteral("　　　　　　・\\"),
      QStringLiteral("　　　　　　・`"),
      QStringLiteral("　　　　　　・^"),
      QStringLiteral("　　　　　　・{"),
      QStringLiteral("　　　　　　・}"),
  });
}

QString ChannelRulesMessage() {
  return joinLines({
      QStringLiteral("※チャンネル名は以下の規則に従ってください。"),
      QStringLiteral("　　　(1)１文字目は、#か&か+か!で始まること。"),
      QStringLiteral("　　　(2)\" \"(半角スペース)を使用しないこと。"),
      QStringLiteral("　　　(3)\",\"(半角コンマ)を使用しないこと。"),
  });
}

bool IsValidNickname(const QString &text, MessageSink *showMessage) {
  static const QString kExtra = QStringLiteral("-[]\\`^{}");
  bool ok = !text.isEmpty() && isAsciiLetter(text[0]);
  for (qsizetype i = 1; ok && i < text.size(); ++i) {
    const QChar c = text[i];
    ok = isAsciiLetter(c) || isAsciiDigit(c) || kExtra.contains(c);
  }
  if (!ok && showMessage)
    showMessage->ViewMSG(NicknameRulesMessage(), QStringLiteral("ニックネームの入力エラー"));
  return ok;
}

bool IsReservedNickname(const QString &text, MessageSink *showMessage) {
  const bool reserved = text.toUpper() == kReservedLatin || text == kReservedJapanese;
  if (reserved && showMessage)
    showMessage->ViewMSG(
        text + QStringLiteral("はTalvora作者のニックネームですので、使用はご遠慮ください。"),
        kTitleTag + QStringLiteral("ニックネームに関するお願い"));
  return reserved;
}

bool IsValidChannelName(const QString &text, MessageSink *showMessage) {
  static const QString kFirst = QStringLiteral("#&+!");
  const bool bad = text.isEmpty() || !kFirst.contains(text[0]) || text.size() == 1 ||
                   text.contains(u' ') || text.contains(u',') || text.contains(u':');
  if (bad && showMessage)
    showMessage->ViewMSG(ChannelRulesMessage(),
                         kTitleTag + QStringLiteral("チャンネルの名称が不正です"));
  return !bad;
}

bool IsValidPassword(const QString &text) {
  for (QChar c : text)
    if (c.unicode() < 33 || c.unicode() > 126) return false;
  return true;
}

bool IsAllDigits(const QString &text) {
  if (text.isEmpty()) return false;
  for (QChar c : text)
    if (!isAsciiDigit(c)) return false;
  return true;
}

bool IsValidAddress(const QString &text) { return text::IsValidAddress(text); }
bool IsPrivateAddress(const QString &text) { return text::IsPrivateAddress(text); }

}  // namespace tv::app
