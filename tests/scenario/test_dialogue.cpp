// The start of the run and the temperature dialogue, driven through whole
// runs on the headless host.
#include <gtest/gtest.h>

#include <fpu_control.h>
#include <xmmintrin.h>

#include <cfenv>
#include <cmath>

#include "support/headless_run.h"
#include "support/program_texts.h"

namespace {

const char* const kSkyPrompt = " Enter   Sky Temperature (K)? ";
const char* const kEarthPrompt = " Enter Earth Temperature (K)? ";

TEST(RunStart, BannerFollowsTitleAndTwoSecondWait) {
  HeadlessRun r;
  ASSERT_EQ(r.run(), 0);

  ASSERT_FALSE(r.host.titles.empty());
  EXPECT_EQ(r.host.titles.front(), "Torvelin v1.58: G/Ta computed with noise sphere rotation");
  EXPECT_GE(r.host.clock_ms, 2000);
  EXPECT_EQ(r.row(1), padded(" Torvelin_V1-58"));
  EXPECT_EQ(r.colour(1, 2), 14);
  const std::string credit = trimmed(r.row(2));
  EXPECT_EQ(credit.size(), 70u);
  EXPECT_EQ(credit[0], ' ');
  EXPECT_NE(credit[1], ' ');
  EXPECT_EQ(r.colour(2, 2), 7);
  EXPECT_EQ(trimmed(r.row(3)), "");
  EXPECT_EQ(r.row(4), padded(kSkyPrompt));
  EXPECT_EQ(r.colour(4, 2), 7);
}

TEST(RunStart, SetsTheFloatingPointStateTheFormulasNeed) {
  // A thread may inherit rounding upwards, a 53-bit x87 significand and
  // flushing of subnormals from the libraries that ran before it.
  std::fenv_t before;
  std::fegetenv(&before);
  std::fesetround(FE_UPWARD);
  fpu_control_t control;
  _FPU_GETCW(control);
  control = static_cast<fpu_control_t>((control & ~_FPU_EXTENDED) | _FPU_DOUBLE);
  _FPU_SETCW(control);
  _mm_setcsr(_mm_getcsr() | 0x8040);  // flush to zero, denormals are zero

  HeadlessRun r;
  int rounding = -1;
  unsigned csr = 0;
  long double sum = 0;
  volatile double tiny = 1e-310;
  double tiny_half = -1;
  r.run([&](calculator::Calculator& c) {
    c.start_of_run();
    rounding = std::fegetround();
    csr = _mm_getcsr();
    volatile long double one = 1;
    sum = one + 0x1p-60L;  // kept only with a 64-bit significand
    tiny_half = tiny / 2;  // a subnormal result
  });
  std::fesetenv(&before);

  EXPECT_EQ(rounding, FE_TONEAREST);
  EXPECT_EQ(csr & 0x8040u, 0u);
  EXPECT_EQ(sum - 1, 0x1p-60L);
  EXPECT_EQ(tiny_half, 5e-311);
}

TEST(RunStart, ClosingTheWindowDuringTheFirstWaitEndsTheRun) {
  HeadlessRun r;
  r.host.type("290\r");
  r.host.on_sleep = [&r](console::HeadlessHost& host, int64_t) {
    if (host.clock_ms >= 1000) r.platform.request_stop(0);
  };
  EXPECT_EQ(r.run(), 0);
  EXPECT_EQ(r.host.keys_left(), 4u);  // no key was asked for
  for (int row = 1; row <= 25; ++row) EXPECT_EQ(trimmed(r.row(row)), "") << "row " << row;
}

enum class Verdict { kAccepted, kAcceptedZero, kTooHigh, kBelowZero };

struct Entry {
  const char* typed;
  Verdict verdict;
  float stored;  // for the accepted ones
};

const Entry kEntries[] = {
    {"", Verdict::kAcceptedZero, 0.0f},
    {"-", Verdict::kAcceptedZero, 0.0f},
    {"-0.0", Verdict::kAcceptedZero, -0.0f},
    {"1e3", Verdict::kAccepted, 1000.0f},
    {"9999999", Verdict::kAccepted, 9999999.0f},
    {"9999999.4", Verdict::kAccepted, 9999999.0f},
    {"9999999.5", Verdict::kTooHigh, 0},
    {"1E7", Verdict::kTooHigh, 0},
    {"-5", Verdict::kBelowZero, 0},
    {"-0.5", Verdict::kBelowZero, 0},
};

// The first row below the entry: where the echo of a zero or a notice goes.
void expect_notice(const HeadlessRun& r, std::size_t key, int first_row, const std::string& message) {
  EXPECT_EQ(trimmed(r.row_before_key(key, first_row)), "");
  expect_notice_rows(r, key, first_row + 1, {message});
}

TEST(Dialogue, SkyEntries) {
  for (const Entry& entry : kEntries) {
    SCOPED_TRACE(std::string("sky entry [") + entry.typed + "]");
    HeadlessRun r;
    r.host.type(std::string(entry.typed) + "\r");
    const std::size_t notice_key = r.host.keys_left();
    r.host.type("7");  // ends a notice, or is typed into the next prompt
    r.run();

    const std::string typed_row = padded(kSkyPrompt + std::string(entry.typed));
    switch (entry.verdict) {
      case Verdict::kAccepted:
        EXPECT_EQ(r.row(4), typed_row);
        EXPECT_EQ(r.row(5), padded(kEarthPrompt + std::string("7")));
        break;
      case Verdict::kAcceptedZero:
        EXPECT_EQ(r.row(4), typed_row);
        EXPECT_EQ(r.row(5), padded("         Sky Temperature (K)= 0"));
        EXPECT_EQ(r.colour(5, 10), 9);
        EXPECT_EQ(r.row(6), padded(kEarthPrompt + std::string("7")));
        EXPECT_EQ(r.colour(6, 2), 7);
        break;
      case Verdict::kTooHigh:
      case Verdict::kBelowZero:
        EXPECT_EQ(r.row_before_key(notice_key, 4), typed_row);
        expect_notice(r, notice_key, 5,
                      entry.verdict == Verdict::kTooHigh
                          ? " Sky temperature too high ... must be <= 9,999,999 K"
                          : " Sky temperature must be >= 0 K");
        EXPECT_EQ(r.host.tones.size(), 1u);
        // The cleared screen holds only the sky prompt again.
        EXPECT_EQ(r.row(1), padded(kSkyPrompt));
        for (int row = 2; row <= 25; ++row) EXPECT_EQ(trimmed(r.row(row)), "") << "row " << row;
        break;
    }
    if (entry.verdict == Verdict::kAccepted || entry.verdict == Verdict::kAcceptedZero) {
      EXPECT_EQ(r.calc->sky_temperature, entry.stored);
      EXPECT_EQ(std::signbit(r.calc->sky_temperature), std::signbit(entry.stored));
      EXPECT_TRUE(r.host.tones.empty());
    }
  }
}

TEST(Dialogue, EarthEntries) {
  for (const Entry& entry : kEntries) {
    SCOPED_TRACE(std::string("earth entry [") + entry.typed + "]");
    HeadlessRun r;
    r.host.type("290\r" + std::string(entry.typed) + "\r");
    const std::size_t notice_key = r.host.keys_left();
    r.host.type("7");  // ends a notice, or is typed into the next prompt
    r.run();

    const std::string typed_row = padded(kEarthPrompt + std::string(entry.typed));
    const std::string file_prompt = " Close Torvelin by clicking (x) in frame or";
    switch (entry.verdict) {
      case Verdict::kAccepted:
        EXPECT_EQ(r.row(5), typed_row);
        EXPECT_EQ(trimmed(r.row(6)), "");
        EXPECT_EQ(r.row(7), padded(file_prompt));
        break;
      case Verdict::kAcceptedZero:
        EXPECT_EQ(r.row(5), typed_row);
        EXPECT_EQ(r.row(6), padded("       Earth Temperature (K)= 0"));
        EXPECT_EQ(r.colour(6, 8), 9);
        EXPECT_EQ(trimmed(r.row(7)), "");
        EXPECT_EQ(r.row(8), padded(file_prompt));
        break;
      case Verdict::kTooHigh:
      case Verdict::kBelowZero:
        EXPECT_EQ(r.row_before_key(notice_key, 5), typed_row);
        expect_notice(r, notice_key, 6,
                      entry.verdict == Verdict::kTooHigh
                          ? " Earth temperature too high ... must be <= 9,999,999 K"
                          : " Earth temperature must be >= 0 K");
        // The sky temperature is shown, not asked again.
        EXPECT_EQ(r.row(1), padded("         Sky Temperature (K): 290 "));
        EXPECT_EQ(r.row(2), padded(kEarthPrompt));
        EXPECT_EQ(trimmed(r.row(3)), "");
        EXPECT_EQ(r.calc->sky_temperature, 290.0f);
        break;
    }
    if (entry.verdict == Verdict::kAccepted || entry.verdict == Verdict::kAcceptedZero) {
      EXPECT_EQ(r.calc->earth_temperature, entry.stored);
      EXPECT_EQ(std::signbit(r.calc->earth_temperature), std::signbit(entry.stored));
    }
  }
}

TEST(Dialogue, SkyLineAfterEveryEarthRefusal) {
  struct Case {
    const char* sky;
    const char* shown;
  };
  const Case cases[] = {
      {"290", " 290 "},          {"2.5", " 2.5 "},
      {"123.456789", " 123.4568 "}, {"0.00000012", " 1.2E-07 "},
      {"-0.0", " 0 "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("sky ") + c.sky);
    HeadlessRun r;
    // Two refusals in a row, then an accepted earth temperature.
    r.host.type(std::string(c.sky) + "\r-5\rx");
    const std::size_t second_notice_key = r.host.keys_left() + 4;
    r.host.type("1E7\rx10\r");
    r.run();

    const std::string sky_line = padded(std::string("         Sky Temperature (K):") + c.shown);
    EXPECT_EQ(r.row_before_key(second_notice_key, 1), sky_line);
    EXPECT_EQ(r.row_before_key(second_notice_key, 2), padded(kEarthPrompt + std::string("1E7")));
    EXPECT_EQ(r.row(1), sky_line);
    EXPECT_EQ(r.colour(1, 10), 7);
    EXPECT_EQ(r.row(2), padded(kEarthPrompt + std::string("10")));
    EXPECT_EQ(trimmed(r.row(3)), "");
    EXPECT_EQ(r.row(4), padded(" Close Torvelin by clicking (x) in frame or"));
    EXPECT_EQ(r.host.tones.size(), 2u);
  }
}

}  // namespace
