#include "console/platform.h"

#include <cmath>
#include <new>
#include <string>

#include "console/line_input.h"
#include "console/picture.h"
#include "console/standard_error.h"
#include "console/tone.h"

namespace console {

namespace {

constexpr int64_t kPollMs = 10;
constexpr int64_t kDelayStepMs = 9;
constexpr int64_t kBellPauseMs = 250;
// A key wait ends at once when a key is queued or a stop is requested; it
// looks again this often all the same.
constexpr int64_t kKeyWaitMs = 1000;
constexpr int64_t kPauseStepMs = 10;
constexpr double kLongestDelaySeconds = 2147483.647;
constexpr double kBeepWaitSeconds = 0.25;
// The statement number that the platform's own waits hand to statement_hook.
constexpr int32_t kWaitStatement = 0;

constexpr char kEnter = 13;
constexpr char kBackspace = 8;
constexpr char kTab = 9;
constexpr char kBell = 7;

bool ignored_in_entry(unsigned char code) {
  return code == 10 || code == 11 || code == 12 || (code >= 28 && code <= 31);
}

bool accept_entry(const Text& entry, Text& target) { return text_entry_acceptable(entry, target); }
bool accept_entry(const Text& entry, float& target) { return float_entry_acceptable(entry, target); }

}  // namespace

Platform::Platform(Host& host) : host_(host) {
  files_.set_abort_check([this] { return stop_requested(); });
}

// Screen.

void Platform::clear_screen() {
  if (error_pending()) return;
  screen_.clear();
}

void Platform::color_set(int32_t foreground) {
  if (error_pending()) return;
  if (!screen_.set_foreground(foreground)) error_raise(kIllegalFunctionCall);
}

void Platform::locate_cursor(int32_t row, int32_t column) {
  if (error_pending()) return;
  if (!screen_.locate(row, column)) error_raise(kIllegalFunctionCall);
}

void Platform::print_fit_to_line(const Text& text) {
  if (error_pending()) return;
  screen_.fit_to_line(text);
}

void Platform::print_string(const Text& text, bool line_end) {
  if (error_pending()) return;
  // Byte 7 pauses without sound.
  screen_.print(text, line_end, [this] { host_.sleep_ms(kBellPauseMs); });
}

void Platform::set_window_title(const Text& title) {
  if (error_pending()) return;
  host_.set_title(title);
}

// Keyboard and time.

void Platform::input_from_keyboard(float& target) { edit_line(target); }
void Platform::input_from_keyboard(Text& target) { edit_line(target); }

template <typename Target>
void Platform::edit_line(Target& target) {
  if (error_pending()) return;
  target = Target{};
  screen_.set_cursor_visible(true);
  // A refused key brings back this screen with the accepted text behind it.
  const ScreenState at_start = screen_.snapshot();
  Text entry;

  auto redraw = [&] {
    screen_.restore(at_start);
    print_string(entry, false);
  };
  // One typed character (a Tab stands for several).
  auto type = [&](char c) {
    if (entry.size() >= kMaxEntryLength) return;
    entry.push_back(c);
    Target value{};
    if (accept_entry(entry, value)) {
      target = value;
      print_string(Text(1, c), false);
    } else {
      entry.pop_back();
      redraw();
    }
  };

  for (;;) {
    // A stop ends the entry at once, keys still queued or not; the caller
    // then ends the run.
    if (stop_requested()) {
      screen_.set_cursor_visible(false);
      return;
    }
    // A hold keeps the keys typed before it queued until it ends.
    if (paused()) {
      host_.sleep_ms(kPollMs);
      continue;
    }
    Text key = keys_.pop();
    if (key.empty()) {
      host_.await_key(*this, kKeyWaitMs);
      continue;
    }
    if (key.size() != 1) continue;  // keys with a key code only
    const char code = key[0];
    if (code == kEnter) break;
    if (code == kBackspace) {
      if (entry.empty()) continue;
      entry.pop_back();
      Target value{};
      accept_entry(entry, value);  // a prefix of an accepted entry is accepted
      target = value;
      redraw();
    } else if (code == kTab) {
      std::size_t blanks = 8 - entry.size() % 8;
      for (std::size_t i = 0; i < blanks; ++i) type(' ');
    } else if (code == kBell) {
      print_string(key, false);
    } else if (!ignored_in_entry(static_cast<unsigned char>(code))) {
      type(code);
    }
  }
  screen_.set_cursor_visible(false);
  print_string(Text(), true);
}

Text Platform::string_inkey() {
  if (error_pending()) return Text();
  host_.sleep_ms(0);
  // During a hold the keys stay queued for after it; the next statement
  // boundary waits it out.
  if (paused()) return Text();
  return keys_.pop();
}

void Platform::await_key() {
  if (error_pending()) return;
  if (keys_.empty() && !stop_requested()) host_.await_key(*this, kKeyWaitMs);
}

void Platform::delay_seconds(double seconds) {
  if (error_pending()) return;
  if (!(seconds >= 0 && seconds <= kLongestDelaySeconds)) {
    error_raise(kIllegalFunctionCall);
    return;
  }
  const int64_t end = host_.now_ms() + std::llround(seconds * 1000);
  while (end - host_.now_ms() >= kPollMs) {
    host_.sleep_ms(kDelayStepMs);
    statement_hook(kWaitStatement);
  }
  int64_t rest = end - host_.now_ms();
  host_.sleep_ms(rest < 1 ? 1 : rest);
}

void Platform::beep() {
  if (error_pending()) return;
  host_.play_samples(beep_tone_samples(), kToneSampleRate);
  delay_seconds(kBeepWaitSeconds);
}

// Files.

void Platform::open_file(const Text& name, int32_t file_number) {
  if (error_pending()) return;
  if (int32_t error = files_.open(name, file_number)) error_raise(error);
}

void Platform::close_file(int32_t file_number) {
  if (error_pending()) return;
  files_.close(file_number);
}

void Platform::line_input_from_file(int32_t file_number, Text& target) {
  if (error_pending()) return;
  if (int32_t error = files_.read_line(file_number, target)) error_raise(error);
}

long double Platform::string_to_number(const Text& text) {
  NumberScan scan = scan_number(text);
  if (scan.error != 0) error_raise(scan.error);
  return scan.value;
}

// Numbers.

long double Platform::power_checked(long double base, long double exponent) {
  if (base < 0 && !(exponent == std::trunc(exponent))) {
    error_raise(kIllegalFunctionCall);
    return 0;
  }
  return std::pow(base, exponent);
}

double Platform::natural_log(double x) {
  if (std::isnan(x)) return x;
  if (x > 0) return static_cast<double>(std::log(static_cast<long double>(x)));
  error_raise(kIllegalFunctionCall);
  return 0;
}

// Pictures.

int32_t Platform::print_using_integer(const Text& picture, int64_t value, int32_t start, Text& out) {
  if (error_pending()) return 0;
  int32_t next = 0;
  out += picture_integer(picture, value, start, next);
  return next;
}

int32_t Platform::print_using_single(const Text& picture, float value, int32_t start, Text& out) {
  return print_using_double(picture, static_cast<double>(value), start, out);
}

int32_t Platform::print_using_double(const Text& picture, double value, int32_t start, Text& out) {
  if (error_pending()) return 0;
  if (!std::isfinite(value)) {
    error_raise(kIllegalFunctionCall);
    return 0;
  }
  int32_t next = 0;
  out += picture_double(picture, value, start, next);
  return next;
}

// Errors and end.

void Platform::set_error_trap(const double* label) {
  trap_set_ = true;
  trap_label_ = label;
}

void Platform::error_raise(int32_t number) {
  // A lack of memory is fatal: it never reaches the trap; run_program shows
  // it and ends the run.
  if (number == kOutOfMemory) throw std::bad_alloc();
  if (pending_error_ != 0) return;
  pending_error_ = number <= 0 ? kIllegalFunctionCall : number;
  event_flag_.store(true, std::memory_order_release);
}

void Platform::statement_event(int32_t statement) {
  // A read-modify-write: a flag set by another thread after this exchange
  // stays set for the next boundary, and one set before it comes with the
  // hold or stop stored ahead of it, so neither is missed.
  event_flag_.exchange(false, std::memory_order_acq_rel);
  while (paused() && !stop_requested()) host_.sleep_ms(kPauseStepMs);
  if (stop_requested()) {
    // Every later statement halts as well, whoever catches this one.
    event_flag_.store(true, std::memory_order_release);
    program_halt();
  }
  if (pending_error_ != 0) {
    error_line_ = statement;
    error_dispatch();
  }
}

void Platform::error_dispatch() {
  if (trap_set_ && !trap_running_) {
    last_error_number_ = pending_error_;
    last_error_line_ = trap_label_ != nullptr ? *trap_label_ : 0;
    pending_error_ = 0;
    trap_running_ = true;
    throw ErrorDelivered{};
  }
  // No trap, or an error inside the trap: the run cannot go on.
  write_standard_error_line("Unhandled error " + std::to_string(pending_error_) + " after statement " +
                            std::to_string(error_line_));
  throw RunHalted{1};
}

void Platform::resume_after_error() {
  trap_running_ = false;
  last_error_number_ = 0;
}

void Platform::program_halt() { throw RunHalted{stop_exit_code_.load(std::memory_order_acquire)}; }

void Platform::request_stop(int exit_code) {
  stop_exit_code_.store(exit_code, std::memory_order_release);
  stop_requested_.store(true, std::memory_order_release);
  event_flag_.store(true, std::memory_order_release);
  keys_.wake();
}

void Platform::set_paused(bool paused) {
  paused_.store(paused, std::memory_order_release);
  if (paused) event_flag_.store(true, std::memory_order_release);
}

int run_program(Platform& platform, const std::function<void(Platform&)>& procedure) {
  int exit_code = 0;
  try {
    // The procedure never comes back on its own; if it does, the run is over.
    procedure(platform);
  } catch (const RunHalted& halted) {
    exit_code = halted.exit_code;
  } catch (const ErrorDelivered&) {
    // The procedure let a delivered error escape its run loop.
    write_standard_error_line("Error " + std::to_string(platform.last_error_number()) + " escaped the error handler");
    exit_code = 1;
  } catch (const std::bad_alloc&) {
    // The one fatal error: shown to the user; the run ends with its number,
    // so a caller sees the failure.
    platform.host().show_fatal("Critical Error #7", "Out of memory");
    exit_code = kOutOfMemory;
  }
  platform.files().close_all();
  return exit_code;
}

}  // namespace console
