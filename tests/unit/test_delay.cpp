#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "console/headless_host.h"
#include "console/platform.h"

using console::HeadlessHost;
using console::Platform;
using console::Text;

namespace {

// The sleeps a delay makes: 9 ms steps while 10 ms or more remain, then the
// rest, at least 1 ms.
TEST(Delay, SleepsInNineMillisecondStepsThenTheRest) {
  const struct {
    double seconds;
    std::vector<int64_t> sleeps;
  } cases[] = {
      {0.0, {1}},
      {0.009, {9}},
      {0.010, {9, 1}},
      {0.025, {9, 9, 7}},
      {0.0004, {1}},
  };
  for (const auto& c : cases) {
    HeadlessHost host;
    Platform platform(host);
    std::vector<int64_t> sleeps;
    host.on_sleep = [&sleeps](HeadlessHost&, int64_t ms) { sleeps.push_back(ms); };
    platform.delay_seconds(c.seconds);
    EXPECT_EQ(sleeps, c.sleeps) << c.seconds;
  }
}

TEST(Delay, LongDelayMeasuresOnTheClockFromTheCall) {
  HeadlessHost host;
  Platform platform(host);
  host.clock_ms = 1000;
  // A host whose sleeps overrun: the delay still ends on the clock.
  host.on_sleep = [](HeadlessHost& h, int64_t ms) { if (ms == 9) h.clock_ms += 3; };
  platform.delay_seconds(2);
  EXPECT_GE(host.clock_ms, 3000);
  EXPECT_LT(host.clock_ms, 3013);
}

TEST(Delay, BeepHandsOverTheToneThenWaitsAQuarterSecond) {
  HeadlessHost host;
  Platform platform(host);
  platform.beep();
  ASSERT_EQ(host.tones.size(), 1u);
  EXPECT_FALSE(host.tones[0].empty());
  EXPECT_EQ(host.clock_ms, 250);
}

TEST(Delay, BellPausesAQuarterSecondAndIsNotDrawn) {
  HeadlessHost host;
  Platform platform(host);
  platform.print_string("a\ab", false);
  EXPECT_EQ(host.clock_ms, 250);
  EXPECT_TRUE(host.tones.empty());
  EXPECT_EQ(platform.screen().row_text(1).substr(0, 3), "ab ");
}

TEST(Delay, InkeyYieldsAndTakesOneKey) {
  HeadlessHost host;
  Platform platform(host);
  int yields = 0;
  host.on_sleep = [&yields](HeadlessHost&, int64_t ms) { yields += ms == 0; };
  EXPECT_EQ(platform.string_inkey(), "");
  platform.keys().push("a");
  platform.keys().push(std::string("\0;", 2));
  EXPECT_EQ(platform.string_inkey(), "a");
  EXPECT_EQ(platform.string_inkey(), std::string("\0;", 2));
  EXPECT_EQ(yields, 3);
}

}  // namespace

namespace {

// The Pause key's hold: statement_hook waits in 10 ms steps until the hold
// ends, and a delay that the hold outlasts ends at its next step, its time
// counted from its call.
TEST(PauseHold, DelayThatTheHoldOutlastsEndsAtItsNextStep) {
  HeadlessHost host;
  Platform platform(host);
  std::vector<int64_t> sleeps;
  host.on_sleep = [&](HeadlessHost& h, int64_t ms) {
    sleeps.push_back(ms);
    if (h.clock_ms == 18) platform.set_paused(true);  // pressed during the second step
    if (h.clock_ms >= 3000) platform.set_paused(false);
  };
  platform.delay_seconds(0.5);
  ASSERT_GE(sleeps.size(), 3u);
  EXPECT_EQ(sleeps[0], 9);
  EXPECT_EQ(sleeps[1], 9);
  // Held in 10 ms steps from 18 ms to 3008 ms, the first step end at or
  // after 3 s; then the delay, long over, sleeps its least rest of 1 ms.
  EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), 10), 299);
  EXPECT_EQ(sleeps.back(), 1);
  EXPECT_EQ(host.clock_ms, 3009);
}

TEST(PauseHold, StatementBoundaryWaitsUntilTheHoldEnds) {
  HeadlessHost host;
  Platform platform(host);
  int steps = 0;
  host.on_sleep = [&](HeadlessHost&, int64_t ms) {
    EXPECT_EQ(ms, 10);
    if (++steps == 25) platform.set_paused(false);
  };
  platform.set_paused(true);
  platform.statement_hook(7);
  EXPECT_EQ(steps, 25);
  EXPECT_EQ(host.clock_ms, 250);
  // The hold is over: the next boundary does not wait.
  platform.statement_hook(8);
  EXPECT_EQ(steps, 25);
}

TEST(PauseHold, StopRequestEndsTheRunDuringAHold) {
  HeadlessHost host;
  Platform platform(host);
  host.on_sleep = [&](HeadlessHost& h, int64_t) {
    if (h.clock_ms == 500) platform.request_stop(0);
  };
  platform.set_paused(true);
  EXPECT_THROW(platform.statement_hook(1), console::RunHalted);
  EXPECT_EQ(host.clock_ms, 500);
}

// Keys typed before a Pause stay queued until its hold ends: neither a key
// read nor a line input takes them during it.
TEST(PauseHold, KeysTypedBeforeTheHoldStayQueuedUntilItEnds) {
  HeadlessHost host;
  Platform platform(host);
  for (const char* key : {"a", "b", "\r"}) platform.keys().push(key);
  platform.set_paused(true);
  EXPECT_EQ(platform.string_inkey(), "");
  EXPECT_EQ(platform.keys().size(), 3u);

  std::size_t fewest_queued_in_hold = 3;
  host.on_sleep = [&](HeadlessHost& h, int64_t) {
    if (platform.paused()) fewest_queued_in_hold = std::min(fewest_queued_in_hold, platform.keys().size());
    if (h.clock_ms >= 500) platform.set_paused(false);
  };
  Text entry;
  platform.input_from_keyboard(entry);
  EXPECT_EQ(fewest_queued_in_hold, 3u);
  EXPECT_EQ(host.clock_ms, 500);  // waited out in 10 ms polls
  EXPECT_EQ(entry, "ab");
  EXPECT_TRUE(platform.keys().empty());
}

TEST(PauseHold, PendingErrorIsDeliveredWhenTheHoldEnds) {
  HeadlessHost host;
  Platform platform(host);
  double label = 20;
  platform.set_error_trap(&label);
  host.on_sleep = [&](HeadlessHost& h, int64_t) {
    if (h.clock_ms == 100) platform.set_paused(false);
  };
  platform.error_raise(53);
  platform.set_paused(true);
  EXPECT_THROW(platform.statement_hook(42), console::ErrorDelivered);
  EXPECT_EQ(host.clock_ms, 100);
  EXPECT_EQ(platform.last_error_number(), 53);
  EXPECT_EQ(platform.error_line(), 42);
}

}  // namespace
