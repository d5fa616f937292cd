// The second pass over a far-field table: the gain field with its comma
// mends, the screen during the pass, the maximum and its tie rules, the
// last-line check and a file that ends inside a slice.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <utility>

#include "console/numbers.h"
#include "support/far_field_table.h"
#include "support/started_calculator.h"

namespace {

int cell(int theta, int azimuth) { return 181 * azimuth + theta + 1; }

// The line with its gain field (from column 26 on) replaced by `field`.
std::string with_field(const std::string& line, const std::string& field) { return line.substr(0, 25) + field; }

// A table file that lives as long as the test.
struct TableFile {
  explicit TableFile(const GainFunction& gain, const FarFieldTableOptions& options = {})
      : path(temporary_table_path("table")) {
    write_far_field_table(path, gain, options);
  }
  ~TableFile() { std::remove(path.c_str()); }
  std::string path;
};

double flat(int, int) { return -10.0; }

TEST(GainField, CommaMendsPointsAndShortLines) {
  // Each case stands on its own data line of the slice of polar angle 100.
  struct Case {
    std::string field;
    double gain;
  } cases[] = {
      {"   -123,45", -123.45},  // comma at 8 in a 10-character field
      {" -12,34", -12.34},      // comma at 5, the line ends at column 32
      {" -12,34   ", -12.0},    // comma at 5 in a 10-character field
      {"   -12,345", -12.0},    // comma at 7: no mend, read up to the comma
      {" -12,3", -12.0},        // comma at 5 in a 6-character field
      {"    -3.25", -3.25},     // a decimal point
      {"  7", 7.0},             // the line ends at column 28
      {"", 0.0},                // the line ends at column 25: no field
      {"     dB", 0.0},         // no number
      {"   -1,5E1", -1.0},      // comma at 6: no mend
  };
  FarFieldTableOptions options;
  options.edit_line = [&](int theta, int azimuth, const std::string& line) {
    if (theta == 100 && azimuth < static_cast<int>(std::size(cases)))
      return with_field(line, cases[azimuth].field);
    return line;
  };
  TableFile table(flat, options);
  StartedCalculator s;
  ASSERT_TRUE(s.read_table(table.path));
  for (int azimuth = 0; azimuth < static_cast<int>(std::size(cases)); ++azimuth)
    EXPECT_DOUBLE_EQ(s.calc->gain_db[cell(100, azimuth)], cases[azimuth].gain) << "[" << cases[azimuth].field << "]";
  // A line without a field: 0 dBi, so its element is sin(theta) (pi/180)^2.
  const double step = 3.141592653589793 / 180;
  EXPECT_NEAR(s.calc->gain_element[cell(100, 7)], std::sin(100 * step) * step * step, 1e-18);
  EXPECT_FALSE(s.platform.error_pending());
}

TEST(GainField, EveryDirectionGetsItsGainAndElement) {
  // Many distinct gains, so that remembered powers and sines are exercised.
  auto gain_of = [](int theta, int azimuth) { return theta / 10.0 - azimuth / 100.0 + (theta * azimuth % 7) * 1e-2; };
  TableFile table(gain_of);
  StartedCalculator s;
  ASSERT_TRUE(s.read_table(table.path));
  console::Platform& p = s.platform;
  int wrong = 0;
  for (int azimuth = 0; azimuth <= 360; ++azimuth)
    for (int theta = 0; theta <= 180; ++theta) {
      const double g = s.calc->gain_db[cell(theta, azimuth)];
      const double expected_gain = std::round(gain_of(theta, azimuth) * 100) / 100;
      if (std::fabs(g - expected_gain) > 1e-12) ++wrong;
      // The element as the formula gives it, bit for bit.
      const long double sine = console::sin(static_cast<double>(console::pi_value() / 180 * theta));
      const double element = static_cast<double>(p.power_checked(10, static_cast<long double>(g) / 10) * sine *
                                                  p.power_checked(console::pi_value() / 180, 2));
      if (s.calc->gain_element[cell(theta, azimuth)] != element) ++wrong;
    }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(s.calc->gain_element[cell(0, 17)], 0.0);    // sin 0
  EXPECT_GT(s.calc->gain_element[cell(180, 17)], 0.0);  // sin of the 64-bit pi
  EXPECT_FALSE(s.platform.files().is_open(1));
  EXPECT_EQ(s.calc->last_label, 130);
}

// The screen below the prompt during a pass: the text block, the comma
// notice when the first data line needs a mend, and the progress lines.
TEST(SecondPassScreen, CommaNoticeOnlyWhenTheFirstDataLineIsMended) {
  const std::vector<std::string> block = {
      "",
      " Extracting the 65,341 Tot_dB values from the FF Table,",
      " looking at any possible comma and computing",
      " the 65,341 elements for the double integration,",
      " please, wait ...",
      "",
  };
  const std::vector<std::string> progress = {
      " theta = 180 degrees ...", " theta = 135 degrees ...", " theta =  90 degrees ...",
      " theta =  45 degrees ...", " theta =  30 degrees ...",
  };
  const std::vector<std::string> notice = {"", " Replacing commas by dots, please wait a little more!", ""};

  struct Case {
    const char* name;
    bool comma_everywhere;
    bool comma_after_first_line;
    bool notice;
  } cases[] = {
      {"points", false, false, false},
      {"commas", true, false, true},
      {"commas after the first line", false, true, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    FarFieldTableOptions options;
    options.decimal_comma = k.comma_everywhere;
    if (k.comma_after_first_line)
      options.edit_line = [](int theta, int azimuth, const std::string& line) {
        return theta == 180 && azimuth == 0 ? line : with_field(line, "    -10,50");
      };
    TableFile table(flat, options);
    StartedCalculator s;
    s.platform.clear_screen();
    ASSERT_TRUE(s.read_table(table.path));

    std::vector<std::string> expected = block;
    if (k.notice) expected.insert(expected.end(), notice.begin(), notice.end());
    expected.insert(expected.end(), progress.begin(), progress.end());
    for (std::size_t i = 0; i < expected.size(); ++i)
      EXPECT_EQ(trimmed(s.row(static_cast<int>(i) + 1)), expected[i]) << "row " << i + 1;
    EXPECT_EQ(trimmed(s.row(static_cast<int>(expected.size()) + 1)), "");
    if (k.notice) {
      EXPECT_EQ(s.colour(8, 2), 9);
    }
    EXPECT_EQ(s.colour(expected.size(), 2), 7);

    const double mended = k.comma_after_first_line ? -10.5 : -10.0;
    EXPECT_EQ(s.calc->gain_db[cell(180, 0)], -10.0);
    EXPECT_EQ(s.calc->gain_db[cell(0, 360)], mended);
  }
}

TEST(SecondPassScreen, WindowTitleNamesTheFile) {
  TableFile table(flat);
  StartedCalculator s;
  ASSERT_TRUE(s.read_table(table.path));
  ASSERT_FALSE(s.host.titles.empty());
  EXPECT_EQ(s.host.titles.back(), "Torvelin v1.58         FFTab: " + table.path);
}

TEST(Maximum, FirstInReadingOrderAndTheHorizonTie) {
  // Gains of -10 everywhere except the listed directions (theta, azimuth).
  struct Case {
    const char* name;
    std::map<std::pair<int, int>, std::string> fields;
    float max_gain;
    int16_t azimuth, theta;
  } cases[] = {
      {"larger polar angle first", {{{60, 10}, "      5.00"}, {{100, 20}, "      5.00"}}, 5.0f, 20, 100},
      {"smaller azimuth first", {{{100, 30}, "      5.00"}, {{100, 20}, "      5.00"}}, 5.0f, 20, 100},
      {"equal as 32-bit floats", {{{100, 20}, "      5.00"}, {{60, 10}, "5.00000001"}}, 5.0f, 20, 100},
      {"strictly larger wins", {{{100, 20}, "      5.00"}, {{60, 10}, "      5.01"}}, 5.01f, 10, 60},
      {"horizon shares it from polar angle 91", {{{91, 0}, "     12.34"}, {{90, 0}, "     12.34"}}, 12.34f, 0, 90},
      // The direction reported is the horizon straight ahead, which has the
      // largest gain; the azimuth moves with the polar angle.
      {"horizon shares it from elsewhere", {{{95, 10}, "      3.00"}, {{90, 0}, "      3.00"}}, 3.0f, 0, 90},
      {"horizon below the maximum", {{{95, 10}, "      3.00"}, {{90, 0}, "      2.99"}}, 3.0f, 10, 95},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    FarFieldTableOptions options;
    options.edit_line = [&](int theta, int azimuth, const std::string& line) {
      auto found = k.fields.find({theta, azimuth});
      return found == k.fields.end() ? line : with_field(line, found->second);
    };
    TableFile table(flat, options);
    StartedCalculator s;
    ASSERT_TRUE(s.read_table(table.path));
    EXPECT_EQ(s.calc->max_gain_db, k.max_gain);
    EXPECT_EQ(s.calc->max_azimuth, k.azimuth);
    EXPECT_EQ(s.calc->max_theta, k.theta);
  }
}

TEST(Maximum, NoGainAboveMinus1000KeepsThePreviousDirection) {
  struct Case {
    double horizon_gain;
    int16_t azimuth, theta;
  } cases[] = {{-1200, 7, 33}, {-1000, 0, 90}};
  for (const Case& k : cases) {
    TableFile table([&](int theta, int azimuth) { return theta == 90 && azimuth == 0 ? k.horizon_gain : -1500.0; });
    StartedCalculator s;
    s.calc->max_azimuth = 7;
    s.calc->max_theta = 33;
    ASSERT_TRUE(s.read_table(table.path));
    EXPECT_EQ(s.calc->max_gain_db, -1000.0f);
    EXPECT_EQ(s.calc->max_azimuth, k.azimuth) << k.horizon_gain;
    EXPECT_EQ(s.calc->max_theta, k.theta) << k.horizon_gain;
  }
}

TEST(LastLine, MustBeginWith360) {
  struct Case {
    std::string last_line;
    bool passes;
  } cases[] = {
      {"360 anything", true}, {" 360", false}, {"36", false}, {"", false}, {"359", false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE("[" + k.last_line + "]");
    FarFieldTableOptions options;
    options.extra_lines = 3;  // ignored
    options.edit_line = [&](int theta, int azimuth, const std::string& line) {
      return theta == 0 && azimuth == 360 ? k.last_line : line;
    };
    TableFile table(flat, options);
    StartedCalculator s;
    s.host.press("x");  // for the notice's key wait
    s.platform.clear_screen();
    EXPECT_EQ(s.read_table(table.path), k.passes);
    EXPECT_EQ(s.platform.files().is_open(1), !k.passes);
    if (!k.passes) {
      ASSERT_EQ(s.host.screens_before_key.size(), 1u);
      EXPECT_EQ(trimmed(s.row_before_key(0, 13)), " The FF Table file is not in accordance with the right format");
      EXPECT_EQ(trimmed(s.row_before_key(0, 14)), " (number of lines and/or content of lines).");
      EXPECT_EQ(s.colour_before_key(0, 13, 2), 12);
      EXPECT_EQ(trimmed(s.row_before_key(0, 16)), " Press any key to continue!");
    }
  }
}

TEST(WholeRun, FileEndingInsideASliceGivesTheFormatNoticeAndThePromptAgain) {
  // 9 + 364 * 100 + 50 lines: the file ends inside the slice of polar
  // angle 80.
  FarFieldTableOptions options;
  options.max_lines = 9 + 364 * 100 + 50;
  TableFile table(flat, options);
  HeadlessRun r;
  const std::string keys = "290\r10\r" + table.path + "\r";
  r.host.type(keys);
  r.host.press("x");
  EXPECT_EQ(r.run(), 0);
  ASSERT_EQ(r.host.screens_before_key.size(), keys.size() + 1);
  // The notice follows the progress lines on the screen as it stood.
  const std::size_t notice = keys.size();
  bool found = false;
  for (int row = 1; row <= 23 && !found; ++row) {
    if (trimmed(r.row_before_key(notice, row)) != " The FF Table file is not in accordance with the right format")
      continue;
    found = true;
    EXPECT_EQ(trimmed(r.row_before_key(notice, row - 2)), " theta =  90 degrees ...");
    EXPECT_EQ(trimmed(r.row_before_key(notice, row + 1)), " (number of lines and/or content of lines).");
    EXPECT_EQ(trimmed(r.row_before_key(notice, row + 3)), " Press any key to continue!");
  }
  EXPECT_TRUE(found);
  EXPECT_EQ(r.calc->last_label, 130);
  // Then the file prompt on a cleared screen.
  EXPECT_EQ(trimmed(r.row(1)), " Close Torvelin by clicking (x) in frame or");
  EXPECT_EQ(trimmed(r.row(2)), " Enter FFTab's file name  _ _ _ .txt?");
}

}  // namespace
