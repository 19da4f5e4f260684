#pragma once
// The application messages that members of a voice session exchange besides their
// voices. One message is one platform message, delivered whole:
//
//   type    int32 little-endian
//   body    a string, an int32, or the picture fields
//
// A string is an int32 little-endian byte count followed by that many bytes of valid
// UTF-8. Pictures are: int32 format, int32 size, then `size` bytes. Every peer uses
// this layout; it must not change. Pure functions, thread-safe.
//
// Texts are capped by type so that one line cannot stall every member's window: chat
// lines, whispers and file offers at kMaxLineTextBytes, the topic at kMaxTopicBytes;
// rich lines and pictures only by the message limit.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace tv::session {

enum MessageType : std::int32_t {
  kChatLine = 0,
  kWhisper = 1,
  kTeam = 2,
  kTopic = 5,
  kColour = 6,
  kFileOffer = 7,
  kRichLine = 8,
  kPicture = 9,
};

// Picture formats and the extension a received picture is stored under.
enum PictureFormat : std::int32_t { kJpg = 0, kJpeg = 1, kBmp = 2, kWmf = 3 };

// Largest message a peer sends or accepts (the platform's limit).
inline constexpr qsizetype kMaxMessageBytes = 16 * 1024 * 1024;
// Bytes in front of a string body (type, byte count) and of picture bytes (type,
// format, size).
inline constexpr qsizetype kTextHeaderBytes = 8;
inline constexpr qsizetype kPictureHeaderBytes = 12;
// Largest text, in UTF-8 bytes, of a chat line, whisper or file offer, and of a topic.
inline constexpr qsizetype kMaxLineTextBytes = 64 * 1024;
inline constexpr qsizetype kMaxTopicBytes = 4 * 1024;
// Largest picture a message carries.
inline constexpr qsizetype kMaxPictureBytes = kMaxMessageBytes - kPictureHeaderBytes;

// The cap on the text of a message type, in UTF-8 bytes (kMaxMessageBytes for rich
// lines); 0 for types without text.
qsizetype maxTextBytes(std::int32_t type);
// Whether a text may be sent as a message of that type.
bool textFits(std::int32_t type, const QString &text);

struct SessionMessage {
  std::int32_t type = 0;
  QString text;             // chat, whisper, topic, file offer, rich line
  std::int32_t value = 0;   // team index, colour value, picture format
  QByteArray pictureBytes;  // picture
};

QByteArray encodeTextMessage(std::int32_t type, const QString &text);
QByteArray encodeValueMessage(std::int32_t type, std::int32_t value);
QByteArray encodePictureMessage(std::int32_t format, QByteArrayView bytes);

// A well-formed text message whose text is over its type's cap.
struct OverCap {
  std::int32_t type = -1;  // -1: none
  qsizetype textBytes = 0;
};

// Decodes a received message. Empty when it is shorter than its type needs, a count
// runs past the end, a text is not valid UTF-8 or over its type's cap, it exceeds
// kMaxMessageBytes, or the type is not one peers send: such messages are dropped
// without harm. A text over its cap is described in `overCap` when one is given.
std::optional<SessionMessage> decodeMessage(QByteArrayView bytes, OverCap *overCap = nullptr);

// The file extension for a picture format ("" for an unknown format), and the format
// for a file name's extension (after the last ".", any case); -1 when pictures of that
// kind are not sent.
QString pictureExtension(std::int32_t format);
std::int32_t pictureFormatForFile(const QString &fileName);

}  // namespace tv::session
