#include "session/SessionMessage.h"

#include <gtest/gtest.h>

#include <QtEndian>

using namespace tv::session;

namespace {

TEST(SessionMessage, WireLayoutIsFixed) {
  struct Case {
    QByteArray encoded, wire;
  } cases[] = {
      {encodeTextMessage(kChatLine, QStringLiteral("あ")),
       QByteArray("\0\0\0\0\3\0\0\0\xe3\x81\x82", 11)},
      {encodeTextMessage(kTopic, QString()), QByteArray("\5\0\0\0\0\0\0\0", 8)},
      {encodeValueMessage(kColour, 0x00800000), QByteArray("\6\0\0\0\0\0\x80\0", 8)},
      {encodeValueMessage(kTeam, -1), QByteArray("\2\0\0\0\xff\xff\xff\xff", 8)},
      {encodePictureMessage(kBmp, "BM"), QByteArray("\x09\0\0\0\2\0\0\0\2\0\0\0BM", 14)},
  };
  for (const Case &c : cases) EXPECT_EQ(c.encoded.toHex(), c.wire.toHex());
}

TEST(SessionMessage, RoundTrips) {
  const QString rich = QStringLiteral("{\\rtf1\\ansi\\ansicpg932 \\'82\\'a0 😀}");
  auto m = decodeMessage(encodeTextMessage(kRichLine, rich));
  ASSERT_TRUE(m);
  EXPECT_EQ(m->type, kRichLine);
  EXPECT_EQ(m->text, rich);

  m = decodeMessage(encodeValueMessage(kTeam, 3));
  ASSERT_TRUE(m);
  EXPECT_EQ(m->value, 3);

  const QByteArray picture(100000, '\x5a');
  m = decodeMessage(encodePictureMessage(kJpeg, picture));
  ASSERT_TRUE(m);
  EXPECT_EQ(m->value, kJpeg);
  EXPECT_EQ(m->pictureBytes, picture);
}

TEST(SessionMessage, MalformedMessagesAreDropped) {
  const QByteArray cases[] = {
      QByteArray(),
      QByteArray("\0\0\0", 3),                            // type cut short
      QByteArray("\0\0\0\0", 4),                          // string count missing
      QByteArray("\0\0\0\0\5\0\0\0abcd", 12),             // count past the end
      QByteArray("\0\0\0\0\xff\xff\xff\xff", 8),          // negative count
      QByteArray("\1\0\0\0\xff\xff\xff\x7f", 8),          // huge count, nothing behind it
      QByteArray("\2\0\0\0\1\0", 6),                      // team value cut short
      QByteArray("\x09\0\0\0\0\0\0\0\x10\0\0\0abc", 15),  // picture shorter than its size
      QByteArray("\x09\0\0\0\0\0\0\0", 8),                // picture without size
      QByteArray("\3\0\0\0\0\0\0\0", 8),                  // type nobody sends
      QByteArray("\x04\0\0\0", 4),
  };
  for (const QByteArray &c : cases) EXPECT_FALSE(decodeMessage(c).has_value()) << c.toHex().data();
  EXPECT_FALSE(decodeMessage(QByteArray(kMaxMessageBytes + 1, '\0')).has_value());
}

TEST(SessionMessage, TextsAreCappedByTypeAndMustBeValidUtf8) {
  struct Case {
    std::int32_t type;
    QByteArray text;  // UTF-8 as sent
    bool decodes;
    bool overCap;
  } cases[] = {
      {kChatLine, QByteArray(kMaxLineTextBytes, 'a'), true, false},
      {kChatLine, QByteArray(kMaxLineTextBytes + 1, 'a'), false, true},
      {kWhisper, QByteArray(kMaxLineTextBytes + 1, 'a'), false, true},
      {kFileOffer, QByteArray(kMaxLineTextBytes + 1, 'a'), false, true},
      {kTopic, QByteArray(kMaxTopicBytes, 'a'), true, false},
      {kTopic, QByteArray(kMaxTopicBytes + 1, 'a'), false, true},
      {kRichLine, QByteArray(kMaxLineTextBytes * 4, 'a'), true, false},
      // Invalid UTF-8 is not read with replacement characters, which would make it a
      // different and longer text; a byte order mark stays part of the text.
      {kChatLine, QByteArray("ok\xff"), false, false},
      {kChatLine, QByteArray("\xc0\xaf"), false, false},      // overlong "/"
      {kChatLine, QByteArray("\xed\xa0\x80"), false, false},  // surrogate
      {kChatLine, QByteArray("\xe3\x81"), false, false},      // cut character
      {kTopic,
       QByteArray("\xef\xbb\xbf"
                  "BOM"),
       true, false},
  };
  for (const Case &c : cases) {
    QByteArray message("\0\0\0\0\0\0\0\0", 8);
    qToLittleEndian<std::int32_t>(c.type, message.data());
    qToLittleEndian<std::int32_t>(std::int32_t(c.text.size()), message.data() + 4);
    message += c.text;
    OverCap over;
    const auto m = decodeMessage(message, &over);
    SCOPED_TRACE(testing::Message() << "type " << c.type << " bytes " << c.text.size());
    EXPECT_EQ(m.has_value(), c.decodes);
    if (m) {
      EXPECT_EQ(m->text.toUtf8(), c.text);
    }
    EXPECT_EQ(over.type, c.overCap ? c.type : -1);
    EXPECT_EQ(over.textBytes, c.overCap ? c.text.size() : 0);
    // What a sender may send is exactly what a receiver accepts.
    if (c.decodes || c.overCap) {
      EXPECT_EQ(textFits(c.type, QString::fromUtf8(c.text)), c.decodes);
    }
  }
  // Measured in UTF-8 bytes, not characters.
  EXPECT_TRUE(textFits(kTopic, QString(kMaxTopicBytes / 3, u'あ')));
  EXPECT_FALSE(textFits(kTopic, QString(kMaxTopicBytes / 3 + 1, u'あ')));
}

TEST(SessionMessage, PictureFormatsFollowTheExtension) {
  struct Case {
    const char *name;
    std::int32_t format;
    const char *extension;
  } cases[] = {{"a.JPG", kJpg, ".jpg"}, {"b.c.jpeg", kJpeg, ".jpeg"},
               {"x.Bmp", kBmp, ".bmp"}, {"w.wmf", kWmf, ".wmf"},
               {"p.png", -1, ""},       {"nodot", -1, ""},
               {"jpg", -1, ""}};
  for (const Case &c : cases) {
    EXPECT_EQ(pictureFormatForFile(QString::fromUtf8(c.name)), c.format) << c.name;
    EXPECT_EQ(pictureExtension(c.format), QString::fromUtf8(c.extension)) << c.name;
  }
  EXPECT_EQ(pictureExtension(99), QString());
}

}  // namespace
