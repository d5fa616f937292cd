#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "console/text.h"

using namespace console;

namespace {

TEST(TextFunctions, CutAndSearch) {
  const std::string with_nul("ab\0cd", 5);
  struct Case {
    std::string got;
    std::string want;
  };
  const Case cases[] = {
      {string_concat("ab", ""), "ab"},
      {string_concat("", "cd"), "cd"},
      {string_concat(with_nul, "e"), std::string("ab\0cde", 6)},
      {string_left("hello", 2), "he"},
      {string_left("hello", 99), "hello"},
      {string_left("hello", -1), ""},
      {string_right("hello", 2), "lo"},
      {string_right("hello", 99), "hello"},
      {string_right("hello", 0), ""},
      {string_right("hello", INT32_MIN), ""},
      // The gain field of a data line: characters 26 to 35.
      {string_mid(std::string(25, 'x') + "-12.34,567890", 26, 10), "-12.34,567"},
      {string_mid("hello", 2, 99), "ello"},
      {string_mid("hello", 6, 1), ""},
      {string_mid("hello", 3, 0), ""},
      {string_mid("hello", 0, 2), "h"},    // start 0 counts from 1, one shorter
      {string_mid("hello", -2, 4), "h"},
      {string_mid("hello", -5, 4), ""},
      {string_mid("hello", INT32_MIN, INT32_MAX), ""},
      {string_mid("hello", 2, INT32_MAX), "ello"},
      {string_mid(with_nul, 3, 2), std::string("\0c", 2)},
      {string_space(3), "   "},
      {string_space(0), ""},
      {string_space(-4), ""},
  };
  for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(cases[i].got, cases[i].want) << "case " << i;

  EXPECT_EQ(string_instr("12,5", ","), 3);
  EXPECT_EQ(string_instr("12.5", ","), 0);
  EXPECT_EQ(string_instr(",,", ","), 1);
  EXPECT_EQ(string_instr("", ","), 0);
  EXPECT_EQ(string_instr("", ""), 0);
  EXPECT_EQ(string_instr(with_nul, std::string("\0c", 2)), 3);
}

TEST(TextFunctions, Comparisons) {
  EXPECT_EQ(string_equal("Azimuth", "Azimuth"), -1);
  EXPECT_EQ(string_equal("Azimuth", "azimuth"), 0);
  EXPECT_EQ(string_equal("ab", std::string("ab\0", 3)), 0);
  EXPECT_EQ(string_equal("", ""), -1);
  EXPECT_EQ(string_not_equal("360", "360"), 0);
  EXPECT_EQ(string_not_equal("360", "36"), -1);
  EXPECT_EQ(string_not_equal("360", "361"), -1);
}

TEST(TextFunctions, FromIntegers) {
  EXPECT_EQ(string_from_int32(0), " 0");
  EXPECT_EQ(string_from_int32(42), " 42");
  EXPECT_EQ(string_from_int32(-7), "-7");
  EXPECT_EQ(string_from_int32(INT32_MIN), "-2147483648");
  EXPECT_EQ(string_from_uint32(0), " 0");
  EXPECT_EQ(string_from_uint32(UINT32_MAX), " 4294967295");
}

TEST(TextFunctions, FromSingle) {
  struct Case {
    float value;
    const char* text;
  };
  const Case cases[] = {
      {290.0f, " 290"},
      {2.5f, " 2.5"},
      {0.5f, " .5"},
      {-0.25f, "-.25"},
      {123.456789f, " 123.4568"},
      {0.00000012f, " 1.2E-07"},
      {0.0f, " 0"},
      {-0.0f, " 0"},
      {-3.0f, "-3"},
      {1234567.0f, " 1234567"},
      {1e7f, " 1E+07"},
      {12345678.0f, " 1.234568E+07"},
      {0.0000001f, " .0000001"},  // e - s = -8: still fixed
      {0.00000001f, " 1E-08"},
      {-0.00012345f, "-1.2345E-04"},  // e - s = -9: exponent form
      {-0.0012345f, "-.0012345"},
      {99999.99609375f, " 100000"},  // seven digits round up to one
      {FLT_MAX, " 3.402823E+38"},
      {-FLT_TRUE_MIN, "-1.401298E-45"},
  };
  for (const auto& c : cases) EXPECT_EQ(string_from_single(c.value), c.text) << c.value;
}

struct ScanCase {
  const char* text;
  long double value;
};

TEST(ScanNumber, DecimalForms) {
  const ScanCase cases[] = {
      {"", 0},
      {"-", 0},
      {".", 0},
      {"E5", 0},
      {"-0.000", 0},
      {"290", 290},
      {"  -12.5", -12.5L},
      {"+7", 7},
      {"1 2", 12},                 // blanks between digits
      {"\t- 3 .\t5 ", -3.5L},
      {"12,34", 12},               // a decimal comma ends the number
      {"1.2.3", 1.2L},             // so does a second point
      {"1-2", 1},
      {"+-1", 0},
      {"12a3", 12},
      {"3\x80" "4", 3},
      {"5\n6", 5},
      {"15E-1", 1.5L},
      {".5E-1", 0.05L},
      {"1e", 1},
      {"1e+", 1},
      {"2D3", 2000},
      {"2d-3", 0.002L},
      {"1E2.5", 100},              // a point after the exponent letter
      {"1E1E1", 10},
      {"1E+-1", 1},
      {"1E 0 0 2", 100},
      {"1E00000000000000000000003", 1000},  // leading exponent zeros do not count
      {"0000000000000000000000001.5", 1.5L},
      {"0.1", 0.1L},               // nearest extended value, not a widened double
      {"1e-20", 1e-20L},
      {"123456789012345678", 123456789012345678.0L},
      {"-999999999999999999", -999999999999999999.0L},
      // 2^64 + 1 lies halfway between two extended values: ties to even.
      {"18446744073709551617", 18446744073709551616.0L},
      {"1E99999999999999999999999", std::numeric_limits<long double>::infinity()},
      {"-1E99999999999999999999999", -std::numeric_limits<long double>::infinity()},
      {"1E-99999999999999999999999", 0},
  };
  for (const auto& c : cases) {
    const NumberScan scan = scan_number(c.text);
    EXPECT_EQ(scan.value, c.value) << '[' << c.text << ']';
    EXPECT_EQ(scan.error, 0) << '[' << c.text << ']';
  }
}

TEST(ScanNumber, LongMantissaRoundsOnce) {
  // Far more digits than any significand: the nearest value of the whole text.
  const std::string text = "0." + std::string(400, '0') + "1" + std::string(600, '0');
  EXPECT_EQ(scan_number(text).value, 1e-401L);
  EXPECT_EQ(scan_number(std::string(5000, '9')).value, std::numeric_limits<long double>::infinity());
}

struct PrefixedCase {
  const char* text;
  long double value;
  int32_t error;
};

TEST(ScanNumber, PrefixedForms) {
  const PrefixedCase cases[] = {
      {"&H10", 16, 0},
      {"&h1f", 31, 0},
      {" \t&HFF", 255, 0},
      {"&H 1 F", 31, 0},
      {"&H1G7", 1, 0},
      {"&HFFFFFFFFFFFFFFFF", -1, 0},           // the pattern is read as signed
      {"&H7FFFFFFFFFFFFFFF", 9223372036854775807.0L, 0},
      {"&H00000000000000000001", 1, 0},        // leading zeros are not significant
      {"&H10000000000000000", 0, 6},           // 17 significant digits
      {"&O777", 511, 0},
      {"&o17", 15, 0},
      {"&O8", 0, 0},
      {"&O1777777777777777777777", -1, 0},     // 22 digits, 64 bits
      {"&O2000000000000000000000", 0, 6},      // 65 bits
      {"&B101", 5, 0},
      {"&b0000000011", 3, 0},
      {"&B2", 0, 0},
      {"&", 0, 0},
      {"&H", 0, 0},
      {"&X12", 0, 0},
      {"-&H10", 0, 0},                         // only blanks may stand before "&"
      {"1&H10", 1, 0},
  };
  for (const auto& c : cases) {
    const NumberScan scan = scan_number(c.text);
    EXPECT_EQ(scan.value, c.value) << '[' << c.text << ']';
    EXPECT_EQ(scan.error, c.error) << '[' << c.text << ']';
  }
  // 64 binary ones fit, 65 overflow.
  EXPECT_EQ(scan_number("&B" + std::string(64, '1')).value, -1);
  const NumberScan too_long = scan_number("&B1" + std::string(64, '0'));
  EXPECT_EQ(too_long.value, 0);
  EXPECT_EQ(too_long.error, 6);
}

}  // namespace
