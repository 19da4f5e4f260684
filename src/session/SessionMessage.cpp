#include "session/SessionMessage.h"

#include <QStringDecoder>
#include <QtEndian>

namespace tv::session {
namespace {

void appendInt(QByteArray &out, std::int32_t v) {
  char b[4];
  qToLittleEndian<std::int32_t>(v, b);
  out.append(b, 4);
}

// A cursor over received bytes that never reads past the end.
class Reader {
 public:
  explicit Reader(QByteArrayView bytes) : bytes_(bytes) {}

  std::optional<std::int32_t> int32() {
    if (bytes_.size() - pos_ < 4) return std::nullopt;
    const auto v = qFromLittleEndian<std::int32_t>(bytes_.data() + pos_);
    pos_ += 4;
    return v;
  }
  std::optional<QByteArrayView> block(std::int32_t count) {
    if (count < 0 || count > bytes_.size() - pos_) return std::nullopt;
    const QByteArrayView v = bytes_.sliced(pos_, count);
    pos_ += count;
    return v;
  }
  // A string of at most `cap` bytes of valid UTF-8. Over the cap, `over` receives its
  // size and nothing is decoded.
  std::optional<QString> string(qsizetype cap, qsizetype &over) {
    const auto count = int32();
    if (!count) return std::nullopt;
    const auto bytes = block(*count);
    if (!bytes) return std::nullopt;
    if (bytes->size() > cap) {
      over = bytes->size();
      return std::nullopt;
    }
    // Replacement characters would make the text another, longer one than was sent.
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                    QStringConverter::Flag::ConvertInitialBom);
    QString text = utf8(*bytes);
    if (utf8.hasError()) return std::nullopt;
    return text;
  }

 private:
  QByteArrayView bytes_;
  qsizetype pos_ = 0;
};

}  // namespace

qsizetype maxTextBytes(std::int32_t type) {
  switch (type) {
    case kChatLine:
    case kWhisper:
    case kFileOffer:
      return kMaxLineTextBytes;
    case kTopic:
      return kMaxTopicBytes;
    case kRichLine:
      return kMaxMessageBytes;
    default:
      return 0;
  }
}

bool textFits(std::int32_t type, const QString &text) {
  // A UTF-8 character takes at most three bytes per UTF-16 unit: most texts need no
  // conversion to be measured.
  const qsizetype cap = maxTextBytes(type);
  return text.size() * 3 <= cap || text.toUtf8().size() <= cap;
}

QByteArray encodeTextMessage(std::int32_t type, const QString &text) {
  const QByteArray utf8 = text.toUtf8();
  QByteArray out;
  out.reserve(8 + utf8.size());
  appendInt(out, type);
  appendInt(out, static_cast<std::int32_t>(utf8.size()));
  out += utf8;
  return out;
}

QByteArray encodeValueMessage(std::int32_t type, std::int32_t value) {
  QByteArray out;
  appendInt(out, type);
  appendInt(out, value);
  return out;
}

QByteArray encodePictureMessage(std::int32_t format, QByteArrayView bytes) {
  QByteArray out;
  out.reserve(12 + bytes.size());
  appendInt(out, kPicture);
  appendInt(out, format);
  appendInt(out, static_cast<std::int32_t>(bytes.size()));
  out.append(bytes);
  return out;
}

std::optional<SessionMessage> decodeMessage(QByteArrayView bytes, OverCap *overCap) {
  if (bytes.size() > kMaxMessageBytes) return std::nullopt;
  Reader r(bytes);
  const auto type = r.int32();
  if (!type) return std::nullopt;
  SessionMessage m;
  m.type = *type;
  if (const qsizetype cap = maxTextBytes(m.type)) {
    qsizetype over = 0;
    auto text = r.string(cap, over);
    if (over > 0 && overCap) *overCap = {m.type, over};
    if (!text) return std::nullopt;
    m.text = std::move(*text);
    return m;
  }
  if (m.type == kTeam || m.type == kColour) {
    const auto value = r.int32();
    if (!value) return std::nullopt;
    m.value = *value;
    return m;
  }
  if (m.type == kPicture) {
    const auto format = r.int32();
    const auto size = format ? r.int32() : std::nullopt;
    const auto data = size ? r.block(*size) : std::nullopt;
    if (!data) return std::nullopt;
    m.value = *format;
    m.pictureBytes = data->toByteArray();
    return m;
  }
  return std::nullopt;
}

QString pictureExtension(std::int32_t format) {
  switch (format) {
    case kJpg:
      return QStringLiteral(".jpg");
    case kJpeg:
      return QStringLiteral(".jpeg");
    case kBmp:
      return QStringLiteral(".bmp");
    case kWmf:
      return QStringLiteral(".wmf");
    default:
      return {};
  }
}

std::int32_t pictureFormatForFile(const QString &fileName) {
  const qsizetype dot = fileName.lastIndexOf(u'.');
  if (dot < 0) return -1;
  const QString ext = fileName.mid(dot + 1).toLower();
  if (ext == u"jpg") return kJpg;
  if (ext == u"jpeg") return kJpeg;
  if (ext == u"bmp") return kBmp;
  if (ext == u"wmf") return kWmf;
  return -1;
}

}  // namespace tv::session
