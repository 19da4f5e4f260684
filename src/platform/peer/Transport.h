#pragma once
// What the session logic needs from the network: links to other members with one
// reliable ordered channel and one unreliable channel each, round-trip times, raw
// datagrams on the same port for the host search, and the voice path. Implemented over
// ENet and in-process for tests. Called and signalling on the UI thread; events arrive
// in the order the network produced them.

#include "platform/peer/PeerResult.h"
#include "platform/peer/PeerTypes.h"
#include "platform/peer/VoiceRouter.h"

#include <QByteArray>
#include <QObject>

#include <memory>

namespace tv::peer {

class Transport : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  ~Transport() override = default;

  // Binds the UDP port (0: any free port). DPNERR_INVALIDDEVICEADDRESS when it is taken.
  virtual Result open(quint16 port) = 0;
  virtual Endpoint localEndpoint() const = 0;

  // Starts a link; linkUp or linkDown follows. 0 when no link slot is free.
  virtual LinkId connectTo(const Endpoint &remote) = 0;
  // Reliable and in order on wire::kReliableChannel, unreliable on the other.
  virtual void send(LinkId link, quint8 channel, const QByteArray &frame) = 0;
  virtual void sendDatagram(const Endpoint &to, const QByteArray &datagram) = 0;
  // Ends the link once what was queued on it has been delivered.
  virtual void closeLink(LinkId link) = 0;
  // The other side of an incoming link has been identified (an admitted newcomer, or a
  // member's link). Until then the link may not make this side hold more than a
  // handshake's worth of data, so strangers cannot tie up memory with large messages.
  // Links this side started are trusted from the outset.
  virtual void trust(LinkId link) = 0;
  // 0 for an unknown link.
  virtual quint32 roundTripMs(LinkId link) const = 0;
  // Ends every link after its queued frames (waiting at most graceMs for them) and frees
  // the port. The wait may go on elsewhere after this returns; nothing is signalled
  // any more, and a later transport binding the same port waits for it.
  virtual void shutdown(int graceMs) = 0;

  // The voice path (VoiceRouter.h): frames move between it and the links on the
  // transport's own thread. Later tables replace earlier ones; a null path detaches.
  // Voice frames arriving on the unreliable channel never reach frameReceived.
  virtual void setVoiceRoutes(std::shared_ptr<const VoiceRoutes> routes) = 0;
  virtual void attachVoice(std::shared_ptr<audio::VoicePath> path) = 0;

 Q_SIGNALS:
  // A link came up: one this side started with connectTo, or a new incoming one.
  void linkUp(tv::peer::LinkId link, const tv::peer::Endpoint &remote);
  // A link ended: closed by either side, or the other side stopped answering.
  void linkDown(tv::peer::LinkId link);
  void frameReceived(tv::peer::LinkId link, quint8 channel, const QByteArray &frame);
  void datagramReceived(const tv::peer::Endpoint &from, const QByteArray &datagram);
};

}  // namespace tv::peer
