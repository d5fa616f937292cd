#include "console/tone.h"

#include <cmath>

namespace console {

std::vector<int16_t> beep_tone_samples() {
  const double periods = std::floor(kToneSeconds * kToneFrequency);
  const double samples_per_period = kToneSampleRate / kToneFrequency;
  // Every sample before the rising zero crossing that ends the last whole
  // period.
  const auto frames = static_cast<std::size_t>(std::ceil(periods * samples_per_period));

  std::vector<int16_t> samples;
  samples.reserve(frames * 2);
  for (std::size_t i = 0; i < frames; ++i) {
    double cycles = static_cast<double>(i) / samples_per_period;
    double phase = cycles - std::floor(cycles);  // 0 <= phase < 1
    // Rises 0 -> 1 over the first quarter, falls 1 -> -1 over the middle
    // half and rises -1 -> 0 over the last quarter.
    double level = phase < 0.25 ? 4 * phase : phase < 0.75 ? 2 - 4 * phase : 4 * phase - 4;
    auto value = static_cast<int16_t>(std::lround(level * kTonePeak));
    samples.push_back(value);
    samples.push_back(value);
  }
  return samples;
}

}  // namespace console
