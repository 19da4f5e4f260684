#include "session/FileOfferRelay.h"

#include "dcc/OfferLine.h"
#include "platform/peer/Peer.h"
#include "session/SessionEngine.h"
#include "session/SessionMessage.h"

namespace tv::session {

using namespace tv::peer;

bool FileOfferRelay::Forward(const QString &offerLine) const {
  Peer *peer = engine_.PeerObject();
  if (!peer) return false;
  const QString nick = dcc::OfferNick(offerLine);
  quint32 count = 0;
  if (peer->GetCountPlayersAndGroups(kEnumPlayers, count) != kOk) return false;
  for (quint32 n = 1; n <= count; ++n) {
    quint32 id = 0;
    if (peer->GetPlayerOrGroup(n, id) != kOk) return false;
    if (id == engine_.OwnPlayerId()) continue;
    PlayerInfo info;
    if (peer->GetPeerInfo(id, info) != kOk) return false;
    if (info.name != nick) continue;
    const QByteArray message = encodeTextMessage(kFileOffer, dcc::SessionOfferText(offerLine));
    return peer->SendTo(id, message, kSendGuaranteed | kSendNoLoopback) == kOk;
  }
  return true;
}

}  // namespace tv::session
