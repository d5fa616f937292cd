// The window thread's wake-up: no signal is lost, however signals and the
// poller's clearing interleave.
#include <gtest/gtest.h>
#include <poll.h>

#include <atomic>
#include <thread>

#include "console/glut/wake_up.h"

using console::glut::WakeUp;

namespace {

// One thread announces changes as the calculator's side does (the change
// first, then the signal), as fast as it can; another polls and clears as
// the window thread does. Each announced change must wake the poller: a
// lost wake-up leaves it waiting while changes stand unseen.
TEST(WakeUp, EveryChangeWakesThePoller) {
  WakeUp wake;
  constexpr int kChanges = 5000000;
  std::atomic<int> changes{0};
  std::thread announcer([&] {
    for (int i = 0; i < kChanges; ++i) {
      changes.fetch_add(1, std::memory_order_relaxed);
      wake.signal();
    }
  });
  int seen = 0;
  int unseen_while_asleep = 0;
  while (seen < kChanges && unseen_while_asleep == 0) {
    pollfd watched{wake.fd(), POLLIN, 0};
    // Far longer than a busy machine keeps the announcer from running.
    if (poll(&watched, 1, 10000) == 0) unseen_while_asleep = changes.load(std::memory_order_relaxed) - seen;
    wake.clear();
    seen = changes.load(std::memory_order_relaxed);
  }
  announcer.join();
  EXPECT_EQ(unseen_while_asleep, 0) << "the poller slept for 10 s while changes stood unseen";
}

}  // namespace
