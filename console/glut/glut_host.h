// The windowed program's host: a freeglut window that shows the text screen,
// the keyboard read on a second X11 connection, OpenAL Soft for the beep,
// the real clock, and the start-up and stop of the whole process.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "console/glut/sound_output.h"
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
  // X11 has no system message box: the caption and message go to stderr,
  // and the window shows them (caption as title, message on row 1) until a
  // key press or the close button dismisses them.
  void show_fatal(const Text& caption, const Text& message) override;

  // The platform whose window shows a fatal error.
  void attach(Platform& platform) { platform_ = &platform; }

  // Window thread: the caption to show now; `changed` tells whether it was
  // set since the last call.
  Text take_title(bool& changed);
  // Window thread: waits at most `timeout` for the run's first caption, so
  // that the window carries it from its creation.
  void wait_for_first_title(std::chrono::milliseconds timeout);

 private:
  SoundOutput& sound_;
  Platform* platform_ = nullptr;
  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::mutex title_mutex_;
  std::condition_variable title_set_;
  Text title_;
  bool title_changed_ = false;
  bool title_ever_set_ = false;
};

// Exit codes of a start-up without sound output, and of a run that cannot
// go on (no display or window, a lost display, no memory or no thread).
constexpr int kExitNoSoundDevice = 111;
constexpr int kExitNoSoundContext = 222;
constexpr int kExitFailure = 1;

// Runs the program in its window. Opens the default sound device, makes the
// folder that holds the program the current folder, creates the text screen,
// starts `procedure` on a thread of its own (through run_program), opens the
// 640 x 400 window and runs the event loop on the calling thread. The
// program takes no options; `program_name` is argv[0]. Never returns: the
// process ends with 0 after the window's close button, a stop key or the
// window's destruction, with run_program's code when the procedure ends by
// itself, 111 without a sound device, 222 without a sound context, and 1
// with one line on standard error when there is no display or window, the
// display's connection breaks, or memory or a thread is lacking.
[[noreturn]] void run_windowed(char* program_name, std::function<void(Platform&)> procedure);

}  // namespace console::glut
