#include "platform/audio/AudioFormat.h"

#include <cmath>

namespace tv::audio {

float volumeGain(int32_t hundredthsDb) {
  if (hundredthsDb <= kVolumeSilent) return 0.0f;
  if (hundredthsDb >= 0) return 1.0f;
  return float(std::pow(10.0, hundredthsDb / 2000.0));
}

int peakLevel(int peak) {
  if (peak <= 0) return 0;
  if (peak > 32767) peak = 32767;
  return 99 * peak / 32767;
}

}  // namespace tv::audio
