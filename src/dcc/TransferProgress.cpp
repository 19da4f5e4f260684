#include "dcc/TransferProgress.h"

namespace tv::dcc {

int ProgressPercent(qint64 done, qint64 total) {
  if (done <= 0 || total <= 0) return -1;
  const unsigned __int128 percent = (unsigned __int128)(done)*100 / quint64(total);
  return int(std::min<unsigned __int128>(percent, 100));
}

}  // namespace tv::dcc
