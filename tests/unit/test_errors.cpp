#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <new>

#include "console/headless_host.h"
#include "console/platform.h"

using console::ErrorDelivered;
using console::HeadlessHost;
using console::Platform;
using console::RunHalted;
using console::Text;

namespace {

struct ErrorsTest : ::testing::Test {
  HeadlessHost host;
  Platform platform{host};
  double last_label = 0;

  void SetUp() override { platform.set_error_trap(&last_label); }

  // Delivers the pending error the way the calculator's statements do.
  bool delivered(int32_t statement) {
    try {
      platform.statement_hook(statement);
    } catch (const ErrorDelivered&) {
      return true;
    }
    return false;
  }
};

TEST_F(ErrorsTest, PendingErrorSuppressesTheEffectsOfOperations) {
  platform.print_string("before", false);
  platform.open_file("/no/such/folder/file", 1);  // raises 76
  ASSERT_TRUE(platform.error_pending());
  const console::ScreenState screen = platform.screen().snapshot();

  platform.print_string("after", true);
  platform.print_fit_to_line(Text(79, 'x'));
  platform.clear_screen();
  platform.locate_cursor(10, 10);
  platform.color_set(12);
  platform.set_window_title("title");
  platform.delay_seconds(5);
  platform.open_file("/dev/null", 2);
  Text line = "kept";
  platform.line_input_from_file(2, line);
  Text field = "x";
  EXPECT_EQ(platform.print_using_double("##.#", 1.5, 0, field), 0);
  EXPECT_EQ(platform.print_using_integer("##", 5, 0, field), 0);
  platform.keys().push("k");
  EXPECT_EQ(platform.string_inkey(), "");
  Text entry = "entry";
  platform.input_from_keyboard(entry);
  platform.beep();

  const console::ScreenState now = platform.screen().snapshot();
  EXPECT_EQ(platform.screen().row_text(1).substr(0, 7), "before ");
  EXPECT_EQ(now.row, screen.row);
  EXPECT_EQ(now.column, screen.column);
  EXPECT_EQ(now.foreground, screen.foreground);
  EXPECT_TRUE(host.titles.empty());
  EXPECT_EQ(host.clock_ms, 0);
  EXPECT_FALSE(platform.files().is_open(2));
  EXPECT_EQ(line, "kept");
  EXPECT_EQ(field, "x");
  EXPECT_EQ(platform.keys().size(), 1u);
  EXPECT_EQ(entry, "entry");
  EXPECT_EQ(host.keys_left(), 0u);
  EXPECT_TRUE(host.tones.empty());

  // Text and number functions still compute.
  EXPECT_EQ(platform.string_to_number("2.5"), 2.5L);
  EXPECT_EQ(platform.natural_log(1), 0.0);
  EXPECT_EQ(console::string_left("abc", 2), "ab");

  EXPECT_TRUE(delivered(1));
  EXPECT_EQ(platform.last_error_number(), 76);  // the later errors were dropped
}

TEST_F(ErrorsTest, DeliveryRecordsNumberLabelAndStatementUntilTheNext) {
  EXPECT_EQ(platform.last_error_number(), 0);
  EXPECT_FALSE(delivered(5));  // nothing pending: the hook returns

  last_label = 20;
  platform.error_raise(53);
  platform.error_raise(62);  // dropped
  last_label = 100;          // the label at delivery counts
  EXPECT_TRUE(delivered(42));
  EXPECT_FALSE(platform.error_pending());
  EXPECT_EQ(platform.last_error_number(), 53);
  EXPECT_EQ(platform.last_error_line(), 100.0);
  EXPECT_EQ(platform.error_line(), 42);

  platform.resume_after_error();
  EXPECT_EQ(platform.last_error_number(), 0);
  EXPECT_EQ(platform.last_error_line(), 100.0);
  EXPECT_EQ(platform.error_line(), 42);

  last_label = 130;
  platform.error_raise(0);  // 0 and below become 5
  EXPECT_TRUE(delivered(7));
  EXPECT_EQ(platform.last_error_number(), 5);
  EXPECT_EQ(platform.last_error_line(), 130.0);
  EXPECT_EQ(platform.error_line(), 7);
}

TEST_F(ErrorsTest, ErrorInsideTheRunningTrapHaltsWithFailure) {
  platform.error_raise(53);
  ASSERT_TRUE(delivered(1));
  platform.error_raise(75);
  try {
    platform.statement_hook(2);
    FAIL() << "the run went on";
  } catch (const RunHalted& halted) {
    EXPECT_EQ(halted.exit_code, 1);
  }
}

TEST_F(ErrorsTest, StopRequestHaltsAtTheNextStatementBeforeAPendingError) {
  platform.error_raise(53);
  platform.request_stop(3);
  try {
    platform.statement_hook(1);
    FAIL() << "the run went on";
  } catch (const RunHalted& halted) {
    EXPECT_EQ(halted.exit_code, 3);
  }
}

TEST_F(ErrorsTest, OperationsThatRaise5) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  Text out;
  const struct {
    const char* what;
    std::function<void()> call;
  } cases[] = {
      {"color 32", [&] { platform.color_set(32); }},
      {"color -1", [&] { platform.color_set(-1); }},
      {"row 26", [&] { platform.locate_cursor(26, 1); }},
      {"column 0", [&] { platform.locate_cursor(1, 0); }},
      {"log 0", [&] { EXPECT_EQ(platform.natural_log(0.0), 0.0); }},
      {"log -0", [&] { EXPECT_EQ(platform.natural_log(-0.0), 0.0); }},
      {"log -inf", [&] { EXPECT_EQ(platform.natural_log(-inf), 0.0); }},
      {"power -8^(1/3)", [&] { EXPECT_EQ(platform.power_checked(-8, 1.0L / 3), 0.0L); }},
      {"power -8^nan", [&] { EXPECT_EQ(platform.power_checked(-8, nan), 0.0L); }},
      {"picture inf", [&] { EXPECT_EQ(platform.print_using_double("#.#", inf, 0, out), 0); }},
      {"picture nan", [&] { EXPECT_EQ(platform.print_using_single("#.#", NAN, 0, out), 0); }},
      {"delay -1", [&] { platform.delay_seconds(-1); }},
      {"delay too long", [&] { platform.delay_seconds(2147483.648); }},
      {"delay nan", [&] { platform.delay_seconds(nan); }},
  };
  for (const auto& c : cases) {
    c.call();
    EXPECT_TRUE(delivered(1)) << c.what;
    EXPECT_EQ(platform.last_error_number(), 5) << c.what;
    platform.resume_after_error();
  }
  EXPECT_EQ(out, "");
  EXPECT_EQ(host.clock_ms, 0);
  EXPECT_EQ(platform.screen().snapshot().foreground, 7);

  // And the pairs that are fine.
  EXPECT_EQ(platform.power_checked(-8, 2), 64.0L);
  EXPECT_EQ(platform.natural_log(inf), inf);
  EXPECT_TRUE(std::isnan(platform.natural_log(nan)));
  EXPECT_FALSE(platform.error_pending());
}

TEST_F(ErrorsTest, StopRequestEndsDelaysAndKeyWaits) {
  // A stop during a delay ends the run at the next 9 ms step.
  host.on_sleep = [this](HeadlessHost& h, int64_t) {
    if (h.clock_ms >= 90) platform.request_stop(0);
  };
  EXPECT_THROW(platform.delay_seconds(2), RunHalted);
  EXPECT_EQ(host.clock_ms, 90);

  // A key wait returns at once on a stop; the line input returns without
  // a line end and leaves the halt to the caller.
  platform.await_key();
  Text entry = "x";
  platform.input_from_keyboard(entry);
  EXPECT_EQ(entry, "");
  EXPECT_EQ(platform.screen().snapshot().row, 1);
  EXPECT_THROW(platform.statement_hook(1), RunHalted);
}

TEST(RunProgram, ExitCodesAndTheFatalError) {
  HeadlessHost host;
  Platform platform(host);
  platform.open_file("/dev/null", 1);
  EXPECT_EQ(console::run_program(platform, [](Platform& p) { p.request_stop(0); p.statement_hook(1); }), 0);
  EXPECT_FALSE(platform.files().is_open(1));  // the end closes every file
  EXPECT_EQ(console::run_program(platform, [](Platform&) { throw RunHalted{4}; }), 4);

  // Out of memory never reaches the trap: shown, and the run fails.
  EXPECT_EQ(console::run_program(platform, [](Platform& p) { p.error_raise(console::kOutOfMemory); }), 7);
  ASSERT_EQ(host.fatal_messages.size(), 1u);
  EXPECT_NE(host.fatal_messages[0].find("Critical Error #7"), std::string::npos);
  EXPECT_NE(host.fatal_messages[0].find("Out of memory"), std::string::npos);
}

}  // namespace
