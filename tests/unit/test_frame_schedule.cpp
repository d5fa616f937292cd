// When the window draws: a lone change at once, a burst of changes as one
// frame, a screen that keeps changing still now and then.
#include <gtest/gtest.h>

#include <vector>

#include "console/glut/frame_schedule.h"

using console::glut::FrameSchedule;

namespace {

// The times at which frames are drawn for changes at `change_times`, with
// the window waking at every change and every due time.
std::vector<int64_t> frames_for(const std::vector<int64_t>& change_times, int64_t until) {
  FrameSchedule schedule;
  std::vector<int64_t> frames;
  std::size_t next_change = 0;
  for (int64_t now = 0; now <= until; ++now) {
    while (next_change < change_times.size() && change_times[next_change] == now) {
      schedule.changed(now);
      ++next_change;
    }
    if (schedule.draw_due() && *schedule.draw_due() <= now) {
      frames.push_back(now);
      schedule.drawn();
    }
  }
  return frames;
}

TEST(FrameSchedule, NothingChangedNothingDue) { EXPECT_FALSE(FrameSchedule().draw_due()); }

TEST(FrameSchedule, FramesForChanges) {
  constexpr int64_t quiet = FrameSchedule::kQuietMs;
  constexpr int64_t longest = FrameSchedule::kLongestWaitMs;
  std::vector<int64_t> steady;  // a change every millisecond for 60 ms
  for (int64_t t = 100; t < 160; ++t) steady.push_back(t);
  const struct {
    const char* what;
    std::vector<int64_t> changes;
    std::vector<int64_t> frames;
  } cases[] = {
      {"one key's echo", {100}, {100 + quiet}},
      {"two keys apart", {100, 200}, {100 + quiet, 200 + quiet}},
      {"a screen printed in one go", {100, 100, 101, 101, 101}, {101 + quiet}},
      {"a screen that keeps changing", steady, {100 + longest, 100 + 2 * longest + 1, 159 + quiet}},
  };
  for (const auto& c : cases) EXPECT_EQ(frames_for(c.changes, 400), c.frames) << c.what;
}

}  // namespace
