// The seam between the platform and the operating system: the window and its
// title, sound, sleeping and the clock. The windowed program and the tests
// each provide one.
#pragma once

#include <cstdint>
#include <vector>

#include "console/text.h"

namespace console {

class Platform;

class Host {
 public:
  virtual ~Host() = default;

  // Makes the text the window's caption (at once, or when the window opens).
  virtual void set_title(const Text& title) = 0;
  // Hands interleaved 16-bit stereo samples to the sound output; returns
  // without waiting for them to play.
  virtual void play_samples(const std::vector<int16_t>& interleaved_stereo, int sample_rate) = 0;
  // Blocks the calling thread for ms milliseconds (0: yield).
  virtual void sleep_ms(int64_t ms) = 0;
  // The process's millisecond clock.
  virtual int64_t now_ms() = 0;
  // Called by the key waits when no key press is queued: returns when a key
  // press is queued, a stop is requested, or after at most timeout_ms.
  virtual void await_key(Platform& platform, int64_t timeout_ms) = 0;
  // A fatal error (out of memory): shown to the user; the process then ends.
  virtual void show_fatal(const Text& caption, const Text& message) = 0;
};

}  // namespace console
