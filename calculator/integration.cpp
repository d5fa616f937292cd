// Noise-sphere integration: the 2-D trapezoid rule over rectangles of the
// 1-degree grid, the sky/earth split for a tilt alpha, the average gain with
// the loss temperature, and the values of one results row.
//
// The step widths and sin(theta) are already in gain_element, so a sum over
// the grid is an integral over solid angle. The trapezoid sums add 64-bit
// floats and store each partial sum; the other formulas run in long double
// (64-bit significand) and are rounded where a 64-bit or 32-bit variable
// stores them.
#include <algorithm>

#include "calculator/calculator.h"

namespace calculator {

namespace {

constexpr long double kReferenceTemperature = 290;  // kelvin
constexpr double kDummyGOverTa = -99.999;

}  // namespace

void Calculator::integrate_rectangle() {
  // Column sums over the polar angles: interior elements in full, the two
  // end elements at half weight, each partial sum a 64-bit float in this
  // order. The columns are independent, so eight of them run side by side
  // (each sum waits on its previous addition; eight chains keep the adder
  // busy); every column still adds its elements in the order of the rule.
  const int16_t first_azimuth = az_from;
  const int16_t last_azimuth = az_to;
  const int16_t first_inner_theta = static_cast<int16_t>(theta_from + 1);
  const int16_t last_inner_theta = static_cast<int16_t>(theta_to - 1);
  auto element = [this](int32_t azimuth, int32_t theta) { return at(gain_element, 181 * azimuth + theta + 1); };

  constexpr int32_t kColumns = 8;
  int32_t azimuth = first_azimuth;
  for (; azimuth + kColumns - 1 <= last_azimuth; azimuth += kColumns) {
    double sum[kColumns] = {};
    for (int32_t theta = first_inner_theta; theta <= last_inner_theta; ++theta)
      for (int32_t column = 0; column < kColumns; ++column)
        sum[column] = sum[column] + element(azimuth + column, theta);
    for (int32_t column = 0; column < kColumns; ++column) {
      sum[column] = sum[column] + element(azimuth + column, theta_from) / 2.0;
      sum[column] = sum[column] + element(azimuth + column, theta_to) / 2.0;
      at(azimuth_sums, azimuth + column) = sum[column];
    }
  }
  for (; azimuth <= last_azimuth; ++azimuth) {
    double sum = 0;
    for (int32_t theta = first_inner_theta; theta <= last_inner_theta; ++theta) sum = sum + element(azimuth, theta);
    sum = sum + element(azimuth, theta_from) / 2.0;
    sum = sum + element(azimuth, theta_to) / 2.0;
    at(azimuth_sums, azimuth) = sum;
  }
  // The loop variables as the rule leaves them.
  azimuth_index = static_cast<int16_t>(last_azimuth + 1);
  theta_index = std::max<int16_t>(first_inner_theta, static_cast<int16_t>(last_inner_theta + 1));
  cell_index = 181 * last_azimuth + theta_to + 1;
  theta_sum = at(azimuth_sums, last_azimuth);

  // The same rule across the azimuths.
  region_integral = 0;
  const int16_t first_inner_azimuth = static_cast<int16_t>(az_from + 1);
  const int16_t last_inner_azimuth = static_cast<int16_t>(az_to - 1);
  for (azimuth_index = first_inner_azimuth; azimuth_index <= last_inner_azimuth; ++azimuth_index)
    region_integral = region_integral + at(azimuth_sums, azimuth_index);
  region_integral = region_integral + (at(azimuth_sums, az_from) + at(azimuth_sums, az_to)) / 2.0;
}

void Calculator::split_sky_earth() {
  // Front (azimuths 270..360 and 0..90): the boundary lies alpha below the
  // horizon; back (90..270): alpha above it.
  const int16_t front_boundary = static_cast<int16_t>(alpha + 90);
  const int16_t back_boundary = static_cast<int16_t>(90 - alpha);

  az_from = 0, az_to = 90, theta_from = 0, theta_to = front_boundary;
  integrate_rectangle();
  sky_part_1 = region_integral;
  az_from = 270, az_to = 360, theta_from = 0, theta_to = front_boundary;
  integrate_rectangle();
  sky_part_2 = region_integral;
  az_from = 90, az_to = 270, theta_from = 0, theta_to = back_boundary;
  integrate_rectangle();
  sky_part_3 = region_integral;
  at(sky_integral, alpha) =
      static_cast<double>(static_cast<long double>(sky_part_1) + sky_part_2 + sky_part_3);

  az_from = 0, az_to = 90, theta_from = front_boundary, theta_to = 180;
  integrate_rectangle();
  earth_part_1 = region_integral;
  az_from = 270, az_to = 360, theta_from = front_boundary, theta_to = 180;
  integrate_rectangle();
  earth_part_2 = region_integral;
  az_from = 90, az_to = 270, theta_from = back_boundary, theta_to = 180;
  integrate_rectangle();
  earth_part_3 = region_integral;
  at(earth_integral, alpha) =
      static_cast<double>(static_cast<long double>(earth_part_1) + earth_part_2 + earth_part_3);
}

void Calculator::compute_average_gain() {
  alpha = 0;
  split_sky_earth();
  // AG is built from the two integrals rounded to 32-bit floats; this one
  // value serves the summary, T_loss, every T_total and the AG warning.
  sky_integral_0 = static_cast<float>(at(sky_integral, alpha));
  earth_integral_0 = static_cast<float>(at(earth_integral, alpha));
  average_gain = static_cast<double>((static_cast<long double>(sky_integral_0) + earth_integral_0) /
                                     (console::pi_value() * 4));
  // The logarithm raises error 5 for an AG of 0 (every element 0).
  average_gain_db =
      static_cast<double>(10 * static_cast<long double>(platform_.natural_log(average_gain)) /
                          platform_.natural_log(10));
  hook();
  loss_temperature =
      static_cast<double>((1 / static_cast<long double>(average_gain) - 1) * kReferenceTemperature);
}

void Calculator::compute_row_values() {
  const long double sky = at(sky_integral, alpha);
  const long double earth = at(earth_integral, alpha);
  at(pattern_temperature, alpha) = static_cast<double>(
      (static_cast<long double>(sky_temperature) * sky + static_cast<long double>(earth_temperature) * earth) /
      (sky + earth));
  at(total_temperature, alpha) = static_cast<double>(
      (static_cast<long double>(at(pattern_temperature, alpha)) - kReferenceTemperature) * average_gain +
      kReferenceTemperature);

  // A total temperature at or below 0 has no G/Ta: the row shows a dummy.
  if (at(total_temperature, alpha) <= 0) {
    at(dummy_flags, alpha) = 1;
    at(g_over_ta_db, alpha) = kDummyGOverTa;
  } else {
    at(g_over_ta_db, alpha) = static_cast<double>(
        static_cast<long double>(max_gain_db) -
        10 * static_cast<long double>(platform_.natural_log(at(total_temperature, alpha))) /
            platform_.natural_log(10));
    hook();
  }
}

}  // namespace calculator
