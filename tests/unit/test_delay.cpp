#include <gtest/gtest.h>

#include <vector>

#include "console/headless_host.h"
#include "console/platform.h"

using console::HeadlessHost;
using console::Platform;

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
