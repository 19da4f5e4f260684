#pragma once
// The voice server: runs on the host, starts and stops the session's voice session
// (which codec everyone uses). The voice session survives host migration: the new host
// carries it on without a server object of its own.

#include "platform/peer/PeerResult.h"
#include "platform/peer/VoiceTypes.h"

#include <QObject>

namespace tv::peer {

class Peer;

class VoiceServer : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  ~VoiceServer() override = default;

  // n counts from 1.
  virtual Result GetCompressionTypeCount(quint32 &count) const = 0;
  virtual Result GetCompressionType(quint32 n, CompressionInfo &out) const = 0;
  virtual Result Initialize(Peer *peer) = 0;
  // Host only. DVERR_COMPRESSIONNOTSUPPORTED for a codec not in the list.
  virtual Result StartSession(const VoiceSessionDesc &desc) = 0;
  // Every connected voice client gets sessionLost.
  virtual Result StopSession() = 0;
  virtual Result GetSessionDesc(VoiceSessionDesc &out) const = 0;
  // The server raises no callbacks; these only mirror the client's pair.
  virtual Result StartServerNotification() = 0;
  virtual Result StopServerNotification() = 0;
};

}  // namespace tv::peer
