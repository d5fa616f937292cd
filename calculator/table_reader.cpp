// extract_gains: the second pass over the far-field table. It reads the 181
// slices (polar angle 180 down to 0) of 361 azimuth lines each, mends a
// decimal comma in the gain field, stores the gain and the integration
// element of every direction, keeps the largest gain and its direction, and
// checks the last data line.
#include <array>
#include <cstring>
#include <vector>

#include "calculator/calculator.h"

namespace calculator {

namespace {

// The polar angles whose slice ends with a progress line.
bool shows_progress(int16_t theta) {
  return theta == 180 || theta == 135 || theta == 90 || theta == 45 || theta == 30;
}

}  // namespace

bool Calculator::extract_gains() {
  platform_.set_window_title(console::string_concat(
      console::string_concat(console::string_concat("Torvelin v1.58", console::string_space(9)), "FFTab: "),
      table_file_name));
  hook();
  platform_.delay_seconds(2);
  hook();
  platform_.open_file(table_file_name, kTableFile);
  hook();
  for (loop_index = 1; loop_index <= 9; ++loop_index) {
    read_table_line(skipped_line);
  }

  end_line();
  print_line(" Extracting the 65,341 Tot_dB values from the FF Table,");
  print_line(" looking at any possible comma and computing");
  print_line(" the 65,341 elements for the double integration,");
  print_line(" please, wait ...");
  end_line();
  hook();

  max_gain_db = -1000;

  // Shown once per file, when its first data line needs the comma mend.
  auto show_comma_notice = [this] {
    end_line();
    platform_.color_set(9);
    print_line(" Replacing commas by dots, please wait a little more!");
    platform_.color_set(7);
    end_line();
    hook();
  };

  // What the element formula takes from the polar angle alone, the same
  // values for every azimuth: sin(pi / 180 * theta) and (pi / 180)^2.
  // Computing them once per pass leaves every element bit for bit as the
  // formula gives it.
  std::array<double, 181> sine_of_theta{};
  for (int16_t theta = 0; theta <= 180; ++theta) {
    const double x = static_cast<double>(console::pi_value() / 180 * theta);
    sine_of_theta[static_cast<std::size_t>(theta)] = console::sin(x);
  }
  const long double solid_angle_step = platform_.power_checked(console::pi_value() / 180, 2);
  hook();

  // 10^(g/10) depends on the gain alone, and a table repeats its gains
  // often (they are written with a few decimals), so each power is kept in
  // a table keyed by the gain's bits: a repeated gain gets the very value
  // that power_checked gave it the first time. power_checked costs far
  // more than the lookup. Open addressing with a few linear probes: a gain
  // that finds no free slot is computed again each time it occurs.
  struct PowerMemo {
    uint64_t gain_bits;
    bool filled;
    long double power;
  };
  constexpr std::size_t kMemoSize = 8192;  // 2^13: the top 13 bits of the hash
  constexpr std::size_t kMemoProbes = 8;
  std::vector<PowerMemo> power_memo(kMemoSize, PowerMemo{0, false, 0});
  auto linear_gain_of = [&](double gain) {
    uint64_t bits;
    std::memcpy(&bits, &gain, sizeof bits);
    std::size_t slot = static_cast<std::size_t>((bits * 0x9E3779B97F4A7C15ull) >> 51);
    for (std::size_t probe = 0; probe < kMemoProbes; ++probe, slot = (slot + 1) % kMemoSize) {
      PowerMemo& entry = power_memo[slot];
      if (entry.filled && entry.gain_bits == bits) return entry.power;
      if (!entry.filled) {
        entry = PowerMemo{bits, true, platform_.power_checked(10, static_cast<long double>(gain) / 10)};
        return entry.power;
      }
    }
    return platform_.power_checked(10, static_cast<long double>(gain) / 10);
  };

  for (theta_index = 180; theta_index >= 0; --theta_index) {
    last_label = 100;
    read_table_line(data_line);
    last_label = 110;
    read_table_line(data_line);
    last_label = 120;
    read_table_line(data_line);

    for (azimuth_index = 0; azimuth_index <= 360; ++azimuth_index) {
      last_label = 130;
      read_table_line(data_line);

      value_field = console::string_mid(data_line, 26, 10);
      comma_pos = static_cast<int16_t>(console::string_instr(value_field, ","));
      const bool first_data_line = theta_index == 180 && azimuth_index == 0;
      if (comma_pos == 5) {
        if (first_data_line) show_comma_notice();
        value_left = console::string_left(value_field, 4);
        value_right = console::string_right(value_field, 2);
        value_field = console::string_concat(console::string_concat(value_left, "."), value_right);
      }
      if (comma_pos == 8) {
        if (first_data_line) show_comma_notice();
        value_left = console::string_left(value_field, 7);
        value_right = console::string_right(value_field, 2);
        value_field = console::string_concat(console::string_concat(value_left, "."), value_right);
      }

      cell_index = azimuth_index * 181 + theta_index + 1;
      const double gain = static_cast<double>(platform_.string_to_number(value_field));
      at(gain_db, cell_index) = gain;

      // The maximum is kept as a 32-bit float; a tie keeps the direction
      // found first.
      const float gain_single = static_cast<float>(gain);
      if (gain_single > max_gain_db) {
        max_gain_db = gain_single;
        max_azimuth = azimuth_index;
        max_theta = theta_index;
      }

      // Element = 10^(g/10) * sin(theta in radians) * (pi/180)^2, with
      // extended-precision intermediates, rounded once where it is stored.
      const long double linear_gain = linear_gain_of(gain);
      const long double weighted = linear_gain * sine_of_theta[static_cast<std::size_t>(theta_index)];
      at(gain_element, cell_index) = static_cast<double>(weighted * solid_angle_step);
      hook();
    }

    if (shows_progress(theta_index)) {
      print(" theta = ");
      print_integer(picture_angle, theta_index);
      print_line(" degrees ...");
      hook();
    }
  }

  // The last line read must be the data line of azimuth 360.
  if (console::string_not_equal(console::string_left(data_line, 3), "360")) {
    show_notice({" The FF Table file is not in accordance with the right format",
                 " (number of lines and/or content of lines)."});
    return false;
  }

  // A maximum that the horizon straight ahead (azimuth 0, polar angle 90)
  // shares is reported there. Both angles move, so that the direction shown
  // is one that has the largest gain.
  if (static_cast<float>(at(gain_db, 91)) == max_gain_db) {
    max_azimuth = 0;
    max_theta = 90;
  }

  platform_.close_file(kTableFile);
  hook();
  return true;
}

}  // namespace calculator
