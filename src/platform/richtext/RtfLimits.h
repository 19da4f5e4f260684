#pragma once
// Bounds for reading RTF that came from peers or from files in the log folder. Every
// size the reader allocates from is checked against one of these first.

#include <QtGlobal>

namespace tv::richtext {

// Font sizes in half-points, read and written: up to 2160 points, the largest size the
// composer offers.
inline constexpr int kMinHalfPoints = 2;
inline constexpr int kMaxHalfPoints = 4320;

struct RtfLimits {
  qsizetype maxInputBytes = 256 * 1024 * 1024;     // larger input is refused
  int maxDepth = 200;                              // group nesting; deeper input is refused
  qsizetype maxTextChars = 32 * 1024 * 1024;       // characters inserted; more is refused
  qsizetype maxPictureBytes = 16 * 1024 * 1024;    // one picture's data; larger ones are dropped
  qsizetype maxPicturesBytes = 256 * 1024 * 1024;  // all pictures of one read together
  qint64 maxPicturePixels = 16 * 1024 * 1024;      // width x height of one decoded picture
  int maxFonts = 4096;
  int maxColors = 4096;
};

}  // namespace tv::richtext
