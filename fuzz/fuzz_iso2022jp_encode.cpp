// The ISO-2022-JP line encoder on arbitrary text (the input read as UTF-16). A line
// either fits 2048 bytes ending in CR LF, with no other CR or LF, or is refused; and
// decoding it gives the text back character by character, each character the encoder
// cannot carry turned into '?', the forms that go out as their full-width twins' codes
// read back as those twins, and CR, LF and NUL left out.
#include "ircsock/Iso2022JpDecoder.h"
#include "ircsock/Iso2022JpEncoder.h"
#include "platform/text/Cp932.h"

#include <QStringList>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  QString text;
  for (size_t i = 0; i + 1 < size; i += 2) text.append(QChar(char16_t(data[i] | data[i + 1] << 8)));

  const auto line = tv::ircsock::encodeIrcLine(text);
  if (!line) {
    if (tv::ircsock::encodeIso2022Jp(text).size() + 2 <= tv::ircsock::kMaxLineBytes) std::abort();
    return 0;
  }
  if (line->size() > tv::ircsock::kMaxLineBytes || !line->endsWith("\r\n")) std::abort();
  const QByteArrayView body = QByteArrayView(*line).chopped(2);
  if (body.contains('\r') || body.contains('\n')) std::abort();

  // What each character alone becomes tells what the whole line must decode to.
  QString expected;
  for (qsizetype i = 0; i < text.size(); ++i) {
    qsizetype length = 1;
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
      length = 2;
    const QString one = text.mid(i, length);
    i += length - 1;
    const QByteArray alone = tv::ircsock::encodeIso2022Jp(one);
    if (alone.isEmpty()) continue;  // CR, LF, NUL
    expected +=
        alone == "?" ? QStringLiteral("?") : tv::text::decodeCp932(tv::text::encodeCp932(one));
  }
  const QStringList decoded = tv::ircsock::decodeIso2022JpLines(*line);
  if (decoded != (expected.isEmpty() ? QStringList{} : QStringList{expected})) std::abort();
  return 0;
}
