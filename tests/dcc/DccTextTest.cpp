// The DCC texts: conversions, command words, offered names, offer lines and the checks
// on them. One table per rule set.

#include "dcc/AddressText.h"
#include "dcc/CommandLine.h"
#include "dcc/NatChecks.h"
#include "dcc/OfferChecks.h"
#include "dcc/OfferLine.h"
#include "dcc/OfferName.h"
#include "dcc/TransferProgress.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace tv::dcc {
namespace {

inline std::string s(const QString &t) { return t.toStdString(); }
const QChar kCtcp(1);

TEST(DccText, AddressConversions) {
  struct Case {
    QString text;
    QString hex, decimalOfHex;
  } cases[] = {
      {QStringLiteral("192.168.0.1"), QStringLiteral("C0A80001"), QStringLiteral("3232235521")},
      {QStringLiteral("010.0.0.1"), QStringLiteral("0A000001"), QStringLiteral("167772161")},
      {QStringLiteral("255.255.255.255"), QStringLiteral("FFFFFFFF"), QStringLiteral("4294967295")},
      {QStringLiteral("1.2.3"), QString(), QStringLiteral("0")},
      {QStringLiteral("256.0.0.1"), QString(), QStringLiteral("0")},
      {QStringLiteral("1.2.3.4.5"), QString(), QStringLiteral("0")},
      {QStringLiteral("1..2.3"), QString(), QStringLiteral("0")},
      {QStringLiteral(" 1.2.3.4"), QStringLiteral("01020304"), QStringLiteral("16909060")},
      {QStringLiteral("99999999999999999999.0.0.1"), QString(), QStringLiteral("0")},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(s(c.text));
    EXPECT_EQ(IpToHex(c.text), c.hex);
    EXPECT_EQ(HexToDecimal(IpToHex(c.text)), c.decimalOfHex);
  }
  EXPECT_EQ(HexToDecimal(QStringLiteral("c0a80001")), QStringLiteral("3232235521"));
  EXPECT_EQ(HexToDecimal(QStringLiteral("12G")), QStringLiteral("0"));

  const QPair<QString, QString> toIp[] = {
      {QStringLiteral("3232235521"), QStringLiteral("192.168.0.1")},
      {QStringLiteral("0"), QStringLiteral("0.0.0.0")},
      {QStringLiteral("4294967295"), QStringLiteral("255.255.255.255")},
      {QStringLiteral("4294967296"), QStringLiteral("0.0.0.0")},
      {QStringLiteral("2130706433"), QStringLiteral("127.0.0.1")},
      {QStringLiteral("1x"), QStringLiteral("0.0.0.10")},
      {QStringLiteral("99999999999999999999999"), QStringLiteral("246.127.255.255")},
  };
  for (const auto &[decimal, ip] : toIp) EXPECT_EQ(DecimalToIp(decimal), ip) << s(decimal);

  EXPECT_EQ(FolderOf(QStringLiteral("/home/u/a.txt")), QStringLiteral("/home/u/"));
  EXPECT_EQ(FileNameOf(QStringLiteral("/home/u/a.txt")), QStringLiteral("a.txt"));
  EXPECT_EQ(FolderOf(QStringLiteral("a.txt")), QString());
  EXPECT_EQ(FileNameOf(QStringLiteral("a.txt")), QString());
}

TEST(DccText, CommandWords) {
  using Kind = StartCommand::Kind;
  struct Case {
    QStringList arguments;
    Kind kind;
    Mode mode;
  } cases[] = {
      {{}, Kind::Quit, Mode::Vsend},
      {{QString()}, Kind::Quit, Mode::Vsend},
      {{QStringLiteral("VSEND"), QStringLiteral("1"), QStringLiteral("bob")},
       Kind::Start,
       Mode::Vsend},
      {{QStringLiteral("isend"), QStringLiteral("2"), QStringLiteral("bob")},
       Kind::Start,
       Mode::Isend},
      {{QStringLiteral("VSEND"), QStringLiteral("1")}, Kind::BadCommand, Mode::Vsend},
      // A nickname with a blank cannot be carried: it counts as two words.
      {{QStringLiteral("VSEND"), QStringLiteral("1"), QStringLiteral("bo b")},
       Kind::BadCommand,
       Mode::Vsend},
      {{QStringLiteral("VSEND 1 bob")}, Kind::Start, Mode::Vsend},
      {{QStringLiteral("VREC"), QStringLiteral("1"), QStringLiteral("bob"), QStringLiteral("a"),
        QStringLiteral("1"), QStringLiteral("2")},
       Kind::BadCommand,
       Mode::Vrec},
      {{QStringLiteral("Irec"), QStringLiteral("1"), QStringLiteral("bob"), QStringLiteral("a"),
        QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")},
       Kind::Start,
       Mode::Irec},
      {{QStringLiteral("VREC"), QStringLiteral("1"), QStringLiteral("bob"), QStringLiteral("a b"),
        QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")},
       Kind::BadCommand,
       Mode::Vrec},
      {{QStringLiteral("--help")}, Kind::Quit, Mode::Vsend},
      {{QStringLiteral("SEND"), QStringLiteral("1"), QStringLiteral("bob")},
       Kind::Quit,
       Mode::Vsend},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(s(c.arguments.join(u'|')));
    const StartCommand command = ParseStartCommand(c.arguments);
    EXPECT_EQ(command.kind, c.kind);
    if (c.kind != Kind::Quit) {
      EXPECT_EQ(command.mode, c.mode);
    }
  }
  EXPECT_EQ(LinkHandleOf(QStringLiteral("12")), 12u);
  EXPECT_EQ(LinkHandleOf(QStringLiteral("-3")), 0u);
  EXPECT_EQ(LinkHandleOf(QStringLiteral("x")), 0u);
}

TEST(DccText, HostileNamesBecomePlainNamesInsideTheFolder) {
  const QString longStem(300, u'あ');
  const QPair<QString, QString> cases[] = {
      {QStringLiteral("a.txt"), QStringLiteral("a.txt")},
      {QStringLiteral("../../x"), QStringLiteral("x")},
      {QStringLiteral("/etc/passwd"), QStringLiteral("passwd")},
      {QStringLiteral("..\\..\\win.ini"), QStringLiteral("win.ini")},
      {QStringLiteral(".."), kFallbackName},
      {QStringLiteral("dir/"), kFallbackName},
      {QStringLiteral(".bashrc"), QStringLiteral("bashrc")},
      {QStringLiteral("-rf"), QStringLiteral("rf")},
      {QStringLiteral(".-.-x"), QStringLiteral("x")},
      {QStringLiteral(":x"), QStringLiteral(":x")},
      {QStringLiteral("a\rb\nc.txt"), QStringLiteral("abc.txt")},
      {QStringLiteral("a") + QChar(0) + QStringLiteral("b"), QStringLiteral("ab")},
      {QStringLiteral("evil\u202Etxt.exe"), QStringLiteral("eviltxt.exe")},
      {QStringLiteral("a\u2028b"), QStringLiteral("ab")},
      {QStringLiteral("a..b"), QStringLiteral("a..b")},
      {QString(300, u'x'), QString(255, u'x')},
      {longStem + QStringLiteral(".txt"), QString(83, u'あ') + QStringLiteral(".txt")},
      {QStringLiteral("a.") + QString(300, u'x'), QStringLiteral("a.") + QString(253, u'x')},
  };
  QTemporaryDir folder;
  for (const auto &[offered, expected] : cases) {
    SCOPED_TRACE(s(offered));
    const QString name = ReduceOfferedName(offered);
    EXPECT_EQ(name, expected);
    EXPECT_LE(name.toUtf8().size(), kMaxNameBytes);
    const auto path = PathInsideFolder(folder.path(), name);
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(QFileInfo(*path).absolutePath(), QDir(folder.path()).absolutePath());
    for (int attempt : {0, 1, 999}) {
      const QString part = PartFileName(name, attempt);
      EXPECT_LE(part.toUtf8().size(), kMaxNameBytes);
      EXPECT_TRUE(part.endsWith(QStringLiteral(".part")));
    }
  }
  EXPECT_FALSE(PathInsideFolder(folder.path(), QStringLiteral("..")).has_value());
  EXPECT_FALSE(PathInsideFolder(folder.path(), QStringLiteral("a/../../b")).has_value());
  EXPECT_EQ(PartFileName(QStringLiteral("a.txt"), 2), QStringLiteral("a.txt.2.part"));
}

TEST(DccText, OfferLinesAndTheHandOffForms) {
  const OfferFields fields{OfferFileWord(QStringLiteral("my file.txt")),
                           QStringLiteral("2130706433"), QStringLiteral("5000"),
                           QStringLiteral("123")};
  const QString voice = OfferLine(Mode::Vsend, QStringLiteral("bob"), fields);
  const QString irc = OfferLine(Mode::Isend, QStringLiteral("bob"), fields);
  EXPECT_EQ(voice, QStringLiteral("PRIVMSG bob DCC SEND my_file.txt 2130706433 5000 123"));
  EXPECT_EQ(irc, QStringLiteral("PRIVMSG bob :") + kCtcp +
                     QStringLiteral("DCC SEND my_file.txt 2130706433 5000 123") + kCtcp);
  EXPECT_EQ(SessionOfferText(voice), QStringLiteral("my_file.txt 2130706433 5000 123"));
  // Full-width, no-break and thin spaces are blanks too: the word must pass the checks.
  const QString wide = OfferFileWord(QStringLiteral("議事録\u3000第1回\u00A0版\u2009.txt"));
  EXPECT_EQ(wide, QStringLiteral("議事録_第1回_版_.txt"));
  EXPECT_TRUE(IsPlainWord(wide));
  EXPECT_EQ(OfferNick(irc), QStringLiteral("bob"));

  const QString tail = QStringLiteral(" 2130706433 5000 123");
  struct Case {
    QString text;
    bool voice, irc;
  } cases[] = {
      {voice, true, false},
      {irc, false, true},
      {voice + u' ', false, false},
      {QStringLiteral("PRIVMSG bob DCC SEND a.txt 2130706433 5000"), false, false},
      {QStringLiteral("PRIVMSG bob DCC SEND ../a") + tail, false, false},
      {QStringLiteral("PRIVMSG bob DCC SEND .a") + tail, false, false},
      {QStringLiteral("PRIVMSG -bob DCC SEND a") + tail, false, false},
      {QStringLiteral("NOTICE bob DCC SEND a") + tail, false, false},
      {QStringLiteral("PRIVMSG bob DCC SEND a 4294967296 5000 123"), false, false},
      {QStringLiteral("PRIVMSG bob DCC SEND a 1 0 123"), false, false},
      {QStringLiteral("PRIVMSG bob DCC SEND a 1 5000 -1"), false, false},
      {QStringLiteral("PRIVMSG bob DCC SEND a\rb") + tail, false, false},
      {voice + QStringLiteral("\r\nQUIT"), false, false},
      {irc + QStringLiteral("\r\nQUIT"), false, false},
      {irc.chopped(1), false, false},
      {QStringLiteral("PRIVMSG bob :") + kCtcp + QStringLiteral("DCC SEND a") + kCtcp + tail +
           kCtcp,
       false, false},
      {QStringLiteral("PRIVMSG bob :") + kCtcp + QStringLiteral("DCC SEND ") + QString(200, u'あ') +
           tail + kCtcp,
       false, false},  // longer than one IRC line
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(s(c.text));
    EXPECT_EQ(IsVoiceOfferLine(c.text), c.voice);
    EXPECT_EQ(IsIrcOfferLine(c.text), c.irc);
  }
}

TEST(DccText, CtcpDccSendRequests) {
  using Kind = DccSendRequest::Kind;
  struct Case {
    QString ctcp;
    Kind kind;
    QStringList fields;
  } cases[] = {
      {QStringLiteral("DCC SEND a.txt 2130706433 5000 123"),
       Kind::Offer,
       {QStringLiteral("a.txt"), QStringLiteral("2130706433"), QStringLiteral("5000"),
        QStringLiteral("123")}},
      {QStringLiteral("dcc send \"my file.txt\" 1 2 3"),
       Kind::Offer,
       {QStringLiteral("my_file.txt"), QStringLiteral("1"), QStringLiteral("2"),
        QStringLiteral("3")}},
      {QStringLiteral("DCC SEND a 1 0 3 77"),
       Kind::Offer,
       {QStringLiteral("a"), QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("3")}},
      {QStringLiteral("DCC SEND \"a b 1 2 3"), Kind::Malformed, {}},
      {QStringLiteral("DCC SEND \"a\"b 1 2 3"), Kind::Malformed, {}},
      {QStringLiteral("DCC SEND \"\" 1 2 3"), Kind::Malformed, {}},
      {QStringLiteral("DCC SEND a 1 2"), Kind::Malformed, {}},
      {QStringLiteral("DCC SEND"), Kind::Malformed, {}},
      {QStringLiteral("DCC CHAT chat 1 2"), Kind::NotDccSend, {}},
      {QStringLiteral("VERSION"), Kind::NotDccSend, {}},
      {QString(), Kind::NotDccSend, {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(s(c.ctcp));
    const DccSendRequest request = ParseDccSendRequest(c.ctcp);
    EXPECT_EQ(request.kind, c.kind);
    EXPECT_EQ(request.fields, c.fields);
  }
}

TEST(DccText, ReceiveOffersAreJudgedBeforeConnecting) {
  const QString badAddress = QStringLiteral("送信元のアドレスが正しくありません。");
  const QString badPort = QStringLiteral("送信元のポート番号が正しくありません。");
  const QString badSize = QStringLiteral("ファイルサイズが正しくありません。");
  struct Case {
    QString address, port, size, refusal;
  } cases[] = {
      {QStringLiteral("2130706433"), QStringLiteral("5000"), QStringLiteral("0"), QString()},
      {QStringLiteral("3232235521"), QStringLiteral("65535"), QStringLiteral("9223372036854775807"),
       QString()},
      {QStringLiteral("0"), QStringLiteral("5000"), QStringLiteral("1"), badAddress},
      {QStringLiteral("16777215"), QStringLiteral("5000"), QStringLiteral("1"), badAddress},
      {QStringLiteral("3758096384"), QStringLiteral("5000"), QStringLiteral("1"), badAddress},
      {QStringLiteral("4026531840"), QStringLiteral("5000"), QStringLiteral("1"), badAddress},
      {QStringLiteral("4294967295"), QStringLiteral("5000"), QStringLiteral("1"), badAddress},
      {QStringLiteral("4294967296"), QStringLiteral("5000"), QStringLiteral("1"), badAddress},
      {QStringLiteral("12a"), QStringLiteral("5000"), QStringLiteral("1"), badAddress},
      {QStringLiteral("2130706433"), QStringLiteral("0"), QStringLiteral("1"), badPort},
      {QStringLiteral("2130706433"), QStringLiteral("65536"), QStringLiteral("1"), badPort},
      {QStringLiteral("2130706433"), QStringLiteral("80x"), QStringLiteral("1"), badPort},
      {QStringLiteral("2130706433"), QStringLiteral("5000"), QStringLiteral("abc"), badSize},
      {QStringLiteral("2130706433"), QStringLiteral("5000"), QStringLiteral("-1"), badSize},
      {QStringLiteral("2130706433"), QStringLiteral("5000"), QStringLiteral("9223372036854775808"),
       badSize},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(s(c.address + u' ' + c.port + u' ' + c.size));
    ReceiveTarget target;
    EXPECT_EQ(CheckReceiveOffer(c.address, c.port, c.size, target), c.refusal);
  }
  ReceiveTarget target;
  ASSERT_TRUE(CheckReceiveOffer(QStringLiteral("2130706433"), QStringLiteral("5000"),
                                QStringLiteral("150"), target)
                  .isEmpty());
  EXPECT_EQ(target.address, 0x7F000001u);
  EXPECT_EQ(target.port, 5000);
  EXPECT_EQ(target.size, 150);
  // Complete means every byte: 149 of 150 is still 99 %.
  EXPECT_EQ(ProgressPercent(149, 150), 99);
  EXPECT_EQ(ProgressPercent(150, 150), 100);
  EXPECT_EQ(ProgressPercent(0, 150), -1);
  EXPECT_EQ(ProgressPercent(std::numeric_limits<qint64>::max(), std::numeric_limits<qint64>::max()),
            100);
}

TEST(DccText, RouterSettings) {
  const QPair<QString, QString> addresses[] = {
      {QString(), QStringLiteral("ルータのインターネット側のIPアドレスを指定してください。")},
      {QStringLiteral("192.168.1"),
       QStringLiteral("ルータのインターネット側のIPアドレスが不正です。")},
      {QStringLiteral("1.2.3.4 "),
       QStringLiteral("ルータのインターネット側のIPアドレスが不正です。")},
      {QStringLiteral("010.0.0.1"), QString()},
  };
  for (const auto &[text, error] : addresses) EXPECT_EQ(CheckNatAddress(text), error) << s(text);
  struct Case {
    QString text, error;
    quint16 port;
  } ports[] = {
      {QString(), QStringLiteral("ルータの未使用ポートを指定してください。"), 0},
      {QStringLiteral("abc"), QStringLiteral("ルータの未使用ポート番号は数値を指定してください。"),
       0},
      {QStringLiteral("inf"), QStringLiteral("ルータの未使用ポート番号は数値を指定してください。"),
       0},
      {QStringLiteral("0"), QStringLiteral("ルータの未使用ポート番号は0以下の指定はできません。"),
       0},
      {QStringLiteral("-5"), QStringLiteral("ルータの未使用ポート番号は0以下の指定はできません。"),
       0},
      {QStringLiteral("65536"),
       QStringLiteral("ルータの未使用ポート番号は65536以上の指定はできません。"), 0},
      {QStringLiteral("8000.5"),
       QStringLiteral("ルータの未使用ポート番号は整数で指定してください。"), 0},
      {QStringLiteral(" 8000 "), QString(), 8000},
      {QStringLiteral("8e3"), QString(), 8000},
  };
  for (const Case &c : ports) {
    quint16 port = 0;
    EXPECT_EQ(CheckNatPort(c.text, port), c.error) << s(c.text);
    EXPECT_EQ(port, c.port) << s(c.text);
  }
}

}  // namespace
}  // namespace tv::dcc
