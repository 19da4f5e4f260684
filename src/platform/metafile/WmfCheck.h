#pragma once
// The structural check every Windows metafile passes before anything draws it: the
// optional placeable header, the metafile header and every record, walked from the
// first to the end-of-file record. It reads nothing outside the data, allocates nothing
// from the sizes it finds, and derives the size the picture is drawn at. Pure
// functions, thread-safe.

#include <QByteArrayView>
#include <QSize>

namespace tv::metafile {

enum class WmfVerdict {
  Ok,
  NotMetafile,     // neither header is there
  BadHeader,       // a header field is out of its range or claims more than the data holds
  RecordPastEnd,   // a record runs past the end of the data or past the header's largest
  TooManyRecords,  // more records than the limit before the end-of-file record
  NoEnd,           // the data ends without an end-of-file record
};

struct WmfInfo {
  WmfVerdict verdict = WmfVerdict::NotMetafile;
  bool placeable = false;
  // Pixels at 72 per inch from the placeable header's box, else the window extent of
  // the first SetWindowExt record; empty when neither is there.
  QSize size;
  int records = 0;  // records walked, the end-of-file record included
  bool ok() const { return verdict == WmfVerdict::Ok; }
};

inline constexpr int kMaxWmfRecords = 1000000;

// True when the data starts like a metafile (placeable key, or a metafile header of
// either kind); says nothing about the rest.
bool looksLikeWmf(QByteArrayView data);

WmfInfo checkWmf(QByteArrayView data, int maxRecords = kMaxWmfRecords);

}  // namespace tv::metafile
