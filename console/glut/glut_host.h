// The windowed program's host: the calculator's side of the window. It
// keeps the caption and the end of the run for the window thread, and wakes
// that thread (through a WakeUp) whenever the screen, the caption or the
// run's state changes; the tone goes to the sound output.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

#include "console/glut/sound_output.h"
#include "console/glut/wake_up.h"
#include "console/host.h"
#include "console/platform.h"

namespace console::glut {

class GlutHost : public Host {
 public:
  explicit GlutHost(SoundOutput& sound) : sound_(sound) {}

  // Any thread: stores the caption; the window thread applies it.
  void set_title(const Text& title) override;
  void play_samples(const std::vector<int16_t>& interleaved_stereo, int sample_rate) override {
    sound_.play(interleaved_stereo, sample_rate);
  }
  void sleep_ms(int64_t ms) override;
  int64_t now_ms() override;
  void await_key(Platform& platform, int64_t timeout_ms) override;
  // X11 has no system message box: the caption and message go to stderr
  // (as far as it takes them in time), and the window shows them (caption
  // as title, message on row 1) until a key press or the close button
  // dismisses them.
  void show_fatal(const Text& caption, const Text& message) override;

  // The platform whose screen the window shows: each change of it wakes the
  // window thread. Before the calculator's thread starts.
  void attach(Platform& platform);

  // The calculator's thread, once its run is over.
  void program_ended(int exit_code);

  // Any thread: wakes the window thread.
  void wake() { wake_.signal(); }

  // Window thread.
  int wake_fd() const { return wake_.fd(); }
  void clear_wake() { wake_.clear(); }
  // The run's exit code once it is over.
  std::optional<int> program_exit_code();
  std::optional<int> wait_for_program_end(std::chrono::milliseconds patience);
  // The caption to show now; `changed` tells whether it was set since the
  // last call.
  Text take_title(bool& changed);
  // Waits at most `timeout` for the run's first caption, so that the window
  // carries it from its creation.
  void wait_for_first_title(std::chrono::milliseconds timeout);

 private:
  SoundOutput& sound_;
  Platform* platform_ = nullptr;
  WakeUp wake_;
  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();

  std::mutex mutex_;
  std::condition_variable changed_;
  Text title_;
  bool title_changed_ = false;
  bool title_ever_set_ = false;
  std::optional<int> exit_code_;  // set when the run is over
};

}  // namespace console::glut
