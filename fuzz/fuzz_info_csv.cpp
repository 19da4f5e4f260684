// Information-log CSV files from the log folder: every row the viewer shows has four
// columns, and a file is either shown or refused as damaged.
#include "app/InfoLogCsv.h"
#include "platform/text/TextFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
  const QStringList lines = tv::text::splitCp932Lines(bytes, {1 << 20, 64 * 1024, 200000});
  const auto rows = tv::app::ParseInfoCsv(lines);
  if (!rows) return 0;
  for (const QStringList &row : *rows)
    if (row.size() != 4 || row[0].contains(u',') || row[2].contains(u',')) std::abort();
  if (rows->size() > lines.size()) std::abort();
  return 0;
}
