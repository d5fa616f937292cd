#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "console/tone.h"

namespace {

TEST(Tone, TriangleOfWholePeriods) {
  const std::vector<int16_t> samples = console::beep_tone_samples();
  ASSERT_EQ(samples.size() % 2, 0u);
  const std::size_t frames = samples.size() / 2;
  std::vector<int> left;
  for (std::size_t i = 0; i < frames; ++i) {
    ASSERT_EQ(samples[2 * i], samples[2 * i + 1]) << "frame " << i;
    left.push_back(samples[2 * i]);
  }

  // 0.2 s of 783.99 Hz holds 156 whole periods: 156 / 783.99 s of samples.
  const double samples_per_period = 44100 / 783.99;
  EXPECT_EQ(frames, static_cast<std::size_t>(std::ceil(156 * samples_per_period)));

  // Starts at 0 rising, ends on the way up to the next rising zero crossing.
  EXPECT_EQ(left[0], 0);
  EXPECT_GT(left[1], 0);
  EXPECT_LT(left.back(), 0);
  EXPECT_GT(left.back(), left[frames - 2]);

  // Each period begins where the wave crosses zero upwards; all 156 are there
  // at their places, so the frequency is right.
  std::vector<std::size_t> rising;
  for (std::size_t i = 1; i < frames; ++i)
    if (left[i - 1] < 0 && left[i] >= 0) rising.push_back(i);
  ASSERT_EQ(rising.size(), 155u);
  for (std::size_t k = 0; k < rising.size(); ++k)
    EXPECT_NEAR(static_cast<double>(rising[k]), (k + 1) * samples_per_period, 1.0);

  // Peaks of +-32767 and straight slopes: neighbours differ by at most one
  // step of 4 * 32767 per period, and the samples nearest the peaks lie
  // within half a step of them.
  const double step = 4 * 32767 / samples_per_period;
  for (std::size_t i = 1; i < frames; ++i) ASSERT_LE(std::abs(left[i] - left[i - 1]), step + 1) << i;
  const int highest = *std::max_element(left.begin(), left.end());
  const int lowest = *std::min_element(left.begin(), left.end());
  EXPECT_LE(highest, 32767);
  EXPECT_GE(highest, 32767 - step / 2);
  EXPECT_GE(lowest, -32767);
  EXPECT_LE(lowest, -32767 + step / 2);
}

}  // namespace
