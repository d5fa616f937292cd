// The watch over the keyboard's stretches inside the input method: a
// stretch that never ends is reported, stretches that end never are.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <optional>
#include <thread>

#include "console/glut/input_method_watch.h"

using console::glut::InputMethodWatch;
using namespace std::chrono_literals;

namespace {

// A stretch may last this long before it counts as stuck; far longer than
// the short stretches below take even on a busy machine.
constexpr auto kLimit = 300ms;

TEST(InputMethodWatch, ShortStretchesAreNotReportedAndAStuckOneIs) {
  InputMethodWatch watch;
  std::atomic<bool> reported{false};
  std::thread watcher([&] {
    watch.wait_for_stuck(kLimit);
    reported = true;
  });
  // Keys typed for a while: many short stretches, some in quick
  // succession, some after a pause longer than the limit.
  for (int i = 0; i < 40; ++i) {
    { const InputMethodWatch::Inside inside(watch); }
    std::this_thread::sleep_for(i % 10 == 9 ? 2 * kLimit : 10ms);
  }
  EXPECT_FALSE(reported.load()) << "a stretch that ended was reported as stuck";
  // A server that never answers.
  std::optional<InputMethodWatch::Inside> stuck;
  stuck.emplace(watch);
  watcher.join();  // returns only once the stretch counts as stuck
  EXPECT_TRUE(reported.load());
  stuck.reset();
}

// The watcher sleeps until a stretch begins, however long that takes; the
// first stretch after a long quiet is watched as any other.
TEST(InputMethodWatch, AStretchAfterAQuietTimeIsWatched) {
  InputMethodWatch watch;
  auto reported = std::async(std::launch::async, [&] { watch.wait_for_stuck(kLimit); });
  EXPECT_EQ(reported.wait_for(3 * kLimit), std::future_status::timeout);
  const InputMethodWatch::Inside inside(watch);
  reported.get();
}

}  // namespace
