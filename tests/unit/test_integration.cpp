// The noise-sphere integration: trapezoid weights, the sky/earth split, the
// average gain with T_loss, and the row values, on generated tables and on
// elements set directly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "support/far_field_table.h"
#include "support/started_calculator.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

int cell(int theta, int azimuth) { return 181 * azimuth + theta + 1; }

// Every tilt of the results table.
template <typename F>
void for_each_tilt(F&& f) {
  for (int alpha = 0; alpha <= 90; alpha += 5) f(static_cast<int16_t>(alpha));
}

class TableTest : public ::testing::Test {
 protected:
  void read_uniform(double gain_db) {
    std::string path = temporary_table_path("uniform");
    write_far_field_table(path, [gain_db](int, int) { return gain_db; });
    ASSERT_TRUE(s.read_table(path));
    std::remove(path.c_str());
  }
  StartedCalculator s;
  calculator::Calculator& c = *s.calc;
};

TEST(IntegrateRectangle, WeighsEndRowsAndEndColumnsByHalf) {
  // With every element 1 the rule gives the rectangle's area in grid steps;
  // a rectangle of one polar row counts that row once per column.
  struct Case {
    int16_t az_from, az_to, theta_from, theta_to;
    double area;
  } cases[] = {
      {0, 90, 0, 10, 900}, {270, 360, 100, 180, 7200}, {90, 270, 0, 0, 180}, {0, 1, 5, 6, 1}, {90, 270, 180, 180, 180},
  };
  StartedCalculator s;
  s.calc->gain_element.fill(1.0);
  for (const Case& k : cases) {
    s.calc->az_from = k.az_from, s.calc->az_to = k.az_to;
    s.calc->theta_from = k.theta_from, s.calc->theta_to = k.theta_to;
    s.calc->integrate_rectangle();
    EXPECT_EQ(s.calc->region_integral, k.area) << k.az_from << ".." << k.az_to << " x " << k.theta_from << ".."
                                               << k.theta_to;
  }
}

TEST_F(TableTest, IsotropicPatternSplitsEvenlyAndGivesTheKnownAverageGain) {
  read_uniform(0.0);
  c.sky_temperature = 10;
  c.earth_temperature = 290;
  c.compute_average_gain();
  EXPECT_NEAR(c.average_gain, 0.9999746, 5e-8);
  EXPECT_NEAR(c.average_gain_db, -0.00011, 5e-6);
  EXPECT_NEAR(c.loss_temperature, 0.0074, 5e-5);
  EXPECT_NEAR(c.sky_integral[0], 6.2830258, 5e-7);
  // AG comes from the two integrals rounded to 32-bit floats.
  EXPECT_EQ(c.average_gain,
            static_cast<double>((static_cast<long double>(static_cast<float>(c.sky_integral[0])) +
                                 static_cast<float>(c.earth_integral[0])) /
                                (4 * static_cast<long double>(kPi))));

  for_each_tilt([&](int16_t alpha) {
    c.alpha = alpha;
    c.split_sky_earth();
    EXPECT_NEAR(c.sky_integral[alpha], c.earth_integral[alpha], 1e-12) << "alpha " << alpha;
    EXPECT_NEAR(c.sky_integral[alpha] + c.earth_integral[alpha], 2 * 6.2830258, 2e-6) << "alpha " << alpha;
    c.compute_row_values();
    EXPECT_NEAR(c.pattern_temperature[alpha], 150.0, 1e-9);
    EXPECT_EQ(c.dummy_flags[alpha], 0);
    const double total = (150.0 - 290) * c.average_gain + 290;
    EXPECT_NEAR(c.total_temperature[alpha], total, 1e-9);
    EXPECT_NEAR(c.g_over_ta_db[alpha], -10 * std::log10(total), 1e-9);
  });
}

TEST_F(TableTest, AverageGainAboveOneWithColdSkyAndEarthGivesDummyRows) {
  read_uniform(0.01);
  c.sky_temperature = 0;
  c.earth_temperature = 0;
  c.compute_average_gain();
  EXPECT_NEAR(c.average_gain, 1.0023, 5e-5);
  EXPECT_LT(c.loss_temperature, 0);
  for_each_tilt([&](int16_t alpha) {
    c.alpha = alpha;
    c.split_sky_earth();
    c.compute_row_values();
    EXPECT_LT(c.total_temperature[alpha], 0) << "alpha " << alpha;
    EXPECT_EQ(c.dummy_flags[alpha], 1) << "alpha " << alpha;
    EXPECT_EQ(c.g_over_ta_db[alpha], -99.999) << "alpha " << alpha;
  });
}

TEST_F(TableTest, HottestTemperaturesShowThe32BitRoundingOfTheIntegrals) {
  read_uniform(0.0);
  c.sky_temperature = 9999999;
  c.earth_temperature = 9999999;
  c.compute_average_gain();
  const double exact_ag = (c.sky_integral[0] + c.earth_integral[0]) / (4 * kPi);
  for_each_tilt([&](int16_t alpha) {
    c.alpha = alpha;
    c.split_sky_earth();
    c.compute_row_values();
    EXPECT_NEAR(c.pattern_temperature[alpha], 9999999.0, 1e-6);
    const double with_64_bit_ag = (c.pattern_temperature[alpha] - 290) * exact_ag + 290;
    EXPECT_NEAR(c.total_temperature[alpha], (c.pattern_temperature[alpha] - 290) * c.average_gain + 290, 1e-8);
    EXPECT_GT(std::fabs(c.total_temperature[alpha] - with_64_bit_ag), 0.03) << "alpha " << alpha;
    EXPECT_LT(std::fabs(c.total_temperature[alpha] - with_64_bit_ag), 0.5) << "alpha " << alpha;
  });
}

TEST(SplitSkyEarth, OneDirectionLandsInSkyOrEarthByItsSideOfTheTiltedHorizon) {
  // In front (azimuths 270..360 and 0..90) the horizon sinks by alpha, at
  // the back (90..270) it rises by alpha. A single element of 1 shows where
  // each direction is counted: a direction on the boundary row, on the
  // seam columns 90 and 270 or on the edge columns 0 and 360 counts half.
  struct Case {
    int theta, azimuth, alpha;
    double sky, earth;
  } cases[] = {
      {95, 45, 0, 0, 1},     {95, 45, 5, 0.5, 0.5},    {95, 45, 10, 1, 0},      // front, below the horizon
      {85, 180, 0, 1, 0},    {85, 180, 5, 0.5, 0.5},   {85, 180, 10, 0, 1},     // back, above it
      {100, 300, 5, 0, 1},   {100, 300, 15, 1, 0},                              // front, the other quarter
      {100, 360, 0, 0, 0.5}, {100, 360, 15, 0.5, 0},   {100, 0, 15, 0.5, 0},   // the edge columns
      {60, 270, 40, 0.5, 0.5}, {120, 90, 40, 0.5, 0.5}, {120, 90, 0, 0, 1},    // the seams
  };
  StartedCalculator s;
  calculator::Calculator& c = *s.calc;
  for (const Case& k : cases) {
    c.gain_element.fill(0.0);
    c.gain_element[static_cast<std::size_t>(cell(k.theta, k.azimuth))] = 1.0;
    c.alpha = static_cast<int16_t>(k.alpha);
    c.split_sky_earth();
    EXPECT_EQ(c.sky_integral[static_cast<std::size_t>(k.alpha)], k.sky)
        << "theta " << k.theta << ", azimuth " << k.azimuth << ", alpha " << k.alpha;
    EXPECT_EQ(c.earth_integral[static_cast<std::size_t>(k.alpha)], k.earth)
        << "theta " << k.theta << ", azimuth " << k.azimuth << ", alpha " << k.alpha;
  }
}

TEST(SplitSkyEarth, Cos2PatternOnTheUpperHalfMatchesItsClosedForm) {
  // G = cos^2(theta) above the horizon, 0 below. The front sky always holds
  // the whole upper front quarter-sphere (pi/3); the back sky reaches polar
  // angle 90 - alpha, leaving pi/3 * sin^3(alpha) to the earth.
  StartedCalculator s;
  calculator::Calculator& c = *s.calc;
  const double step = kPi / 180;
  for (int azimuth = 0; azimuth <= 360; ++azimuth)
    for (int theta = 0; theta <= 180; ++theta) {
      const double g = theta <= 90 ? std::pow(std::cos(theta * step), 2) : 0.0;
      c.gain_element[cell(theta, azimuth)] = g * std::sin(theta * step) * step * step;
    }
  c.sky_temperature = 10;
  c.earth_temperature = 290;
  c.average_gain = 1;
  // The trapezoid rule's leading error over polar angles a..b is
  // h^2 / 12 * (f'(b) - f'(a)) for f = cos^2 sin, with |f'| <= 1.2 here;
  // over 2 pi of azimuth that stays below this bound.
  const double tolerance = 2 * kPi * step * step / 12 * 2.4;
  for_each_tilt([&](int16_t alpha) {
    c.alpha = alpha;
    c.split_sky_earth();
    const double sin3 = std::pow(std::sin(alpha * step), 3);
    const double earth = kPi / 3 * sin3;
    const double sky = kPi / 3 * (2 - sin3);
    EXPECT_NEAR(c.sky_integral[alpha], sky, tolerance) << "alpha " << alpha;
    EXPECT_NEAR(c.earth_integral[alpha], earth, tolerance) << "alpha " << alpha;
    c.compute_row_values();
    EXPECT_NEAR(c.pattern_temperature[alpha], (10 * sky + 290 * earth) / (sky + earth), 0.02) << "alpha " << alpha;
  });
}

TEST(ComputeAverageGain, AllElementsZeroRaisesTheLogarithmError) {
  StartedCalculator s;
  s.calc->loss_temperature = 123;
  EXPECT_THROW(s.calc->compute_average_gain(), console::ErrorDelivered);
  EXPECT_EQ(s.platform.last_error_number(), 5);
  EXPECT_EQ(s.calc->loss_temperature, 123);  // not computed
}

}  // namespace
