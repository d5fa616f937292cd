// The temperature dialogue and the notice frame that reports every failure
// the user can cause.
#include "calculator/calculator.h"

namespace calculator {

namespace {

// The largest temperature accepted; exact as a 32-bit float, and the next
// float above it is 1e7.
constexpr float kTemperatureLimit = 9999999.0f;

}  // namespace

void Calculator::ask_sky_temperature() {
  for (;;) {
    print(" Enter   Sky Temperature (K)");
    platform_.print_string("? ", false);
    platform_.input_from_keyboard(sky_temperature);
    if (platform_.stop_requested()) platform_.program_halt();

    // A zero (of either sign) is echoed and then goes through both range
    // tests like any other value.
    if (sky_temperature == 0.0f) {
      platform_.color_set(9);
      print_line("         Sky Temperature (K)= 0");
      platform_.color_set(7);
    }
    if (sky_temperature < 0.0f) {
      show_notice({" Sky temperature must be >= 0 K"});
      continue;
    }
    if (sky_temperature > kTemperatureLimit) {
      show_notice({" Sky temperature too high ... must be <= 9,999,999 K"});
      continue;
    }
    return;
  }
}

void Calculator::ask_earth_temperature() {
  for (;;) {
    print(" Enter Earth Temperature (K)");
    platform_.print_string("? ", false);
    platform_.input_from_keyboard(earth_temperature);
    if (platform_.stop_requested()) platform_.program_halt();

    if (earth_temperature == 0.0f) {
      platform_.color_set(9);
      print_line("       Earth Temperature (K)= 0");
      platform_.color_set(7);
    }
    const char* refusal = nullptr;
    if (earth_temperature < 0.0f) {
      refusal = " Earth temperature must be >= 0 K";
    } else if (earth_temperature > kTemperatureLimit) {
      refusal = " Earth temperature too high ... must be <= 9,999,999 K";
    }
    if (refusal != nullptr) {
      show_notice({refusal});
      // The accepted sky temperature stands above the earth prompt again.
      print("         Sky Temperature (K):");
      print(console::string_concat(console::string_from_single(sky_temperature), " "));
      end_line();
      continue;
    }
    end_line();
    return;
  }
}

void Calculator::show_notice(std::initializer_list<const char*> message_lines) {
  platform_.beep();
  end_line();
  platform_.color_set(12);
  for (const char* line : message_lines) print_line(line);
  end_line();
  platform_.color_set(9);
  print(" Press any key to continue!");
  platform_.color_set(7);
  wait_for_key();
  platform_.clear_screen();
}

}  // namespace calculator
