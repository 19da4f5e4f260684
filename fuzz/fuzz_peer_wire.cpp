// Frames and search datagrams from strangers: no crash, no unbounded allocation, and
// whatever decodes encodes back to bytes that decode to the same.
#include "platform/peer/PeerWire.h"

#include <cstdlib>

using namespace tv::peer::wire;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
  if (const auto frame = decode(bytes)) {
    const QByteArray again = encode(*frame);
    const auto back = decode(again);
    if (!back || back->index() != frame->index() || encode(*back) != again) std::abort();
  }
  if (const auto datagram = decodeDatagram(bytes)) {
    const QByteArray again = encodeDatagram(*datagram);
    const auto back = decodeDatagram(again);
    if (!back || encodeDatagram(*back) != again) std::abort();
  }
  return 0;
}
