#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>

#include "console/headless_host.h"
#include "console/line_input.h"
#include "console/platform.h"
#include "support/headless_run.h"

using console::HeadlessHost;
using console::Platform;
using console::Text;

namespace {

bool same_float(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool same_cells(const console::ScreenState& a, const console::ScreenState& b) {
  for (std::size_t i = 0; i < a.cells.size(); ++i)
    if (a.cells[i].character != b.cells[i].character || a.cells[i].attribute != b.cells[i].attribute)
      return false;
  return true;
}

// The entry's echo on rows 1 to 4 (an entry may run on over rows).
std::string echoed(Platform& platform) {
  std::string text;
  for (int row = 1; row <= 4; ++row) text += platform.screen().row_text(row);
  return trimmed(text);
}

struct FloatEntry {
  const char* keys;  // typed before Enter
  const char* echo;  // what stays on the screen
  float value;
};

const FloatEntry kFloatEntries[] = {
    {"-", "-", 0.0f},
    {"-0.0", "-0.0", -0.0f},
    {"1e3", "1e3", 1000.0f},
    {"9999999.4", "9999999.4", 9999999.4f},
    {"+5", "5", 5.0f},                       // a leading "+" is refused
    {"1D2d3", "123", 123.0f},                // "D" and "d" are refused
    {"1 2", "12", 12.0f},                    // blanks are refused
    {"1\t2", "12", 12.0f},                   // so are the blanks of a Tab
    {"1,5", "15", 15.0f},                    // a comma outside quotes
    {".1234567891", ".12345678", 0.12345678f},  // at most 8 digits
    {"34e37", "34e37", 3.4e38f},             // P = 39, lead 3400000
    {"35e37", "35e3", 35000.0f},             // P = 39, lead above 3402823
    {"1e-45", "1e-4", 1e-4f},                // P = -44, lead below 1401298
    {".1401298e-44", ".1401298e-44", 1.401298e-45f},
    {"12\b3", "13", 13.0f},                  // Backspace
    {"\b\b7", "7", 7.0f},                    // Backspace on an empty entry
    {"\"2.5\"9", "\"2.5\"", 2.5f},           // nothing after a closing quote
    {"4\x0b\x0c\x1c\x1f\n", "4", 4.0f},      // codes that the entry ignores
};

class FloatEntryTest : public ::testing::TestWithParam<FloatEntry> {};

TEST_P(FloatEntryTest, KeystrokesGiveEchoAndValue) {
  const FloatEntry& entry = GetParam();
  HeadlessHost host;
  Platform platform(host);
  host.type(std::string(entry.keys) + "\r");
  float target = 99;
  platform.input_from_keyboard(target);
  EXPECT_EQ(echoed(platform), entry.echo);
  EXPECT_TRUE(same_float(target, entry.value)) << target << " for " << entry.keys;
  // Enter ends the line.
  console::ScreenState state = platform.screen().snapshot();
  EXPECT_EQ(state.row, 2);
  EXPECT_EQ(state.column, 1);
  EXPECT_FALSE(state.cursor_visible);
}

INSTANTIATE_TEST_SUITE_P(Table, FloatEntryTest, ::testing::ValuesIn(kFloatEntries));

struct TextEntry {
  std::string keys;
  std::string echo;
  std::string value;
};

const TextEntry kTextEntries[] = {
    {"\"a,b\"", "\"a,b\"", "a,b"},                    // a comma inside quotes
    {"a,b", "ab", "ab"},                              // and outside
    {"x\"y,\"", "x\"y\"", "x\"y\""},                  // a later quote is ordinary
    {"\"ab\"c", "\"ab\"", "ab"},
    {"ab\tc", "ab      c", "ab      c"},              // Tab to column 8
    {"12345678\tx", "12345678        x", "12345678        x"},  // a full 8 more
    {" a b ", " a b", " a b "},                        // blanks are kept
    {"a\x1b", "a\x1b", "a\x1b"},                       // Escape is stored
    {"ab\b\bc", "c", "c"},
    {"", "", ""},
};

class TextEntryTest : public ::testing::TestWithParam<TextEntry> {};

TEST_P(TextEntryTest, KeystrokesGiveEchoAndValue) {
  const TextEntry& entry = GetParam();
  HeadlessHost host;
  Platform platform(host);
  host.type(entry.keys + "\r");
  Text target = "old";
  platform.input_from_keyboard(target);
  EXPECT_EQ(echoed(platform), entry.echo);
  EXPECT_EQ(target, entry.value);
}

INSTANTIATE_TEST_SUITE_P(Table, TextEntryTest, ::testing::ValuesIn(kTextEntries));

TEST(LineInput, StopsTakingCharactersAt255) {
  HeadlessHost host;
  Platform platform(host);
  host.type(std::string(300, 'x') + "\r");
  Text target;
  platform.input_from_keyboard(target);
  EXPECT_EQ(target, std::string(255, 'x'));
  EXPECT_EQ(platform.screen().row_text(4), std::string(15, 'x') + std::string(65, ' '));
  EXPECT_EQ(platform.screen().snapshot().row, 5);
}

TEST(LineInput, TwoByteKeysAreIgnoredAndBellIsNotStored) {
  HeadlessHost host;
  Platform platform(host);
  host.type("1");
  host.press(Text("\0H", 2));
  host.type("\a2\r");
  float target = 0;
  platform.input_from_keyboard(target);
  EXPECT_EQ(target, 12.0f);
  EXPECT_EQ(echoed(platform), "12");
  EXPECT_EQ(host.clock_ms, 250);  // the bell's pause
}

// A refused key brings back the screen as it stood when the entry began and
// prints the accepted text again: here the entry has scrolled the screen, so
// only a true restore gives the same screen as typing without the refusals.
TEST(LineInput, RefusedKeyRedrawsFromTheScreenAtTheStart) {
  auto run = [](const std::string& keys) {
    HeadlessHost host;
    Platform platform(host);
    for (int row = 1; row <= 24; ++row) platform.print_string("row " + std::to_string(row), true);
    platform.print_string(std::string(75, '.') + "? ", false);
    host.type(keys + "\r");
    float target = 0;
    platform.input_from_keyboard(target);
    EXPECT_EQ(target, 1234567.0f);
    return platform.screen().snapshot();
  };
  console::ScreenState plain = run("1234567");
  console::ScreenState with_refusals = run("123x45,6 7D");
  // The entry wrapped and scrolled once, Enter once more.
  EXPECT_EQ(with_refusals.cell(22, 1).character, '.');
  EXPECT_EQ(with_refusals.cell(23, 1).character, '4');
  EXPECT_TRUE(same_cells(plain, with_refusals));
  EXPECT_EQ(plain.row, with_refusals.row);
  EXPECT_EQ(plain.column, with_refusals.column);
}

// The target is cleared at the start and holds the value of the text typed so
// far; a stop request ends the entry at once, without a line end.
TEST(LineInput, StopReturnsWithTheValueSoFarAndNoLineEnd) {
  HeadlessHost host;
  Platform platform(host);
  host.type("42");
  float target = 7;
  platform.input_from_keyboard(target);  // the script runs out: the window closes
  EXPECT_TRUE(platform.stop_requested());
  EXPECT_EQ(target, 42.0f);
  console::ScreenState state = platform.screen().snapshot();
  EXPECT_EQ(state.row, 1);
  EXPECT_EQ(state.column, 3);
  ASSERT_EQ(host.screens_before_key.size(), 2u);
  EXPECT_TRUE(host.screens_before_key[0].cursor_visible);
  EXPECT_FALSE(state.cursor_visible);
}

struct Validation {
  std::string entry;
  bool accepted;
  float value;
};

const float kMaxFloat = FLT_MAX;

const Validation kValidations[] = {
    {"", true, 0.0f},
    {"-", true, 0.0f},
    {"0", true, 0.0f},
    {"-0", true, 0.0f},
    {".", true, 0.0f},
    {"-.", true, 0.0f},
    {"-0.", true, -0.0f},
    {"-.0", true, -0.0f},
    {"00", false, 0},
    {"05", false, 0},
    {"0.5", true, 0.5f},
    {"0e1", false, 0},
    {"1.e5", false, 0},
    {".0e1", false, 0},
    {"0.0e1", false, 0},
    {"1.0e1", true, 10.0f},
    {".5E+2", true, 50.0f},
    {"1e0", true, 1.0f},
    {"1e05", false, 0},
    {"1e-0", true, 1.0f},
    {"1e", true, 1.0f},
    {"1e-", true, 1.0f},
    {"1e5.", false, 0},
    {"1e5e", false, 0},
    {"1..2", false, 0},
    {"--1", false, 0},
    {"1-", false, 0},
    {"e", false, 0},
    {"-e", false, 0},
    {"1d", false, 0},
    {" 1", false, 0},
    {"12345678.0", true, 12345678.0f},   // a lone 0 after the point does not count
    {"12345678.00", false, 0},
    {"1234567.8", true, 1234567.8f},
    {"12345678.9", false, 0},
    {"123456789", true, 123456789.0f},  // no limit without fraction digits
    {"0.12345678", true, 0.12345678f},
    {"0.123456789", false, 0},
    {"." + std::string(43, '0') + "1", true, 1e-44f},
    {"." + std::string(44, '0'), false, 0},
    {"1e38", true, 1e38f},
    {"1e39", false, 0},
    {std::string(39, '1'), true, 1.11111111e38f},
    {std::string(40, '1'), false, 0},
    {"3402823e32", true, 3.402823e38f},
    {"3402824e32", false, 0},
    {"3402823.9e32", true, kMaxFloat},  // beyond FLT_MAX: the largest float, never infinity
    {"-3402823.9e32", true, -kMaxFloat},
    {"1401298e-51", true, 1.401298e-45f},
    {"1401297e-51", false, 0},
    {"&", true, 0.0f},
    {"&H", true, 0.0f},
    {"&o", true, 0.0f},
    {"&hfF", true, 255.0f},
    {"&H" + std::string(16, 'F'), true, 18446744073709551615.0f},
    {"&H" + std::string(17, 'F'), false, 0},
    {"&HG", false, 0},
    {"&O17", true, 15.0f},
    {"&O8", false, 0},
    {"&O1" + std::string(21, '7'), true, 18446744073709551615.0f},
    {"&O2" + std::string(21, '7'), false, 0},
    {"&O" + std::string(21, '7'), true, 9223372036854775807.0f},
    {"&B1", false, 0},
    {"\"", true, 0.0f},
    {"\"1.5\"", true, 1.5f},
    {"\"1.5\"x", false, 0},
    {"\"1,5", false, 0},
};

TEST(LineInput, FloatEntryValidation) {
  for (const Validation& v : kValidations) {
    float value = 12345;
    bool accepted = console::float_entry_acceptable(v.entry, value);
    EXPECT_EQ(accepted, v.accepted) << "[" << v.entry << "]";
    if (accepted && v.accepted) {
      EXPECT_TRUE(same_float(value, v.value)) << "[" << v.entry << "] gave " << value;
    }
  }
}

}  // namespace
