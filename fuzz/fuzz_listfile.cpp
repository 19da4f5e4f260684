// Recent-list files from disk: adding an entry to whatever a damaged file held keeps
// the list's rules (newest first, at most 30, no empty entry).
#include "app/RecentList.h"
#include "platform/text/TextFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
  QStringList list = tv::text::splitCp932Lines(bytes);
  tv::app::AddRecentEntry(list, QStringLiteral("新しい項目"));
  if (list.size() > tv::app::kRecentListMax || list.front() != QStringLiteral("新しい項目"))
    std::abort();
  // The new entry stands once, and no entry is empty.
  if (list.count(QStringLiteral("新しい項目")) != 1) std::abort();
  for (const QString &entry : list)
    if (entry.isEmpty()) std::abort();
  return 0;
}
