#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "console/picture.h"

using console::picture_double;
using console::picture_integer;

namespace {

std::string lay_out(const std::string& picture, double value) {
  int32_t next = -1;
  return picture_double(picture, value, 0, next);
}

std::string lay_out(const std::string& picture, int64_t value) {
  int32_t next = -1;
  return picture_integer(picture, value, 0, next);
}

struct IntegerCase {
  const char* picture;
  int64_t value;
  const char* field;
};

TEST(PictureInteger, LaysOutByTheTemplate) {
  const IntegerCase cases[] = {
      // The results screen's angles.
      {"##", 0, " 0"},
      {"##", 5, " 5"},
      {"##", 90, "90"},
      {"###", 0, "  0"},
      {"###", -5, " -5"},
      {"###", -90, "-90"},
      {"###", 360, "360"},
      {"###", -100, "%-100"},
      // Decimals of an integer are zeros; "+" keeps every position for digits.
      {"+##.##", -42, "-42.00"},
      {"#,###", 1234, "1,234"},
      {"#,###", 12345, "%12,345"},
      {"#,###", -123, " -123"},
      // Extremes are shown exactly, never cut.
      {"##", INT64_MIN, "%-9223372036854775808"},
      {"#,###", INT64_MAX, "%9,223,372,036,854,775,807"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(lay_out(c.picture, c.value), c.field) << c.picture << " with " << c.value;
}

struct DoubleCase {
  const char* picture;
  double value;
  const char* field;
};

TEST(PictureDouble, LaysOutByTheTemplate) {
  const DoubleCase cases[] = {
      {"#.###", 0.98765, "0.988"},
      {"#.###", 1, "1.000"},
      {"#.###", 0.0005, "0.001"},
      {"#.###", 12.5, "%12.500"},
      {"#.###", 9.9996, "%10.000"},
      {"#.###", -0.5, "-.500"},
      {"#.###", -0.0, "-.000"},
      {"+#.##", 0, "+0.00"},
      {"+#.##", -0.053, "-0.05"},
      {"+#.##", -0.004, "-0.00"},
      {"+#.##", 9.996, "%+10.00"},
      {"+##.##", static_cast<double>(12.345f), "+12.35"},
      {"+##.##", static_cast<double>(-3.004f), "- 3.00"},
      {"+##.##", static_cast<double>(99.996f), "%+100.00"},
      {"+##.###", -0.0004, "- 0.000"},
      {"+##.###", 123.4567, "%+123.457"},
      {"+###.###", 13.2, "+ 13.200"},
      {"+###.###", -5.25, "-  5.250"},
      {"#,###,###.##", static_cast<double>(0.0f), "        0.00"},
      {"#,###,###.##", static_cast<double>(290.0f), "      290.00"},
      {"#,###,###.##", static_cast<double>(9999999.0f), "9,999,999.00"},
      {"#,###,###.##", static_cast<double>(-290.0f), "     -290.00"},
      {"#,###,###.###", 0.0004, "        0.000"},
      {"+#,###,###.###", 0.0005, "+        0.001"},
      // The largest gain's start value and its negative overflow.
      {"+##.##", -1000, "%-1000.00"},
      {"+##.##", -99.996, "%-100.00"},
      // Grouped overflow takes the whole number, commas included.
      {"#,###,###.##", 123456789.0, "%123,456,789.00"},
      {"#,###,###.##", -9999999.0, "%-9,999,999.00"},
      {"+#,###,###.###", -1234567.0, "-1,234,567.000"},
      // No decimals: rounding to a whole number, with and without a point.
      {"##", 2.5, " 3"},
      {"##", -2.5, "-3"},
      {"##", 0.4, " 0"},
      {"##", -0.4, "-0"},
      {"###.", 99.5, "100."},
      {"###", 999.5, "%1000"},
      // Exact digits: the double nearest 0.105 lies below the tie.
      {"+#.##", 0.105, "+0.10"},
      {"+#.##", 0.125, "+0.13"},
      // Tiny and huge magnitudes.
      {"#.###", 5e-300, "0.000"},
      {"#.###", 1e20, "%100000000000000000000.000"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(lay_out(c.picture, c.value), c.field) << c.picture << " with " << c.value;
}

TEST(PictureDouble, FittingValuesKeepTheTemplateWidth) {
  // Every value that fits gives exactly the template's width, whatever its sign.
  const char* pictures[] = {"#.###", "+#.##", "+##.##", "+###.###", "#,###,###.###"};
  const double values[] = {0, -0.0, 0.0001, -0.0001, 0.5, -0.5, -0.9994, 1.9999};
  for (const char* picture : pictures)
    for (double value : values) {
      const std::string field = lay_out(picture, value);
      ASSERT_NE(field[0], '%') << picture << " " << value;
      EXPECT_EQ(field.size(), std::string(picture).size()) << picture << " " << value;
    }
}

TEST(PictureField, NextPositionAndEndOfField) {
  int32_t next = -1;
  // The field ends at the first character that continues none of its parts.
  EXPECT_EQ(picture_double("##.# K", 3.14, 0, next), " 3.1");
  EXPECT_EQ(next, 4);
  EXPECT_EQ(picture_integer("ab###", 7, 2, next), "  7");
  EXPECT_EQ(next, 0);
  // A comma before the first "#" is not part of the field.
  EXPECT_EQ(picture_integer(",##", 5, 0, next), "%5");
  // Nothing left of the template: an empty field, and a non-zero value overflows.
  EXPECT_EQ(picture_integer("", 0, 0, next), "");
  EXPECT_EQ(next, 0);
  EXPECT_EQ(picture_double("##", 1.0, 7, next), "%1");
  EXPECT_EQ(next, 0);
  // Values without digits give no field.
  EXPECT_EQ(picture_double("##.## K", HUGE_VAL, 0, next), "");
  EXPECT_EQ(next, 0);
  EXPECT_EQ(picture_double("##.## K", std::nan(""), 0, next), "");
}

}  // namespace
