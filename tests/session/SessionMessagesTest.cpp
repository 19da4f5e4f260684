// Application messages between members: every type in both directions, malformed ones,
// whispers, the topic a newcomer hears, team groups on the host, and the two receivers
// that touch the system: the picture store and the TvDcc start.
#include "common/TestSupport.h"
#include "session/SessionMessage.h"
#include "session/SessionTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QSignalSpy>

namespace tv::session::test {
namespace {

using namespace tv::peer;

TEST(SessionMessages, EveryTypeIsSentAndHandledInBothDirections) {
  TestSession s(1);
  for (const auto &[from, to] : {std::pair{0, 1}, std::pair{1, 0}}) {
    SCOPED_TRACE(from == 0 ? "host to member" : "member to host");
    Pc &a = s[from];
    Pc &b = s[to];
    const quint32 sender = s.id(from);
    const QString name = from == 0 ? QStringLiteral("host") : QStringLiteral("m1");
    const qsizetype chatBefore = b.window.chat.size();
    QSignalSpy pictures(&b.engine, &SessionEngine::pictureStored);
    const QByteArray picture("\xff\xd8\xff\xe0 picture", 12);

    a.engine.SendSessionMessage(kChatLine, true, true, QStringLiteral("こんにちは"), 0, 0);
    a.engine.SendSessionMessage(kRichLine, true, true, QStringLiteral("{\\rtf1 x}"), 0, 0);
    a.engine.SendSessionMessage(kWhisper, true, false, QStringLiteral("内緒"), 0, s.id(to));
    a.engine.SendSessionMessage(kTopic, true, true, QStringLiteral("今日の話題"), 0, 0);
    a.engine.SendSessionMessage(kColour, false, true, {}, 0x00008000, 0);
    a.engine.SendSessionMessage(kTeam, false, true, {}, 3, 0);
    a.engine.SendSessionMessage(kFileOffer, true, false,
                                QStringLiteral("写真_1.jpg 3232235521 4000 1024"), 0, s.id(to));
    a.engine.SendSessionMessage(encodePictureMessage(kJpg, picture), 0);
    ASSERT_TRUE(flush(a, b));

    const QList<RecordingWindow::ChatLine> chat = b.window.chat.mid(chatBefore);
    ASSERT_EQ(chat.size(), 7);
    EXPECT_EQ(chat[0].text, QStringLiteral("こんにちは"));
    EXPECT_EQ(chat[0].sender, sender);
    EXPECT_FALSE(chat[0].rtf);
    EXPECT_EQ(chat[1].text, QStringLiteral("{\\rtf1 x}"));
    EXPECT_EQ(chat[1].sender, sender);
    EXPECT_TRUE(chat[1].rtf);
    EXPECT_EQ(chat[2].text, u'<' + name + QStringLiteral("さんから密談>内緒"));
    EXPECT_EQ(chat[2].sender, 0u);
    EXPECT_EQ(b.window.chatTexts(chatBefore).mid(3, 3),
              QStringList({QStringLiteral("TOPICが設定されました。"),
                           QStringLiteral("　<新TOPIC> 今日の話題"),
                           QStringLiteral("　<設定者 > ") + name}));
    EXPECT_EQ(b.window.topic, QStringLiteral("今日の話題"));
    EXPECT_EQ(b.window.rows.value(sender).colour, 0x00008000u);
    EXPECT_EQ(b.window.rows.value(sender).team, 3);
    ASSERT_EQ(b.dccStarts.size(), 1);
    EXPECT_EQ(b.dccStarts.takeFirst(),
              QStringList({b.folder.filePath(QStringLiteral("TvDcc")), QStringLiteral("VREC"),
                           QStringLiteral("1"), name, QStringLiteral("写真_1.jpg"),
                           QStringLiteral("3232235521"), QStringLiteral("4000"),
                           QStringLiteral("1024")}));
    const QString stored = b.folder.filePath(QStringLiteral("IMG/00000000.jpg"));
    EXPECT_EQ(tv::test::readBytes(stored), picture);
    ASSERT_EQ(pictures.size(), 1);
    EXPECT_EQ(pictures[0][0].toString(), stored);
    // The sender never hears its own messages.
    EXPECT_TRUE(a.dccStarts.isEmpty());
    for (const RecordingWindow::ChatLine &line : a.window.chat) EXPECT_NE(line.sender, sender);
  }
  // The team message moved the member into Team3 on the host only.
  EXPECT_TRUE(inGroup(s[0], s[0].engine.TeamGroupId(3), s.id(1)));
}

TEST(SessionMessages, MalformedMessagesAreDroppedWithoutHarm) {
  TestSession s(1);
  Pc &host = s[0];
  Pc &member = s[1];
  const QByteArray cases[] = {
      QByteArray("\0\0", 2),                              // type cut short
      QByteArray("\0\0\0\0\x09\0\0\0abc", 11),            // string count past the end
      QByteArray("\3\0\0\0\0\0\0\0", 8),                  // a type nobody sends
      encodeValueMessage(kTeam, 5),                       // no such team
      encodeValueMessage(kTeam, -1),                      //
      encodeValueMessage(kColour, 0x01000000),            // not a 24-bit colour
      QByteArray("\x09\0\0\0\0\0\0\0\x10\0\0\0abc", 15),  // picture shorter than its size
      encodeTextMessage(kFileOffer, QStringLiteral("../../.bashrc 1 2 3")),  // fails the checks
  };
  const auto rows = member.window.rows;
  const qsizetype info = member.window.info.size();
  for (const QByteArray &c : cases) host.engine.SendSessionMessage(c, 0);
  ASSERT_TRUE(flush(host, member));
  EXPECT_EQ(member.window.rows.keys(), rows.keys());
  for (const quint32 id : rows.keys()) {
    EXPECT_EQ(member.window.rows.value(id).team, 0);
    EXPECT_EQ(member.window.rows.value(id).colour, rows.value(id).colour);
  }
  EXPECT_TRUE(member.dccStarts.isEmpty());
  EXPECT_FALSE(QDir(member.folder.filePath(QStringLiteral("IMG"))).exists());
  // Only the refused offer is reported.
  EXPECT_EQ(member.window.infoLines(info),
            QStringList({QStringLiteral("ERR|ファイル受信の開始に失敗しました。"),
                         QStringLiteral("ERR|　　<エラーの説明　> "
                                        "受信したファイル送信の申し出が正しい形式ではありません。"),
                         QStringLiteral("ERR|　　<エラー後の処理> ファイル受信を中止しました。")}));
}

TEST(SessionMessages, TextsOverTheirCapAreDroppedAndReportedOnceAMinutePerSender) {
  TestSession s(2);
  Pc &host = s[0];
  const QString tooLong(kMaxLineTextBytes + 1, u'x');
  const auto sendAll = [&] {
    for (const size_t from : {1, 2}) {
      s[from].engine.SendSessionMessage(kChatLine, true, true, tooLong, 0, 0);
      s[from].engine.SendSessionMessage(kWhisper, true, false, tooLong, 0, s.id(0));
      s[from].engine.SendSessionMessage(kTopic, true, true, QString(kMaxTopicBytes + 1, u't'), 0,
                                        0);
      ASSERT_TRUE(flush(s[from], host));
    }
  };
  const auto reports = [&] {
    return host.window.infoLines().count(
        QStringLiteral("ERR|長すぎるメッセージを受信したので破棄しました。"));
  };
  const qsizetype chat = host.window.chat.size();
  sendAll();
  // Nothing shown but the two markers; one report for each sender.
  EXPECT_EQ(host.window.chat.size(), chat + 2);
  EXPECT_TRUE(host.window.topic.isEmpty());
  ASSERT_EQ(reports(), 2);
  const QStringList info = host.window.infoLines();
  const qsizetype at =
      info.indexOf(QStringLiteral("ERR|長すぎるメッセージを受信したので破棄しました。"));
  EXPECT_EQ(
      info.mid(at + 1, 3),
      QStringList(
          {QStringLiteral("ERR|　　<送信者　　　　> m1"),
           QStringLiteral("ERR|　　<エラーの説明　> 発言は64KBまでですが、65537バイトありました。"),
           QStringLiteral("ERR|　　<エラー後の処理> "
                          "この人からの長すぎるメッセージは1分間報告しません。")}));
  host.steadyMs += 59'999;
  sendAll();
  EXPECT_EQ(reports(), 2);
  host.steadyMs += 1;
  sendAll();
  EXPECT_EQ(reports(), 4);
}

TEST(SessionMessages, AWhisperReachesOnlyItsTarget) {
  TestSession s(2);
  s[0].engine.SendSessionMessage(kWhisper, true, false, QStringLiteral("秘密"), 0, s.id(2));
  ASSERT_TRUE(flush(s[0], s[1]));
  ASSERT_TRUE(flush(s[0], s[2]));
  EXPECT_TRUE(s[2].window.hasChat(QStringLiteral("<hostさんから密談>秘密")));
  EXPECT_FALSE(s[1].window.hasChat(QStringLiteral("<hostさんから密談>秘密")));
}

TEST(SessionMessages, ANewcomerHearsTheTopicFromEveryMemberWhoHasOne) {
  TestSession s(1);
  s[0].window.topic = s[1].window.topic = QStringLiteral("話題");
  Pc newcomer(s.network);
  ASSERT_TRUE(newcomer.join(QStringLiteral("m2")));
  ASSERT_TRUE(waitUntil([&] {
    return newcomer.window.chatTexts().count(QStringLiteral("TOPICが設定されました。")) == 2;
  }));
  EXPECT_TRUE(newcomer.window.hasChat(QStringLiteral("　<設定者 > host")));
  EXPECT_TRUE(newcomer.window.hasChat(QStringLiteral("　<設定者 > m1")));
  EXPECT_EQ(newcomer.window.topic, QStringLiteral("話題"));
}

TEST(SessionMessages, TeamMessagesMoveGroupsOnlyOnTheHost) {
  TestSession s(2);
  const quint32 m1 = s.id(1);
  s[1].engine.SendSessionMessage(kTeam, false, true, {}, 2, 0);
  ASSERT_TRUE(flush(s[1], s[0]));
  ASSERT_TRUE(flush(s[1], s[2]));
  EXPECT_EQ(s[0].window.rows.value(m1).team, 2);
  EXPECT_EQ(s[2].window.rows.value(m1).team, 2);
  EXPECT_TRUE(inGroup(s[0], s[0].engine.TeamGroupId(2), m1));

  s[1].engine.SendSessionMessage(kTeam, false, true, {}, 4, 0);
  ASSERT_TRUE(flush(s[1], s[0]));
  EXPECT_TRUE(waitUntil([&] { return notInGroup(s[0], s[0].engine.TeamGroupId(2), m1); }));
  EXPECT_TRUE(inGroup(s[0], s[0].engine.TeamGroupId(4), m1));

  s[1].engine.SendSessionMessage(kTeam, false, true, {}, 0, 0);
  ASSERT_TRUE(flush(s[1], s[0]));
  EXPECT_EQ(s[0].window.rows.value(m1).team, 0);
  for (int team = 1; team <= 4; ++team)
    EXPECT_TRUE(waitUntil([&] { return notInGroup(s[0], s[0].engine.TeamGroupId(team), m1); }));
}

TEST(PictureStore, PicturesTakeTheFirstFreeEightDigitName) {
  QTemporaryDir folder;
  const PictureStore store(folder.path());
  const QDir img(folder.filePath(QStringLiteral("IMG")));
  // The first number whose file with that extension does not exist yet.
  struct Case {
    std::int32_t format;
    QByteArray bytes;
    QString name;
  } cases[] = {
      {kJpg, "first", QStringLiteral("00000000.jpg")},
      {kJpg, "second", QStringLiteral("00000001.jpg")},
      {kJpg, "third", QStringLiteral("00000003.jpg")},  // 00000002.jpg is taken below
      {kBmp, "BM", QStringLiteral("00000000.bmp")},
      {kWmf, "", QStringLiteral("00000000.wmf")},
      {77, "unknown", QStringLiteral("00000000")},
  };
  for (const Case &c : cases) {
    if (c.bytes == "third") tv::test::writeBytes(img.filePath(QStringLiteral("00000002.jpg")), "x");
    const PictureStore::Stored stored = store.Store(c.format, c.bytes);
    ASSERT_TRUE(stored.ok()) << stored.error.toStdString();
    EXPECT_EQ(stored.path, img.filePath(c.name));
    EXPECT_EQ(tv::test::readBytes(stored.path), c.bytes);
  }
  // No temporary file is left behind; a freed number is used again.
  EXPECT_EQ(img.entryList(QDir::Files | QDir::Hidden).size(), 7);
  QFile::remove(img.filePath(QStringLiteral("00000001.jpg")));
  EXPECT_EQ(store.NewPictureFileName(0, QStringLiteral(".jpg")),
            img.filePath(QStringLiteral("00000001.jpg")));
}

TEST(PictureStore, TooLargeOrUnwritablePicturesLeaveNoFile) {
  QTemporaryDir folder;
  const QDir img(folder.filePath(QStringLiteral("IMG")));
  // The default cap is exactly what one message can carry.
  EXPECT_EQ(encodePictureMessage(kJpg, QByteArray(PictureStore::kMaxPictureBytes, 'x')).size(),
            kMaxMessageBytes);
  const PictureStore small(folder.path(), 8);
  EXPECT_TRUE(small.Store(kJpg, "12345678").ok());
  const PictureStore::Stored big = small.Store(kJpg, "123456789");
  EXPECT_FALSE(big.ok());
  EXPECT_EQ(big.error, QStringLiteral("画像が大きすぎます。(上限8バイト)"));
  EXPECT_EQ(img.entryList(QDir::Files | QDir::Hidden).size(), 1);

  QTemporaryDir blocked;
  tv::test::writeBytes(blocked.filePath(QStringLiteral("IMG")), "a file, not a folder");
  const PictureStore::Stored refused = PictureStore(blocked.path()).Store(kJpg, "data");
  EXPECT_EQ(refused.error, QStringLiteral("画像フォルダ(IMG)を作成できませんでした。"));
  EXPECT_EQ(QDir(blocked.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST(SessionMessages, APictureThatCannotBeStoredIsReported) {
  TestSession s(1);
  tv::test::writeBytes(s[1].folder.filePath(QStringLiteral("IMG")), "x");
  const qsizetype info = s[1].window.info.size();
  s[0].engine.SendSessionMessage(encodePictureMessage(kJpg, "jpeg"), 0);
  ASSERT_TRUE(flush(s[0], s[1]));
  EXPECT_EQ(s[1].window.infoLines(info),
            QStringList({QStringLiteral("ERR|画像の受信に失敗しました。"),
                         QStringLiteral(
                             "ERR|　　<エラーの説明　> 画像フォルダ(IMG)を作成できませんでした。"),
                         QStringLiteral("ERR|　　<エラー後の処理> 画像は保存しませんでした。")}));
}

TEST(TvDccLauncher, OnlyCheckedArgumentsReachTheProgram) {
  struct Case {
    QString name, offer;
    bool starts;
  } cases[] = {
      {QStringLiteral("bob"), QStringLiteral("file_a.txt 3232235521 4000 1024"), true},
      {QStringLiteral("ぼぶ"), QStringLiteral("写真.jpg 0 65535 0"), true},
      {QStringLiteral("bob"), QStringLiteral("a.txt 4294967295 1 9223372036854775807"), true},
      {QStringLiteral("bo b"), QStringLiteral("a.txt 1 2 3"), false},
      {QStringLiteral("bo\u3000b"), QStringLiteral("a.txt 1 2 3"), false},
      {QStringLiteral("-x"), QStringLiteral("a.txt 1 2 3"), false},
      {QStringLiteral("b\nob"), QStringLiteral("a.txt 1 2 3"), false},
      {QString(), QStringLiteral("a.txt 1 2 3"), false},
      {QStringLiteral("bob"), QStringLiteral("a.txt 1 2"), false},
      {QStringLiteral("bob"), QStringLiteral("a.txt 1 2 3 4"), false},
      {QStringLiteral("bob"), QStringLiteral("a.txt  1 2 3"), false},
      {QStringLiteral("bob"), QStringLiteral("../x 1 2 3"), false},
      {QStringLiteral("bob"), QStringLiteral("a/b 1 2 3"), false},
      {QStringLiteral("bob"), QStringLiteral("a\\b 1 2 3"), false},
      {QStringLiteral("bob"), QStringLiteral(".hidden 1 2 3"), false},
      {QStringLiteral("bob"), QStringLiteral("-rf 1 2 3"), false},
      {QStringLiteral("bob"), QStringLiteral("a..b 1 2 3"), true},
      {QStringLiteral("bob"), QStringLiteral("a.txt 4294967296 2 3"), false},
      {QStringLiteral("bob"), QStringLiteral("a.txt 12a 2 3"), false},
      {QStringLiteral("bob"), QStringLiteral("a.txt 1 0 3"), false},
      {QStringLiteral("bob"), QStringLiteral("a.txt 1 65536 3"), false},
      {QStringLiteral("bob"), QStringLiteral("a.txt 1 +2 3"), false},
      {QStringLiteral("bob"), QStringLiteral("a.txt 1 2 -1"), false},
      {QStringLiteral("bob"), QStringLiteral("a.txt 1 2 9223372036854775808"), false},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE((c.name + u'|' + c.offer).toStdString());
    QList<QStringList> started;
    TvDccLauncher dcc(QStringLiteral("/opt/tv/TvDcc"),
                      [&](const QString &program, const QStringList &arguments) {
                        started.append(QStringList{program} + arguments);
                        return true;
                      });
    const QString why = dcc.StartReceiver(c.name, c.offer);
    EXPECT_EQ(why.isEmpty(), c.starts) << why.toStdString();
    ASSERT_EQ(started.size(), c.starts ? 1 : 0);
    if (c.starts) {
      EXPECT_EQ(started[0], QStringList({QStringLiteral("/opt/tv/TvDcc"), QStringLiteral("VREC"),
                                         QStringLiteral("1"), c.name}) +
                                c.offer.split(u' '));
    }
  }
}

TEST(SessionMessages, AnOfferWhoseProgramCannotStartIsReported) {
  TestSession s(1);
  s[1].dccStartSucceeds = false;
  const qsizetype info = s[1].window.info.size();
  s[0].engine.SendSessionMessage(kFileOffer, true, false, QStringLiteral("a.txt 1 2 3"), 0,
                                 s.id(1));
  ASSERT_TRUE(flush(s[0], s[1]));
  EXPECT_EQ(s[1].window.infoLines(info),
            QStringList({QStringLiteral("ERR|ファイル受信の開始に失敗しました。"),
                         QStringLiteral("ERR|　　<エラーの説明　> TvDccを起動できませんでした。(") +
                             s[1].folder.filePath(QStringLiteral("TvDcc")) + u')',
                         QStringLiteral("ERR|　　<エラー後の処理> ファイル受信を中止しました。")}));
}

}  // namespace
}  // namespace tv::session::test
