// The results screen: the summary block (rows 1 to 3), the column titles,
// the 19 rows for alpha 0, 5, ..., 90, the dummy-value note, the key prompt
// and the average-gain warning. Numbers always go through a picture; a value
// too wide for its picture widens its row, and a row that runs past column
// 80 wraps like any text.
#include "calculator/calculator.h"

namespace calculator {

void Calculator::show_summary() {
  // Row 1 is marked when AG, as a 64-bit value, lies above 1; an AG that is
  // not a number gives no block at all.
  const bool plain = average_gain <= 1;
  const bool marked = average_gain > 1;
  if (!plain && !marked) return;

  platform_.color_set(plain ? 15 : 13);
  print(" Average Gain (AG, caution: rounded display!) = ");
  print_double(picture_average_gain, average_gain);
  print(" (/) = ");
  print_double(picture_average_gain_db, average_gain_db);
  print(" dBi");
  end_line();

  if (marked) platform_.color_set(15);
  print(" Max Gain = ");
  print_single(picture_max_gain, max_gain_db);
  print(" dBi at azimuth = ");
  print_integer(picture_angle, max_azimuth);
  print(" degree(s) and elevation = ");
  print_integer(picture_angle, 90 - max_theta);
  print(" degree(s)");
  end_line();

  platform_.color_set(9);
  print(console::string_space(1));
  print(" T_sky = ");
  print_single(picture_input_temperature, sky_temperature);
  print(" K");
  print(console::string_space(30));
  print(" T_earth = ");
  print_single(picture_input_temperature, earth_temperature);
  print(" K");
  end_line();

  platform_.color_set(7);
}

void Calculator::show_results() {
  platform_.clear_screen();
  show_summary();

  platform_.color_set(14);
  print(" Alpha (deg.)");
  print(console::string_space(2));
  print("T_pattern (K)");
  print(console::string_space(3));
  print("T_loss (K)");
  print(console::string_space(6));
  print("T_total (K)");
  print(console::string_space(5));
  print("G/Ta (dB)");
  end_line();
  hook();

  for (alpha = 0; alpha <= 90; alpha = static_cast<int16_t>(alpha + 5)) {
    split_sky_earth();
    print_result_row();
  }

  dummy_count = 0;
  for (loop_index = 0; loop_index <= 90; ++loop_index)
    dummy_count = static_cast<int16_t>(dummy_count + at(dummy_flags, loop_index));
  if (dummy_count > 0) {
    platform_.color_set(13);
    platform_.locate_cursor(24, 7);
    print("*: this dummy value is displayed to show that T_total (K) is <= O!*");
    platform_.color_set(9);
  }

  platform_.locate_cursor(25, 1);
  platform_.color_set(9);
  print(" Press any key to continue");
  // The warning compares AG rounded to a 32-bit float with 1.001 as a
  // 32-bit float.
  if (static_cast<float>(average_gain) >= 1.001f) {
    platform_.color_set(13);
    print(" Computed AG >= 1.001, G/Ta corrections may be needed");
  }
  platform_.color_set(7);
  hook();

  wait_for_key();
  platform_.clear_screen();
  hook();
}

void Calculator::print_result_row() {
  compute_row_values();

  if (alpha == 30) platform_.color_set(12);
  print(console::string_space(6));
  print_integer(picture_alpha, alpha);
  print(console::string_space(7));
  print_double(picture_pattern_temperature, at(pattern_temperature, alpha));
  print(console::string_space(5));
  print_double(picture_loss_temperature, loss_temperature);
  print(console::string_space(3));
  print_double(picture_total_temperature, at(total_temperature, alpha));
  print(console::string_space(7));
  if (at(total_temperature, alpha) <= 0) {
    platform_.color_set(13);
    print_double(picture_g_over_ta, at(g_over_ta_db, alpha));
    print_line("*");
  } else {
    print_double(picture_g_over_ta, at(g_over_ta_db, alpha));
    end_line();
  }
  platform_.color_set(14);
}

}  // namespace calculator
