// The first pass over the far-field table file: line 11 must begin with
// "Azimuth" and the first two data lines (13 and 14) must lie exactly one
// degree apart. No gain is read here.
#include "calculator/calculator.h"

namespace calculator {

bool Calculator::check_table_layout() {
  // A failed check of an earlier cycle leaves the file open; close it so
  // that the same name can be opened again.
  platform_.close_file(kTableFile);
  last_label = 20;
  platform_.open_file(table_file_name, kTableFile);
  hook();

  // Lines 1 to 10 are read and dropped.
  for (loop_index = 1; loop_index <= 10; ++loop_index) {
    read_table_line(header_line);
  }

  read_table_line(azimuth_line);
  // Case counts, and a leading blank fails.
  if (console::string_not_equal(console::string_left(azimuth_line, 7), "Azimuth")) {
    show_notice({" The FF Table file is not in accordance with the right format",
                 " (due to wrong number of lines and/or wrong content of lines",
                 " and/or not organized as Azimuth slices)."});
    return false;
  }

  // Line 12 is not examined.
  read_table_line(data_line);

  read_table_line(data_line);
  first_angle_text = console::string_left(data_line, 3);
  first_angle = static_cast<float>(platform_.string_to_number(first_angle_text));

  read_table_line(data_line);
  second_angle_text = console::string_left(data_line, 3);
  second_angle = static_cast<float>(platform_.string_to_number(second_angle_text));

  // Only the step is tested: the azimuth of line 13 need not be 0.
  if (static_cast<double>(second_angle) - static_cast<double>(first_angle) != 1.0) {
    show_notice({" The FF Table must be of 1 deg. resolution but is not!"});
    return false;
  }

  platform_.close_file(kTableFile);
  return true;
}

}  // namespace calculator
