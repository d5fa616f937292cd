#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "console/numbers.h"

namespace {

TEST(Numbers, PiIsTheNearestDoubleWidened) {
  const long double pi = console::pi_value();
  EXPECT_EQ(std::bit_cast<uint64_t>(static_cast<double>(pi)), 0x400921FB54442D18u);
  // No further digits: the extended value is the double itself.
  EXPECT_EQ(pi, static_cast<long double>(static_cast<double>(pi)));
}

TEST(Numbers, SineOfWholeDegrees) {
  const double pi = static_cast<double>(console::pi_value());
  EXPECT_EQ(console::sin(0.0), 0.0);
  EXPECT_EQ(console::sin(pi / 2), 1.0);
  // The sine of the double pi is its distance to the true pi, not 0.
  EXPECT_EQ(console::sin(pi), 1.2246467991473532e-16);
  // Degrees turned into radians as the integration does: within one unit in
  // the last place of the correctly rounded sine.
  for (int degree = 0; degree <= 180; ++degree) {
    const double x = degree * (pi / 180);
    const double got = console::sin(x);
    const double want = std::sin(x);
    EXPECT_LE(std::fabs(got - want), std::fabs(std::nextafter(want, 2.0) - want)) << degree;
  }
}

TEST(Numbers, SineOfSpecialValues) {
  EXPECT_TRUE(std::signbit(console::sin(-0.0)));
  const double nan = std::bit_cast<double>(0x7FF8000000001234ull);
  EXPECT_EQ(std::bit_cast<uint64_t>(console::sin(nan)), 0x7FF8000000001234ull);  // given back as it is
  EXPECT_TRUE(std::isnan(console::sin(std::numeric_limits<double>::infinity())));
  EXPECT_TRUE(std::isnan(console::sin(-std::numeric_limits<double>::infinity())));
  // A huge argument is reduced exactly.
  EXPECT_NEAR(console::sin(1e300), std::sin(1e300), 1e-15);
}

}  // namespace
