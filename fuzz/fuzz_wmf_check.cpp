// Our metafile check on arbitrary bytes: it reads nothing outside them, keeps to its
// record limit, and what it passes has a sane derived size and the helper's arguments.
#include "platform/metafile/WmfCheck.h"
#include "platform/metafile/WmfHelper.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
  constexpr int kMaxRecords = 5000;
  const tv::metafile::WmfInfo info = tv::metafile::checkWmf(bytes, kMaxRecords);
  if (info.records > kMaxRecords || info.records * 6 > qsizetype(size)) std::abort();
  if (info.ok()) {
    if (!tv::metafile::looksLikeWmf(bytes)) std::abort();
    // No size at all, or a positive one.
    if (info.size.isValid() && info.size.isEmpty()) std::abort();
    const QStringList args =
        tv::metafile::WmfHelper::arguments(info, 1024, QStringLiteral("o"), QStringLiteral("i"));
    if (args.size() < 5 || args.last() != QStringLiteral("i")) std::abort();
  }
  return 0;
}
