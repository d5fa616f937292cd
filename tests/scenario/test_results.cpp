// The results screen: whole screens (text and colour) after whole runs over
// generated tables, a summary block that takes four rows, and the
// average-gain warning's border.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "support/far_field_table.h"
#include "support/started_calculator.h"

namespace {

// A uniform table file that lives as long as the test.
struct UniformTable {
  explicit UniformTable(double gain_db) : path(temporary_table_path("uniform")) {
    write_far_field_table(path, [gain_db](int, int) { return gain_db; });
  }
  ~UniformTable() { std::remove(path.c_str()); }
  std::string path;
};

std::string pad(const std::string& text) { return text + std::string(80 - std::min<std::size_t>(80, text.size()), ' '); }

// One colour for a run of columns, padded with colour 7 to 80 columns.
std::string colours(std::initializer_list<std::pair<int, char>> runs) {
  std::string out;
  for (auto [count, colour] : runs) out.append(static_cast<std::size_t>(count), colour);
  return out + std::string(80 - out.size(), '7');
}

struct Screen {
  std::vector<std::string> rows;     // 25 rows of text
  std::vector<std::string> colours;  // 25 rows of colour digits (hex)
};

// The screen as a table whose 19 rows differ only in their alpha.
Screen results_screen(const std::string& summary_1, char summary_1_colour, const std::string& summary_2,
                      const std::string& summary_3, const std::string& row_tail, bool dummy_rows,
                      const std::string& row_25, const std::string& row_25_colours) {
  Screen s;
  s.rows = {summary_1, summary_2, summary_3,
            " Alpha (deg.)  T_pattern (K)   T_loss (K)      T_total (K)     G/Ta (dB)"};
  s.colours = {colours({{static_cast<int>(summary_1.size()), summary_1_colour}}),
               colours({{static_cast<int>(summary_2.size()), 'f'}}), colours({{static_cast<int>(summary_3.size()), '9'}}),
               colours({{72, 'e'}})};
  const int row_width = 8 + static_cast<int>(row_tail.size());
  for (int alpha = 0; alpha <= 90; alpha += 5) {
    char head[16];
    std::snprintf(head, sizeof head, "      %2d", alpha);
    s.rows.push_back(head + row_tail);
    const char row_colour = alpha == 30 ? 'c' : 'e';
    s.colours.push_back(dummy_rows ? colours({{65, row_colour}, {8, 'd'}}) : colours({{row_width, row_colour}}));
  }
  s.rows.push_back(dummy_rows ? "      *: this dummy value is displayed to show that T_total (K) is <= O!*" : "");
  s.colours.push_back(dummy_rows ? colours({{6, '7'}, {67, 'd'}}) : colours({}));
  s.rows.push_back(row_25);
  s.colours.push_back(row_25_colours);
  return s;
}

struct GoldenCase {
  const char* name;
  double gain_db;
  std::string temperatures;  // the keys of the dialogue
  Screen screen;
};

class GoldenScreen : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenScreen, WholeRunShowsTheResultsAndReturnsToThePrompt) {
  const GoldenCase& k = GetParam();
  UniformTable table(k.gain_db);
  HeadlessRun r;
  const std::string keys = k.temperatures + table.path + "\r";
  r.host.type(keys);
  r.host.press("x");
  EXPECT_EQ(r.run(), 0);
  ASSERT_EQ(r.host.screens_before_key.size(), keys.size() + 1);
  for (int row = 1; row <= 25; ++row) {
    EXPECT_EQ(r.row_before_key(keys.size(), row), pad(k.screen.rows[row - 1])) << "row " << row;
    std::string colour_row;
    for (int column = 1; column <= 80; ++column)
      colour_row.push_back("0123456789abcdef"[r.colour_before_key(keys.size(), row, column)]);
    EXPECT_EQ(colour_row, k.screen.colours[row - 1]) << "colours of row " << row;
  }
  // After the key: a cleared screen and the file prompt for the next file.
  EXPECT_EQ(trimmed(r.row(1)), " Close Torvelin by clicking (x) in frame or");
  EXPECT_EQ(trimmed(r.row(2)), " Enter FFTab's file name  _ _ _ .txt?");
  EXPECT_EQ(trimmed(r.row(3)), "");
}

const std::string kSky10Earth290 = "  T_sky =        10.00 K                               T_earth =       290.00 K";
const std::string kPrompt = " Press any key to continue";

INSTANTIATE_TEST_SUITE_P(
    Tables, GoldenScreen,
    ::testing::Values(
        GoldenCase{"isotropic", 0.0, "10\r290\r",
                   results_screen(" Average Gain (AG, caution: rounded display!) = 1.000 (/) = -0.00 dBi", 'f',
                                  " Max Gain = + 0.00 dBi at azimuth =   0 degree(s) and elevation =   0 degree(s)",
                                  kSky10Earth290,
                                  "             150.000     +  0.007   +      150.004       -21.761", false, kPrompt,
                                  colours({{26, '9'}}))},
        // AG above 1 with both temperatures 0: every T_total is below 0.
        GoldenCase{"uniform 0.01 dBi, cold", 0.01, "0\r0\r",
                   results_screen(" Average Gain (AG, caution: rounded display!) = 1.002 (/) = +0.01 dBi", 'd',
                                  " Max Gain = + 0.01 dBi at azimuth =   0 degree(s) and elevation =   0 degree(s)",
                                  "  T_sky =         0.00 K                               T_earth =         0.00 K",
                                  "               0.000     -  0.660   -        0.661       -99.999*", true,
                                  kPrompt + " Computed AG >= 1.001, G/Ta corrections may be needed",
                                  colours({{26, '9'}, {53, 'd'}}))},
        // T_loss of 1,000 K or more overflows its picture and widens each row.
        GoldenCase{"uniform -7 dBi", -7.0, "10\r290\r",
                   results_screen(" Average Gain (AG, caution: rounded display!) = 0.200 (/) = -7.00 dBi", 'f',
                                  " Max Gain = - 7.00 dBi at azimuth =   0 degree(s) and elevation =   0 degree(s)",
                                  kSky10Earth290,
                                  "             150.000     %+1163.480   +      262.067       -31.184", false, kPrompt,
                                  colours({{26, '9'}}))}),
    [](const ::testing::TestParamInfo<GoldenCase>& info) {
      std::string name;
      for (char c : std::string(info.param.name)) name.push_back(std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
      return name;
    });

// The sections called directly on an isotropic table, with the results
// screen as it stands at its key wait.
class ResultsSection : public ::testing::Test {
 protected:
  void SetUp() override {
    UniformTable table(0.0);
    ASSERT_TRUE(s.read_table(table.path));
    s.calc->sky_temperature = 10;
    s.calc->earth_temperature = 290;
    s.calc->compute_average_gain();
  }
  void show() {
    s.host.press("x");
    s.calc->show_results();
    ASSERT_EQ(s.host.screens_before_key.size(), 1u);
  }
  std::string row(int n) { return trimmed(s.row_before_key(0, n)); }
  StartedCalculator s;
};

TEST_F(ResultsSection, LargestGainOfMinus1000MakesTheSummaryFourRowsLong) {
  s.calc->max_gain_db = -1000;
  show();
  // " degree(s)" no longer fits row 2 and starts row 3; the table moves down
  // one row, and the line end of its last row scrolls the screen up by one.
  EXPECT_EQ(row(1), " Max Gain = %-1000.00 dBi at azimuth =   0 degree(s) and elevation =   0");
  EXPECT_EQ(row(2), " degree(s)");
  EXPECT_EQ(row(3), trimmed(kSky10Earth290));
  EXPECT_EQ(row(4), " Alpha (deg.)  T_pattern (K)   T_loss (K)      T_total (K)     G/Ta (dB)");
  EXPECT_EQ(row(5), "       0             150.000     +  0.007   +      150.004       %-1021.761");
  EXPECT_EQ(row(23), "      90             150.000     +  0.007   +      150.004       %-1021.761");
  EXPECT_EQ(row(24), "");
  EXPECT_EQ(row(25), kPrompt);
  EXPECT_EQ(s.colour_before_key(0, 2, 2), 15);
  EXPECT_EQ(s.colour_before_key(0, 11, 7), 12);  // alpha 30, one row higher
}

TEST_F(ResultsSection, WarningAndMarkedSummaryFollowTheirOwnRounding) {
  // The warning rounds AG to a 32-bit float and compares with 1.001f; the
  // marked summary compares the 64-bit AG with 1.
  struct Case {
    double average_gain;
    bool warning;
    int summary_colour;
    const char* shown;
  } cases[] = {
      {1.0, false, 15, "1.000"},
      {std::nextafter(1.0, 2.0), false, 13, "1.000"},
      {1.001, true, 13, "1.001"},
      {1.00099999, true, 13, "1.001"},
      {1.00099998, false, 13, "1.001"},
      {1.000999987125396728515625, false, 13, "1.001"},  // the midpoint rounds down
      {0.9995, false, 15, "1.000"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.average_gain);
    StartedCalculator fresh;
    fresh.calc->gain_element = s.calc->gain_element;
    fresh.calc->average_gain = k.average_gain;
    fresh.host.press("x");
    fresh.calc->show_results();
    ASSERT_EQ(fresh.host.screens_before_key.size(), 1u);
    const std::string warning = k.warning ? " Computed AG >= 1.001, G/Ta corrections may be needed" : "";
    EXPECT_EQ(trimmed(fresh.row_before_key(0, 25)), kPrompt + warning);
    EXPECT_EQ(fresh.colour_before_key(0, 1, 2), k.summary_colour);
    EXPECT_EQ(fresh.row_before_key(0, 1).substr(48, 5), k.shown);
  }
}

}  // namespace
