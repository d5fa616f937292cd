// The beep's tone as samples for the sound output.
#pragma once

#include <cstdint>
#include <vector>

namespace console {

constexpr int kToneSampleRate = 44100;
constexpr double kToneFrequency = 783.99;
constexpr double kToneSeconds = 0.2;
constexpr int kTonePeak = 32767;

// A triangle wave of kToneFrequency starting at 0 and rising, peaking at
// +kTonePeak and -kTonePeak, as interleaved 16-bit stereo (both channels
// alike). It lasts kToneSeconds cut back to its last rising zero crossing,
// so it holds a whole number of periods and ends without a click.
std::vector<int16_t> beep_tone_samples();

}  // namespace console
