#include "console/glut/frame_schedule.h"

#include <algorithm>

namespace console::glut {

void FrameSchedule::changed(int64_t now_ms) {
  if (!first_change_) first_change_ = now_ms;
  last_change_ = now_ms;
}

std::optional<int64_t> FrameSchedule::draw_due() const {
  if (!first_change_) return std::nullopt;
  return std::min(last_change_ + kQuietMs, *first_change_ + kLongestWaitMs);
}

}  // namespace console::glut
