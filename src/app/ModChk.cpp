#include "app/ModChk.h"

#include "app/AppInfo.h"

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

// Splits a dotted address into up to four octet strings. Returns false when a
// character other than a digit or a dot occurs and `strict` is set, or when there are
// more than three dots.
struct Octets {
  QString part[4];
  int dots = 0;
};
bool scanOctets(const QString &text, bool strict, Octets &out) {
  for (QChar c : text) {
    if (isAsciiDigit(c)) {
      if (out.dots <= 3) out.part[out.dots].append(c);
    } else if (c == u'.') {
      ++out.dots;
      if (strict && out.dots > 3) return false;
    } else if (strict) {
      return false;
    }
  }
  return true;
}

// Numeric value of an octet string, saturating well above 255 for long strings.
int octetValue(const QString &s) {
  int v = 0;
  for (QChar c : s) {
    v = v * 10 + (c.unicode() - u'0');
    if (v > 100000) return v;
  }
  return v;
}

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

bool IsValidAddress(const QString &text) {
  Octets o;
  if (!scanOctets(text, true, o) || o.dots != 3) return false;
  for (const QString &part : o.part)
    if (part.isEmpty() || octetValue(part) > 255) return false;
  return true;
}

bool IsPrivateAddress(const QString &text) {
  Octets o;
  scanOctets(text, false, o);
  if (o.part[0] == u"10") return true;
  if (o.part[0] == u"172") {
    const int second = octetValue(o.part[1]);
    return !o.part[1].isEmpty() && second >= 16 && second <= 31;
  }
  return o.part[0] == u"192" && o.part[1] == u"168";
}

}  // namespace tv::app
