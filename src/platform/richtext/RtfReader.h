#pragma once
// Reads RTF as word processors write it (\uc and \u, \'hh in the font's code page,
// \* destinations skipped, unknown control words ignored) and inserts it into a text
// document. Safe on hostile input: groups are kept on an explicit stack with a depth
// limit, text and pictures are bounded, and nothing is inserted when a limit is hit.

#include "platform/richtext/RtfLimits.h"

#include <QByteArrayView>

#include <atomic>
#include <memory>

class QTextCursor;

namespace tv::richtext {

enum class RtfStatus {
  Ok,
  NotRtf,     // the input does not begin with "{\rtf"
  TooDeep,    // groups nested deeper than the limit
  TooLarge,   // input or text larger than the limits
  Cancelled,  // the caller stopped the parse
};

struct RtfReadResult {
  RtfStatus status = RtfStatus::Ok;
  bool truncated = false;  // the input ended before its outer group was closed
  int pictures = 0;        // pictures inserted, placeholders included
  int placeholders = 0;    // pictures that did not decode
  bool ok() const { return status == RtfStatus::Ok; }
};

// True when the bytes, after leading blanks, begin with "{\rtf".
bool looksLikeRtf(QByteArrayView bytes);

// RTF parsed and waiting to be inserted. Parsing may run on any thread; inserting runs
// on the document's thread, at once or in slices, so that a long document keeps the
// window answering while it goes in.
class RtfContent {
 public:
  RtfContent();
  ~RtfContent();
  RtfContent(RtfContent &&) noexcept;
  RtfContent &operator=(RtfContent &&) noexcept;

  RtfReadResult result() const;
  // Inserts the next part at the cursor, about `maxChars` characters' worth and at least
  // one run, paragraph end or picture. True while more remains; nothing is inserted
  // when the parse failed.
  bool insertSome(QTextCursor &cursor, qsizetype maxChars);

 private:
  struct Data;
  friend RtfContent parseRtf(QByteArrayView, const RtfLimits &, const std::atomic_bool *);
  std::unique_ptr<Data> data_;
};

// Parses the whole input without inserting it. When `cancel` is given and another
// thread sets it, the parse stops early with RtfStatus::Cancelled.
RtfContent parseRtf(QByteArrayView rtf, const RtfLimits &limits = {},
                    const std::atomic_bool *cancel = nullptr);

// Parses the whole input first; when it is acceptable, inserts the text, paragraphs
// and pictures at the cursor in one edit block (replacing its selection). Otherwise
// the document is left as it was.
RtfReadResult readRtf(QByteArrayView rtf, QTextCursor &cursor, const RtfLimits &limits = {});

}  // namespace tv::richtext
