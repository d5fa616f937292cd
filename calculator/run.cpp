// The start of the run, the run sequence with its file loop, and the key
// wait that ends every notice.
#include <cfenv>
#include <string_view>

#include "calculator/calculator.h"

namespace calculator {

namespace {

// Row 2 of the banner: 70 characters, the first a blank.
constexpr std::string_view kCreditLine =
    " G/Ta of a receiving antenna from its far-field table, horizon tilted.";
static_assert(kCreditLine.size() == 70 && kCreditLine.front() == ' ');

}  // namespace

void Calculator::run() {
  // The start and the dialogue raise no numbered errors; should one arrive
  // anyway, last_label is still 0 and the handler takes its closing path.
  try {
    start_of_run();
    ask_sky_temperature();
    ask_earth_temperature();
  } catch (const console::ErrorDelivered&) {
    error_handler();
  }
  // Every resumable error continues at the file prompt, with every variable
  // as it was; the start and the dialogue are not run again.
  for (;;) {
    try {
      file_loop();
    } catch (const console::ErrorDelivered&) {
      error_handler();
    }
  }
}

void Calculator::start_of_run() {
  // Arithmetic: the formulas that need extended intermediates are written
  // in long double (the x87 format, 64-bit significand) and round where
  // they store. The thread's floating-point state is set to the default
  // one: x87 at full precision, rounding to nearest, every exception
  // masked, no flushing of subnormals to zero. The thread inherits its
  // state from the one that made it, after libraries ran there.
  std::fesetenv(FE_DFL_ENV);

  // The program-wide variables are the members, made with the Calculator.

  platform_.set_error_trap(&last_label);

  picture_alpha = "##";
  picture_angle = "###";
  picture_average_gain = "#.###";
  picture_average_gain_db = "+#.##";
  picture_max_gain = "+##.##";
  picture_g_over_ta = "+##.###";
  picture_loss_temperature = "+###.###";
  picture_input_temperature = "#,###,###.##";
  picture_pattern_temperature = "#,###,###.###";
  picture_total_temperature = "+#,###,###.###";

  platform_.clear_screen();
  platform_.set_window_title("Torvelin v1.58: G/Ta computed with noise sphere rotation");
  platform_.delay_seconds(2);
  hook();

  platform_.color_set(14);
  print_line(" Torvelin_V1-58");
  platform_.color_set(7);
  print_line(Text(kCreditLine));
  end_line();
}

void Calculator::file_loop() {
  for (;;) {
    ask_table_file();
    // A notice of either pass leads back to the prompt.
    if (!check_table_layout()) continue;
    if (!extract_gains()) continue;
    compute_average_gain();
    show_results();
  }
}

void Calculator::wait_for_key() {
  // A key press already queued counts; exactly one is taken.
  key_pressed = Text();
  while (console::string_equal(key_pressed, Text())) {
    key_pressed = platform_.string_inkey();
    hook();  // a stop request ends the run at this poll
    // Sleep until a key press arrives instead of spinning.
    if (console::string_equal(key_pressed, Text())) platform_.await_key();
  }
}

}  // namespace calculator
