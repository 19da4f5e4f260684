#pragma once
// The test sound the audio set-up plays on the speakers: two bell-like notes, a major
// third apart, about a second long, peaking at -6 dBFS, 48000 Hz mono.

#include <cstdint>
#include <vector>

namespace tv::audiosetup {

std::vector<std::int16_t> MakeChime();

}  // namespace tv::audiosetup
