// When the window draws the changes of the screen. A change is drawn once
// the screen has stayed unchanged for a moment (kQuietMs), so that a key's
// echo shows at once while a screen printed in one go (a results screen, a
// refused key's redraw) comes as one frame and not one per character; a
// screen that keeps changing is still drawn every kLongestWaitMs.
#pragma once

#include <cstdint>
#include <optional>

namespace console::glut {

class FrameSchedule {
 public:
  static constexpr int64_t kQuietMs = 2;
  static constexpr int64_t kLongestWaitMs = 25;

  // The screen changed at `now_ms`.
  void changed(int64_t now_ms);
  // When the changes not yet drawn are due; nothing when none wait.
  std::optional<int64_t> draw_due() const;
  // A frame has shown every change so far.
  void drawn() { first_change_.reset(); }

 private:
  std::optional<int64_t> first_change_;  // the oldest change not drawn
  int64_t last_change_ = 0;
};

}  // namespace console::glut
