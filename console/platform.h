// The text-window platform: the one interface that the calculator calls.
//
// Errors: a failing operation records a pending error (error_raise); while
// one is pending, the screen, keyboard, file, title, delay and picture
// operations return at once without effect, and the text and number
// functions still compute. The next statement_hook delivers it by throwing
// ErrorDelivered to the run loop, which enters the error handler.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <source_location>

#include "console/errors.h"
#include "console/files.h"
#include "console/host.h"
#include "console/key_queue.h"
#include "console/numbers.h"
#include "console/text.h"
#include "console/text_screen.h"

namespace console {

// Thrown by statement_hook when it hands a pending error to the trap; the
// run loop catches it and enters the error handler.
struct ErrorDelivered {};

// Thrown by program_halt: the run is over and the process ends with
// exit_code (0 after a stop request from the window).
struct RunHalted {
  int exit_code = 0;
};

class Platform {
 public:
  explicit Platform(Host& host);

  Host& host() { return host_; }
  TextScreen& screen() { return screen_; }
  KeyQueue& keys() { return keys_; }
  FileTable& files() { return files_; }

  // Screen.
  void clear_screen();
  void color_set(int32_t foreground);
  void locate_cursor(int32_t row, int32_t column);
  void print_fit_to_line(const Text& text);
  void print_string(const Text& text, bool line_end);
  void set_window_title(const Text& title);

  // Keyboard and time.
  // Edits one line typed at the keyboard into a 32-bit float target or a
  // text target (one target, line end at Enter). Returns early, without a
  // line end, when a stop is requested.
  void input_from_keyboard(float& target);
  void input_from_keyboard(Text& target);
  // The oldest queued key press (1 or 2 bytes), or empty (also during the
  // Pause key's hold); never waits beyond a yield.
  Text string_inkey();
  // Sleeps until a key press is queued or a stop is requested (the key
  // waits use this instead of spinning); takes nothing from the queue.
  void await_key();
  void delay_seconds(double seconds);
  void beep();

  // Files.
  void open_file(const Text& name, int32_t file_number);
  void close_file(int32_t file_number);
  void line_input_from_file(int32_t file_number, Text& target);
  void file_input_done() {}

  // Text to number (may raise error 6 for the &H/&O/&B forms).
  long double string_to_number(const Text& text);

  // Numbers.
  long double power_checked(long double base, long double exponent);
  double natural_log(double x);
  uint32_t array_index_check(uint32_t offset, uint32_t count) {
    if (offset < count) return offset;
    error_raise(kSubscriptOutOfRange);
    return 0;
  }

  // Number pictures; each appends its field to `out` and returns the
  // template position of a next field (0 when used up).
  int32_t print_using_integer(const Text& picture, int64_t value, int32_t start, Text& out);
  int32_t print_using_single(const Text& picture, float value, int32_t start, Text& out);
  int32_t print_using_double(const Text& picture, double value, int32_t start, Text& out);

  // Errors and end.
  // Sets the trap; `label` is where the calculator keeps its last label,
  // read when an error is delivered.
  void set_error_trap(const double* label);
  void error_raise(int32_t number);
  bool error_pending() const { return pending_error_ != 0; }
  // After a statement: delivers a pending error (throws ErrorDelivered),
  // or ends the run on a stop request (throws RunHalted).
  void statement_hook(int32_t statement) {
    if (event_flag_.load(std::memory_order_acquire)) statement_event(statement);
  }
  int32_t last_error_number() const { return last_error_number_; }
  double last_error_line() const { return last_error_line_; }
  int32_t error_line() const { return error_line_; }
  // Leaves the running trap; the caller continues at the resume point.
  void resume_after_error();
  // Ends the run: throws RunHalted with the stop request's exit code.
  [[noreturn]] void program_halt();

  // The platform's stop request (the window's close button, or the error
  // handler's closing path with a non-zero exit code). Any thread.
  void request_stop(int exit_code = 0);
  bool stop_requested() const { return stop_requested_.load(std::memory_order_acquire); }

  // The Pause key's hold (window thread): while it lasts, statement_hook
  // waits, so the run stops at its next statement boundary, delay step or
  // key poll, and no key leaves the queue. A stop request ends the run
  // during a hold as well.
  void set_paused(bool paused);
  bool paused() const { return paused_.load(std::memory_order_acquire); }

 private:
  void statement_event(int32_t statement);
  void error_dispatch();
  template <typename Target>
  void edit_line(Target& target);

  Host& host_;
  TextScreen screen_;
  KeyQueue keys_;
  FileTable files_;

  int32_t pending_error_ = 0;
  std::atomic<bool> event_flag_{false};
  std::atomic<bool> stop_requested_{false};
  std::atomic<bool> paused_{false};
  std::atomic<int> stop_exit_code_{0};

  bool trap_set_ = false;
  bool trap_running_ = false;
  const double* trap_label_ = nullptr;
  int32_t last_error_number_ = 0;
  double last_error_line_ = 0;
  int32_t error_line_ = 0;
};

// Runs the program's procedure on the calling thread until it halts and
// returns the exit code: 0 after a stop from the window, the closing path's
// code, or non-zero after a fatal error (shown through the host).
int run_program(Platform& platform, const std::function<void(Platform&)>& procedure);

}  // namespace console
