#include "app/ModChk.h"

#include <gtest/gtest.h>

#include <QStringList>

using namespace tv::app;

namespace {

struct RecordingSink : MessageSink {
  QStringList messages, titles;
  void ViewMSG(const QString &message, const QString &title) override {
    messages << message;
    titles << title;
  }
};

struct RuleCase {
  const char16_t *text;
  bool expected;
};

void expectRule(bool (*rule)(const QString &), std::initializer_list<RuleCase> cases) {
  for (const RuleCase &c : cases)
    EXPECT_EQ(rule(QString::fromUtf16(c.text)), c.expected)
        << QString::fromUtf16(c.text).toStdString();
}

TEST(ModChk, Nicknames) {
  for (const RuleCase &c : {RuleCase{u"a", true},
                            {u"Abc-1[x]", true},
                            {u"z\\`^{}]", true},
                            {u"1abc", false},
                            {u"_abc", false},
                            {u"[abc", false},
                            {u"ab c", false},
                            {u"", false},
                            {u"ａbc", false},
                            {u"ab日", false}}) {
    EXPECT_EQ(IsValidNickname(QString::fromUtf16(c.text)), c.expected)
        << QString::fromUtf16(c.text).toStdString();
  }
}

TEST(ModChk, NicknameMessageHasEveryRuleLine) {
  RecordingSink sink;
  EXPECT_FALSE(IsValidNickname(QStringLiteral("1abc"), &sink));
  ASSERT_EQ(sink.messages.size(), 1);
  EXPECT_EQ(sink.titles[0], QStringLiteral("ニックネームの入力エラー"));
  const QStringList lines = sink.messages[0].split(QStringLiteral("\r\n"));
  ASSERT_EQ(lines.size(), 16);
  EXPECT_EQ(lines[0], QStringLiteral("※ニックネームは以下の規則に従ってください。"));
  EXPECT_EQ(lines[11], QStringLiteral("　　　　　　・\\"));
  EXPECT_EQ(lines[15], QStringLiteral("　　　　　　・}"));
  EXPECT_TRUE(IsValidNickname(QStringLiteral("ok"), &sink));
  EXPECT_EQ(sink.messages.size(), 1);  // nothing shown for a valid name
}

TEST(ModChk, ReservedNicknames) {
  RecordingSink sink;
  EXPECT_TRUE(IsReservedNickname(QStringLiteral("talvora_dev"), &sink));
  EXPECT_TRUE(IsReservedNickname(QStringLiteral("たるぼら作者")));
  EXPECT_FALSE(IsReservedNickname(QStringLiteral("タルボラ作者")));
  EXPECT_FALSE(IsReservedNickname(QStringLiteral("talvora")));
  ASSERT_EQ(sink.messages.size(), 1);
  EXPECT_EQ(sink.titles[0], QStringLiteral("[Talvora]ニックネームに関するお願い"));
  EXPECT_EQ(
      sink.messages[0],
      QStringLiteral("talvora_devはTalvora作者のニックネームですので、使用はご遠慮ください。"));
}

TEST(ModChk, ChannelNames) {
  for (const RuleCase &c : {RuleCase{u"#chat", true},
                            {u"&local", true},
                            {u"+x", true},
                            {u"!abc", true},
                            {u"#日本語", true},
                            {u"#", false},
                            {u"", false},
                            {u"chat", false},
                            {u"#a b", false},
                            {u"#a,b", false},
                            {u"#a:b", false}}) {
    EXPECT_EQ(IsValidChannelName(QString::fromUtf16(c.text)), c.expected)
        << QString::fromUtf16(c.text).toStdString();
  }
  RecordingSink sink;
  IsValidChannelName(QStringLiteral("#a b"), &sink);
  ASSERT_EQ(sink.messages.size(), 1);
  EXPECT_EQ(sink.titles[0], QStringLiteral("[Talvora]チャンネルの名称が不正です"));
  EXPECT_EQ(sink.messages[0].split(QStringLiteral("\r\n")).value(2),
            QStringLiteral("　　　(2)\" \"(半角スペース)を使用しないこと。"));
}

TEST(ModChk, PasswordsAndDigits) {
  expectRule(
      &IsValidPassword,
      {{u"", true}, {u"abc!~", true}, {u"a b", false}, {u"pässword", false}, {u"tab\t", false}});
  expectRule(&IsAllDigits,
             {{u"123", true}, {u"12a", false}, {u"", false}, {u"-1", false}, {u"１２", false}});
}

TEST(ModChk, Addresses) {
  expectRule(&IsValidAddress, {{u"1.2.3.4", true},
                               {u"255.255.255.255", true},
                               {u"0001.2.3.4", true},
                               {u"1.2.3", false},
                               {u"1..2.3", false},
                               {u"256.1.1.1", false},
                               {u"1.2.3.4.5", false},
                               {u"a.b.c.d", false},
                               {u"1.2.3.4 ", false},
                               {u"99999999999.1.1.1", false}});
  expectRule(&IsPrivateAddress, {{u"192.168.0.1", true},
                                 {u"10.1.2.3", true},
                                 {u"172.16.0.1", true},
                                 {u"172.31.255.255", true},
                                 {u"172.32.0.1", false},
                                 {u"192.169.0.1", false},
                                 {u"010.1.2.3", false},
                                 {u"172.15.0.1", false},
                                 {u"x10.0.0.1", true},
                                 {u"", false}});
}

}  // namespace
