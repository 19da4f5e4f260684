#include "platform/peer/PeerWire.h"

#include <QStringDecoder>
#include <QtEndian>

#include <cstring>
#include <type_traits>

namespace tv::peer::wire {

namespace {

constexpr quint8 kMagic[4] = {0xFF, 0x00, 'T', 'V'};
constexpr quint8 kDatagramQuery = 1;
constexpr quint8 kDatagramAnswer = 2;
constexpr quint32 kKnownSessionFlags = kSessionMigrateHost | kSessionRequirePassword;

// Field lists of the compound values inside frames.
template <class F>
void visitFields(Endpoint &e, F &f) {
  f(e.ipv4), f(e.port);
}
template <class F>
void visitFields(ApplicationDesc &d, F &f) {
  f(d.flags), f(d.instanceGuid), f(d.applicationGuid), f(d.maxPlayers), f(d.currentPlayers),
      f(d.sessionName);
}
template <class F>
void visitFields(VoiceSessionDesc &d, F &f) {
  f(d.flags), f(d.sessionType), f(d.compressionGuid), f(d.bufferQuality), f(d.bufferAggressiveness);
}
template <class F>
void visitFields(MemberRecord &m, F &f) {
  f(m.id), f(m.joinOrder), f(m.name), f(m.endpoint);
}
template <class F>
void visitFields(GroupRecord &g, F &f) {
  f(g.id), f(g.ownerId), f(g.name), f(g.members);
}
template <class F>
void visitFields(Snapshot &s, F &f) {
  f(s.desc), f(s.hostId), f(s.maxId), f(s.members), f(s.groups), f(s.voiceActive), f(s.voiceDesc),
      f(s.voiceMembers);
}

template <class T>
concept Compound = requires(T &t, int &f) {
  visitFields(t, f);
};

// Smallest encoding of one list element, to bound a count before anything is built.
template <class T>
constexpr qsizetype minWireSize() {
  if constexpr (std::is_same_v<T, quint32>) return 4;
  if constexpr (std::is_same_v<T, MemberRecord>) return 4 + 4 + 2 + 4 + 2;
  if constexpr (std::is_same_v<T, GroupRecord>) return 4 + 4 + 2 + 4;
}

class Writer {
 public:
  explicit Writer(QByteArray &out) : out_(out) {}

  void operator()(bool v) { (*this)(quint8(v ? 1 : 0)); }
  void operator()(quint8 v) { out_.append(char(v)); }
  void operator()(quint16 v) { putLe(v); }
  void operator()(quint32 v) { putLe(v); }
  void operator()(qint32 v) { putLe(quint32(v)); }
  void operator()(quint64 v) { putLe(v); }
  void operator()(const QUuid &v) { out_.append(v.toRfc4122()); }
  void operator()(const QString &v) {
    QByteArray utf8 = v.toUtf8();
    // Callers check lengths; cutting here only keeps the frame decodable, and never
    // inside a character, which would make it undecodable.
    if (utf8.size() > kMaxNameBytes) {
      qsizetype cut = kMaxNameBytes;
      while (cut > 0 && (quint8(utf8[cut]) & 0xC0) == 0x80) --cut;
      utf8.truncate(cut);
    }
    (*this)(quint16(utf8.size()));
    out_.append(utf8);
  }
  void operator()(const Payload &v) { out_.append(v.bytes); }
  template <class T>
  void operator()(const QList<T> &list) {
    (*this)(quint32(list.size()));
    for (const T &t : list) (*this)(t);
  }
  template <Compound T>
  void operator()(const T &v) {
    visitFields(const_cast<T &>(v), *this);
  }

 private:
  template <class T>
  void putLe(T v) {
    char bytes[sizeof(T)];
    qToLittleEndian(v, bytes);
    out_.append(bytes, sizeof(T));
  }
  QByteArray &out_;
};

class Reader {
 public:
  Reader(const char *data, qsizetype size) : p_(data), end_(data + size) {}

  bool ok() const { return ok_; }
  bool atEnd() const { return p_ == end_; }
  qsizetype remaining() const { return end_ - p_; }

  void operator()(bool &v) {
    quint8 b = 0;
    (*this)(b);
    if (b > 1) fail();
    v = b == 1;
  }
  void operator()(quint8 &v) { getLe(v); }
  void operator()(quint16 &v) { getLe(v); }
  void operator()(quint32 &v) { getLe(v); }
  void operator()(qint32 &v) {
    quint32 u = 0;
    getLe(u);
    v = qint32(u);
  }
  void operator()(quint64 &v) { getLe(v); }
  void operator()(QUuid &v) {
    if (!take(16)) return;
    v = QUuid::fromRfc4122(QByteArrayView(p_ - 16, 16));
  }
  void operator()(QString &v) {
    quint16 n = 0;
    (*this)(n);
    if (!ok_ || n > kMaxNameBytes || !take(n)) return fail();
    // Strictly valid UTF-8 only: replacement characters would turn the text into
    // another one, which a host relaying it would then pass on in place of the original.
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                    QStringConverter::Flag::ConvertInitialBom);
    v = utf8(QByteArrayView(p_ - n, n));
    if (utf8.hasError()) fail();
  }
  void operator()(Payload &v) {
    const qsizetype n = remaining();
    if (!ok_ || n > kMaxMessageBytes) return fail();
    v.bytes = QByteArray(p_, n);
    p_ = end_;
  }
  template <class T>
  void operator()(QList<T> &list) {
    quint32 n = 0;
    (*this)(n);
    if (!ok_ || n > kMaxListCount || qsizetype(n) * minWireSize<T>() > remaining()) return fail();
    list.clear();
    list.reserve(n);
    for (quint32 i = 0; i < n && ok_; ++i) {
      T t{};
      (*this)(t);
      list.append(std::move(t));
    }
  }
  void operator()(ApplicationDesc &d) {
    visitFields(d, *this);
    if ((d.flags & ~kKnownSessionFlags) != 0 || d.maxPlayers > kMaxPlayersLimit) fail();
  }
  template <Compound T>
  void operator()(T &v) {
    visitFields(v, *this);
  }

  void fail() { ok_ = false; }

 private:
  bool take(qsizetype n) {
    if (!ok_ || n > remaining()) {
      ok_ = false;
      return false;
    }
    p_ += n;
    return true;
  }
  template <class T>
  void getLe(T &v) {
    if (!take(sizeof(T))) return;
    v = qFromLittleEndian<T>(p_ - sizeof(T));
  }

  const char *p_;
  const char *end_;
  bool ok_ = true;
};

template <class T>
std::optional<Frame> decodeAs(Reader &r, QByteArrayView bytes) {
  if constexpr (std::is_same_v<T, VoiceFrame>) {
    const std::optional<VoiceFrameView> v = decodeVoiceFrame(bytes);
    if (!v) return std::nullopt;
    return Frame(VoiceFrame{quint8(kVoiceVersion << 4 | v->flags),
                            v->sequence,
                            v->timestamp,
                            {QByteArray(v->opus, v->opusSize)}});
  }
  T frame{};
  T::fields(frame, r);
  if (!r.ok() || !r.atEnd()) return std::nullopt;
  if constexpr (requires { frame.valid(); })
    if (!frame.valid()) return std::nullopt;
  return Frame(std::move(frame));
}

}  // namespace

QByteArray encode(const Frame &frame) {
  QByteArray out;
  std::visit(
      [&out](const auto &f) {
        using T = std::decay_t<decltype(f)>;
        if constexpr (!std::is_same_v<T, std::monostate>) {
          Writer w(out);
          if constexpr (std::is_same_v<T, VoiceFrame>) {
            out.resize(kMaxVoiceFrameBytes);
            out.resize(encodeVoiceFrame(f.flags(), f.sequence, f.timestamp,
                                        f.opus.bytes.constData(), f.opus.bytes.size(), out.data()));
            return;
          }
          if constexpr (std::is_same_v<T, AppMessage> || std::is_same_v<T, AppDatagram>)
            out.reserve(1 + f.payload.bytes.size());
          w(quint8(kindOf(f)));
          T::fields(f, w);
        }
      },
      frame);
  return out;
}

std::optional<Frame> decode(QByteArrayView bytes) {
  if (bytes.isEmpty() || bytes.size() > kMaxFrameBytes) return std::nullopt;
  Reader r(bytes.data() + 1, bytes.size() - 1);
  switch (Kind(quint8(bytes[0]))) {
#define TV_PEER_DECODE(name, value) \
  case Kind::name:                  \
    return decodeAs<name>(r, bytes);
    TV_PEER_FRAMES(TV_PEER_DECODE)
#undef TV_PEER_DECODE
  }
  return std::nullopt;
}

Kind kindOf(const Frame &frame) {
  // The alternatives are listed in kind order, starting at 1.
  return Kind(quint8(frame.index() + 1));
}

const char *kindName(Kind kind) {
  switch (kind) {
#define TV_PEER_NAME(name, value) \
  case Kind::name:                \
    return #name;
    TV_PEER_FRAMES(TV_PEER_NAME)
#undef TV_PEER_NAME
  }
  return "?";
}

std::optional<VoiceFrameView> decodeVoiceFrame(QByteArrayView bytes) {
  constexpr qsizetype kHead = 1 + kVoiceHeaderBytes;
  if (bytes.size() <= kHead || bytes.size() > kMaxVoiceFrameBytes ||
      quint8(bytes[0]) != quint8(Kind::VoiceFrame) || quint8(bytes[1]) >> 4 != kVoiceVersion)
    return std::nullopt;
  const char *p = bytes.data();
  VoiceFrameView v;
  v.flags = quint8(p[1]) & 0x0F;
  v.sequence = qFromLittleEndian<quint16>(p + 2);
  v.timestamp = qFromLittleEndian<quint32>(p + 4);
  v.opus = p + kHead;
  v.opusSize = bytes.size() - kHead;
  return v;
}

qsizetype encodeVoiceFrame(quint8 flags, quint16 sequence, quint32 timestamp, const char *opus,
                           qsizetype opusSize, char *out) {
  if (opusSize < 1 || opusSize > kMaxOpusPacketBytes || flags > 0x0F) return 0;
  out[0] = char(Kind::VoiceFrame);
  out[1] = char(kVoiceVersion << 4 | flags);
  qToLittleEndian(sequence, out + 2);
  qToLittleEndian(timestamp, out + 4);
  std::memcpy(out + 1 + kVoiceHeaderBytes, opus, size_t(opusSize));
  return 1 + kVoiceHeaderBytes + opusSize;
}

QByteArray encodeDatagram(const Datagram &datagram) {
  QByteArray out(reinterpret_cast<const char *>(kMagic), sizeof kMagic);
  Writer w(out);
  if (const auto *q = std::get_if<EnumQuery>(&datagram)) {
    w(kDatagramQuery), w(q->version), w(q->applicationGuid), w(q->handle), w(q->timestamp);
  } else {
    const auto &a = std::get<EnumAnswer>(datagram);
    w(kDatagramAnswer), w(a.handle), w(a.timestamp), w(a.desc);
  }
  return out;
}

std::optional<Datagram> decodeDatagram(QByteArrayView bytes) {
  if (bytes.size() > kMaxDatagramBytes || !isDatagram(bytes.data(), size_t(bytes.size())))
    return std::nullopt;
  Reader r(bytes.data() + sizeof kMagic, bytes.size() - qsizetype(sizeof kMagic));
  quint8 kind = 0;
  r(kind);
  Datagram out;
  if (kind == kDatagramQuery) {
    EnumQuery q;
    r(q.version), r(q.applicationGuid), r(q.handle), r(q.timestamp);
    out = q;
  } else if (kind == kDatagramAnswer) {
    EnumAnswer a;
    r(a.handle), r(a.timestamp), r(a.desc);
    a.desc.password.clear();
    out = a;
  } else {
    return std::nullopt;
  }
  if (!r.ok() || !r.atEnd()) return std::nullopt;
  return out;
}

bool isDatagram(const void *data, size_t size) {
  return size > sizeof kMagic && std::memcmp(data, kMagic, sizeof kMagic) == 0;
}

}  // namespace tv::peer::wire
