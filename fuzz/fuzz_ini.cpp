// The settings-file reader and writer on untrusted file contents: no crash, and a
// value written is the value read back.
#include "platform/profile/ProfileText.h"
#include "platform/text/Cp932.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const QByteArrayView content(reinterpret_cast<const char *>(data), qsizetype(size));
  (void)tv::profile::findValue(content, u"Talvora", u"Version");
  (void)tv::profile::findValue(content, u"IRC", u"KickMessage");
  const QString value = QStringLiteral("12abc テスト");
  const QByteArray updated = tv::profile::setValue(content, u"irc", u"KickMessage", value);
  const auto back = tv::profile::findValue(updated, u"IRC", u"kickmessage");
  if (!back || *back != value) std::abort();
  return 0;
}
