// Session messages from other members: decoding never reads past the input, and what
// decodes re-encodes to a message that decodes the same.
#include "session/SessionMessage.h"

#include <cstdlib>

using namespace tv::session;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const auto m =
      decodeMessage(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
  if (!m) return 0;
  QByteArray again;
  if (m->type == kPicture)
    again = encodePictureMessage(m->value, m->pictureBytes);
  else if (m->type == kTeam || m->type == kColour)
    again = encodeValueMessage(m->type, m->value);
  else
    again = encodeTextMessage(m->type, m->text);
  const auto back = decodeMessage(again);
  if (!back || back->type != m->type || back->text != m->text || back->value != m->value ||
      back->pictureBytes != m->pictureBytes)
    std::abort();
  return 0;
}
