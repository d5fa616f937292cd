// Writes far-field table files: 9 free lines, then 181 slices (polar angle
// 180 down to 0) of 3 header lines and 361 data lines. A data line holds
// the azimuth right-aligned in columns 1 to 3 and the gain in columns 26 to
// 35, with a decimal point or a decimal comma. Used by the sample-table
// generator and by the tests.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct FarFieldTableOptions {
  // Digits after the decimal separator.
  int decimals = 2;
  // Width of the gain field: 10 (the field ends at column 35) or less (the
  // line then ends early, e.g. 7 for a line that ends at column 32).
  int field_width = 10;
  // Write the gain with a decimal comma instead of a point.
  bool decimal_comma = false;
  // Stop after this many lines (0: write the whole table).
  int max_lines = 0;
  // Lines appended after the last slice.
  int extra_lines = 0;
  // The texts of the 9 free lines; missing ones read "free line <n>".
  std::vector<std::string> free_lines;
  // Rewrites any data line (after it has been formatted): theta and azimuth
  // in degrees, the line as written; returns the line to write.
  std::function<std::string(int theta, int azimuth, const std::string& line)> edit_line;
};

// The gain in dBi of polar angle theta (0..180) and azimuth (0..360).
using GainFunction = std::function<double(int theta, int azimuth)>;

// One data line: azimuth in columns 1-3, filler to column 25, the gain
// right-aligned in the field from column 26.
std::string far_field_data_line(int theta, int azimuth, double gain_db, const FarFieldTableOptions& options = {});

// Writes the whole table to path (throws std::runtime_error on failure).
void write_far_field_table(const std::string& path, const GainFunction& gain_db,
                           const FarFieldTableOptions& options = {});
