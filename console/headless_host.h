// A host without window, sound device or real time, for tests: sleeps advance
// a virtual clock at once, titles and tones are recorded, and key presses
// come from a script, one whenever the program waits for a key with an empty
// queue. When the script is used up, the host requests a stop, as closing
// the window would.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "console/host.h"
#include "console/text_screen.h"
#include "console/text.h"

namespace console {

class HeadlessHost : public Host {
 public:
  // Each byte one key press ("\r" is Enter, "\b" Backspace, "\t" Tab).
  void type(const Text& characters);
  // One key press of one or two bytes (Text("\0H", 2) is Up).
  void press(const Text& key);
  std::size_t keys_left() const { return script_.size(); }

  void set_title(const Text& title) override;
  void play_samples(const std::vector<int16_t>& interleaved_stereo, int sample_rate) override;
  void sleep_ms(int64_t ms) override;
  int64_t now_ms() override;
  void await_key(Platform& platform, int64_t timeout_ms) override;
  void show_fatal(const Text& caption, const Text& message) override;

  // What the program did.
  std::vector<Text> titles;                  // every caption set, in order
  std::vector<std::vector<int16_t>> tones;   // every tone handed over
  std::vector<Text> fatal_messages;
  // The screen as it stood right before each scripted key press was fed
  // (entry i: before key i), so a test can see every intermediate screen.
  std::vector<ScreenState> screens_before_key;
  int64_t clock_ms = 0;                      // virtual time

  // Called after each sleep; a test uses it to queue a key press during a
  // delay or a beep (it captures the platform itself).
  std::function<void(HeadlessHost&, int64_t slept_ms)> on_sleep;

 private:
  std::deque<Text> script_;
};

}  // namespace console
