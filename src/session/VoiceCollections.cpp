#include "session/VoiceCollections.h"

#include "platform/peer/Platform.h"
#include "session/Pacer.h"
#include "session/SessionReport.h"

namespace tv::session {

namespace {

const QString kKindTV = QStringLiteral("TV");

// Session objects may have callbacks queued for themselves; let those go with them.
template <class T>
void releaseLater(std::unique_ptr<T> &object) {
  if (object) object.release()->deleteLater();
}

template <class Match>
int lastMatching(const QStringList &list, Match match) {
  for (qsizetype i = list.size() - 1; i >= 0; --i)
    if (match(list[i])) return int(i);
  return 0;
}

}  // namespace

QString DeviceDisplayName(const QString &providerName) {
  if (providerName.contains(u"Serial", Qt::CaseSensitive) ||
      providerName.contains(u"シリアル", Qt::CaseInsensitive))
    return QStringLiteral("(動きません) ") + providerName;
  return providerName;
}

int DefaultDevicePosition(const QStringList &devices) {
  return lastMatching(devices,
                      [](const QString &d) { return d.contains(u"TCP", Qt::CaseSensitive); });
}

int DefaultCodecPosition(const QStringList &codecs) {
  return lastMatching(codecs, [](const QString &c) { return c.toLower().contains(u"sc03"); });
}

int ResolveStoredPosition(qint64 stored, int count, int defaultPosition) {
  if (stored < 0 || stored >= count) return defaultPosition;
  return int(stored);
}

VoiceCollections::VoiceCollections(peer::Platform &platform, Pacer &pacer, Log log)
    : platform_(platform), pacer_(pacer), log_(std::move(log)) {}

void VoiceCollections::log(const QString &kind, const QString &text) const {
  if (log_) log_(kind, text);
}

const QStringList &VoiceCollections::Devices() {
  if (devices_.isEmpty()) CreateDeviceCollection();
  return devices_;
}

const QStringList &VoiceCollections::Codecs() {
  if (codecs_.isEmpty()) CreateCodecCollection();
  return codecs_;
}

QStringList VoiceCollections::Search(const QString &what,
                                     const std::function<peer::Result(QStringList &)> &collect) {
  log(kKindTV, what + QStringLiteral("検索開始"));
  pacer_.Pump();
  QStringList found;
  const peer::Result failure = collect(found);
  pacer_.Pump();
  // A half-read list would offer entries under the wrong numbers: keep none of it.
  if (failure != peer::kOk) {
    found.clear();
    log(kKindError, what + QStringLiteral("の検索に失敗しました。"));
    log(kKindError, ErrorNumberLine(failure));
  }
  log(kKindTV, what + QStringLiteral("検索完了"));
  pacer_.Pump();
  return found;
}

void VoiceCollections::CreateDeviceCollection() {
  devices_ = Search(QStringLiteral("通信機器"), [this](QStringList &found) {
    std::unique_ptr<peer::Peer> peer = platform_.CreatePeer();
    if (!peer) return peer::DPNERR_GENERIC;
    peer::Result r = peer->RegisterMessageHandler();
    quint32 count = 0;
    if (r == peer::kOk) r = peer->GetCountServiceProviders(count);
    for (quint32 n = 1; r == peer::kOk && n <= count; ++n) {
      peer::ServiceProviderInfo info;
      r = peer->GetServiceProvider(n, info);
      if (r == peer::kOk) found.append(DeviceDisplayName(info.name));
    }
    peer->UnRegisterMessageHandler();
    releaseLater(peer);
    return r;
  });
}

void VoiceCollections::CreateCodecCollection() {
  codecs_ = Search(QStringLiteral("音声レート"), [this](QStringList &found) {
    std::unique_ptr<peer::VoiceServer> server = platform_.CreateVoiceServer();
    if (!server) return peer::DPNERR_GENERIC;
    quint32 count = 0;
    peer::Result r = server->GetCompressionTypeCount(count);
    for (quint32 n = 1; r == peer::kOk && n <= count; ++n) {
      peer::CompressionInfo info;
      r = server->GetCompressionType(n, info);
      if (r == peer::kOk) found.append(info.name);
    }
    releaseLater(server);
    return r;
  });
}

}  // namespace tv::session
