// The G/Ta calculator: one procedure over program-wide variables. The
// variables are the members of Calculator, with the names and widths that
// the computation relies on; the sections are member functions, one file
// per concern:
//   run.cpp            start of the run, run sequence, wait_for_key
//   dialogue.cpp       temperature dialogue and show_notice
//   table_prompt.cpp   ask_table_file
//   table_layout.cpp   check_table_layout (the first pass)
//   table_reader.cpp   extract_gains (the second pass)
//   integration.cpp    integrate_rectangle, split_sky_earth,
//                      compute_average_gain, row values
//   results.cpp        show_summary, show_results, print_result_row
//   error_handler.cpp  error_handler
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <source_location>

#include "console/platform.h"

namespace calculator {

using console::Text;

constexpr int32_t kDirectionCount = 65342;  // slot 0 unused, 1..65,341
constexpr int32_t kTiltCount = 92;          // alpha 0..91
constexpr int32_t kAzimuthSumCount = 362;   // azimuth 0..361

class Calculator {
 public:
  explicit Calculator(console::Platform& platform);

  // The whole run; never returns normally: it ends by console::RunHalted.
  void run();

  // ---- Program-wide variables (all start at 0 or empty) ----
  // Temperature dialogue.
  float sky_temperature = 0;
  float earth_temperature = 0;
  // Table file prompt.
  Text table_file_name;
  int16_t table_file_name_length = 0;
  std::array<int16_t, kTiltCount> dummy_flags{};
  // Layout check (first pass).
  Text header_line;
  Text azimuth_line;
  Text first_angle_text;
  Text second_angle_text;
  float first_angle = 0;
  float second_angle = 0;
  // Gain extraction (second pass).
  std::array<double, kDirectionCount> gain_db{};
  std::array<double, kDirectionCount> gain_element{};
  float max_gain_db = 0;
  int16_t max_azimuth = 0;
  int16_t max_theta = 0;
  Text value_field;
  int16_t comma_pos = 0;
  Text value_left;
  Text value_right;
  Text skipped_line;
  // Integration.
  int16_t alpha = 0;
  double theta_sum = 0;
  std::array<double, kAzimuthSumCount> azimuth_sums{};
  double region_integral = 0;
  double sky_part_1 = 0, sky_part_2 = 0, sky_part_3 = 0;
  double earth_part_1 = 0, earth_part_2 = 0, earth_part_3 = 0;
  std::array<double, kTiltCount> sky_integral{};
  std::array<double, kTiltCount> earth_integral{};
  float sky_integral_0 = 0;
  float earth_integral_0 = 0;
  int16_t az_from = 0, az_to = 0, theta_from = 0, theta_to = 0;
  double average_gain = 0;
  double average_gain_db = 0;
  double loss_temperature = 0;
  std::array<double, kTiltCount> pattern_temperature{};
  std::array<double, kTiltCount> total_temperature{};
  std::array<double, kTiltCount> g_over_ta_db{};
  // Results screen.
  int16_t dummy_count = 0;
  // Shared working variables.
  int16_t loop_index = 0;
  Text data_line;
  int32_t cell_index = 0;
  int16_t theta_index = 0;
  int16_t azimuth_index = 0;
  Text key_pressed;
  // The last numbered label passed (0, 20, 100, 110, 120, 130); read by the
  // platform when it delivers an error.
  double last_label = 0;
  // Picture templates, set at the start of the run.
  Text picture_alpha;
  Text picture_angle;
  Text picture_average_gain;
  Text picture_average_gain_db;
  Text picture_max_gain;
  Text picture_g_over_ta;
  Text picture_loss_temperature;
  Text picture_input_temperature;
  Text picture_pattern_temperature;
  Text picture_total_temperature;

  // ---- Sections (each returns to the run sequence) ----
  void start_of_run();
  void ask_sky_temperature();
  void ask_earth_temperature();
  void ask_table_file();
  // The layout check; false when a notice sent the run back to the prompt.
  bool check_table_layout();
  // The second pass; false after the last-line notice.
  bool extract_gains();
  void compute_average_gain();
  void show_results();
  // Entered on every delivered error: returns after resume_after_error, or
  // ends the run.
  void error_handler();

  // ---- Subroutines ----
  void wait_for_key();
  void show_notice(std::initializer_list<const char*> message_lines);
  void show_summary();
  void split_sky_earth();
  void integrate_rectangle();
  void print_result_row();
  // The row values of print_result_row (its first half).
  void compute_row_values();

 private:
  // The run sequence from the file prompt on; never returns.
  void file_loop();

  // Print steps: the fit check and the text without a line end; the text
  // and a line end; a line end alone.
  void print(const Text& text);
  void print_line(const Text& text);
  void end_line();
  // A value through a picture, printed without fit check or line end. A
  // float picture fails on a value that is not a finite number, so the
  // float prints end in a statement boundary that carries the caller's line.
  void print_integer(const Text& picture, int64_t value);
  void print_single(const Text& picture, float value,
                    std::source_location where = std::source_location::current());
  void print_double(const Text& picture, double value,
                    std::source_location where = std::source_location::current());

  // A statement boundary: hands control to the platform, which delivers a
  // pending error or acts on a stop request. The line is the statement's.
  void hook(std::source_location where = std::source_location::current()) {
    platform_.statement_hook(static_cast<int32_t>(where.line()));
  }

  // The table file's number: the only file the calculator opens.
  static constexpr int32_t kTableFile = 1;

  // Reads the next line of the table file; the statement boundary after it
  // carries the caller's line.
  void read_table_line(Text& line, std::source_location where = std::source_location::current()) {
    platform_.line_input_from_file(kTableFile, line);
    platform_.file_input_done();
    hook(where);
  }

  // Every array element access goes through the platform's index check.
  template <typename T, std::size_t N>
  T& at(std::array<T, N>& array, int32_t index) {
    return array[platform_.array_index_check(static_cast<uint32_t>(index), N)];
  }

  console::Platform& platform_;
};

}  // namespace calculator
