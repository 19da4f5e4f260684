// Address URLs as typed or received: no crash, and an accepted URL survives GetURL.
#include "platform/peer/PeerAddress.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const QString url = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
  tv::peer::Address a;
  if (a.BuildFromURL(url) != tv::peer::kOk) return 0;
  tv::peer::Address b;
  if (b.BuildFromURL(a.GetURL()) != tv::peer::kOk || !(a == b)) std::abort();
  return 0;
}
