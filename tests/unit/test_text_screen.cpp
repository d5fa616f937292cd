#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "console/text_screen.h"

using console::ScreenState;
using console::TextScreen;

namespace {

std::string padded(const std::string& text) { return text + std::string(80 - text.size(), ' '); }

// Fills rows 1 to 24 with "row 1" ... "row 24" and leaves the cursor on row 24
// after the last one, without a line end.
void fill_scroll_area(TextScreen& screen) {
  for (int row = 1; row <= 24; ++row) screen.print("row " + std::to_string(row), row < 24);
}

struct CursorCase {
  const char* name;
  std::function<void(TextScreen&)> steps;
  int row;
  int column;
  bool pending;
};

TEST(TextScreen, CursorAfterPrinting) {
  const std::string full(80, 'x');
  const CursorCase cases[] = {
      {"short text", [](TextScreen& s) { s.print("abc", false); }, 1, 4, false},
      {"short text, line end", [](TextScreen& s) { s.print("abc", true); }, 2, 1, false},
      {"empty text, line end", [](TextScreen& s) { s.print("", true); }, 2, 1, false},
      {"wrap inside the text", [&](TextScreen& s) { s.print(full + "yz", false); }, 2, 3, false},
      {"full row leaves the line end pending",
       [&](TextScreen& s) { s.print(full, false); }, 1, 80, true},
      {"full row with the flag makes one line end",
       [&](TextScreen& s) { s.print(full, true); }, 2, 1, false},
      {"an empty text keeps it pending",
       [&](TextScreen& s) { s.print(full, false); s.print("", false); }, 1, 80, true},
      {"an empty text with the flag makes exactly one line end",
       [&](TextScreen& s) { s.print(full, false); s.print("", true); }, 2, 1, false},
      {"a non-empty text performs it first",
       [&](TextScreen& s) { s.print(full, false); s.print("ab", false); }, 2, 3, false},
      {"locate drops it",
       [&](TextScreen& s) { s.print(full, false); s.locate(5, 10); s.print("ab", false); }, 5, 12, false},
      {"clear keeps it pending",
       [&](TextScreen& s) { s.print(full, false); s.clear(); s.print("ab", false); }, 2, 3, false},
      {"two full rows with the flag",
       [&](TextScreen& s) { s.print(full + full, true); }, 3, 1, false},
      {"line end on row 25 goes to row 24",
       [](TextScreen& s) { s.locate(25, 1); s.print("note", true); }, 24, 1, false},
      {"wrap on row 25 goes to row 24",
       [&](TextScreen& s) { s.locate(25, 79); s.print("abc", false); }, 24, 2, false},
      {"tab stops", [](TextScreen& s) { s.print("ab\tc\t\t", false); }, 1, 25, false},
      {"tab from column 9", [](TextScreen& s) { s.locate(1, 9); s.print("\t", false); }, 1, 17, false},
      {"tab past column 80 wraps", [](TextScreen& s) { s.locate(3, 75); s.print("\tz", false); }, 4, 2, false},
      {"tab past column 80 as last byte is pending",
       [](TextScreen& s) { s.locate(3, 75); s.print("\t", false); }, 3, 80, true},
      {"CR and LF are line ends", [](TextScreen& s) { s.print("a\rb\nc", false); }, 3, 2, false},
      {"a CR as last byte with the flag makes two",
       [](TextScreen& s) { s.print("a\r", true); }, 3, 1, false},
      {"home", [](TextScreen& s) { s.locate(10, 10); s.print("\x0b", false); }, 1, 1, false},
      {"form feed clears and homes", [](TextScreen& s) { s.locate(10, 10); s.print("\x0cq", false); }, 1, 2, false},
      {"cursor moves stay on the screen",
       [](TextScreen& s) { s.print("\x1d\x1e", false); s.locate(24, 80); s.print("\x1c\x1f", false); }, 24, 80, false},
      {"cursor moves", [](TextScreen& s) { s.locate(5, 5); s.print("\x1c\x1c\x1d\x1e\x1f\x1f", false); }, 6, 6, false},
      {"bell moves nothing", [](TextScreen& s) { s.print("\a\a", false); }, 1, 1, false},
      {"fit: text that fits stays", [](TextScreen& s) { s.locate(2, 75); s.fit_to_line("123456"); }, 2, 75, false},
      {"fit: text too long moves on", [](TextScreen& s) { s.locate(2, 75); s.fit_to_line("1234567"); }, 3, 1, false},
      {"fit: nothing in column 1",
       [](TextScreen& s) { s.locate(2, 1); s.fit_to_line(std::string(200, 'x')); }, 2, 1, false},
      {"fit: nothing while a line end is pending",
       [&](TextScreen& s) { s.print(full, false); s.fit_to_line("x"); }, 1, 80, true},
      {"fit on row 24 scrolls", [](TextScreen& s) { s.locate(24, 79); s.fit_to_line("abc"); }, 24, 1, false},
  };
  for (const auto& c : cases) {
    TextScreen screen;
    c.steps(screen);
    const ScreenState state = screen.snapshot();
    EXPECT_EQ(state.row, c.row) << c.name;
    EXPECT_EQ(state.column, c.column) << c.name;
    EXPECT_EQ(state.line_end_pending, c.pending) << c.name;
  }
}

TEST(TextScreen, WrapWritesEveryByte) {
  TextScreen screen;
  std::string text;
  for (int i = 0; i < 85; ++i) text += static_cast<char>('A' + i % 26);
  screen.print(text, false);
  EXPECT_EQ(screen.row_text(1), text.substr(0, 80));
  EXPECT_EQ(screen.row_text(2), padded(text.substr(80)));
}

TEST(TextScreen, ScrollingKeepsRow25) {
  TextScreen screen;
  screen.locate(25, 1);
  screen.print("status", false);
  screen.locate(1, 1);
  fill_scroll_area(screen);
  EXPECT_EQ(screen.row_text(24), padded("row 24"));
  screen.set_foreground(12);
  screen.print("", true);  // line end on row 24: scrolls
  EXPECT_EQ(screen.row_text(1), padded("row 2"));
  EXPECT_EQ(screen.row_text(23), padded("row 24"));
  EXPECT_EQ(screen.row_text(24), padded(""));
  EXPECT_EQ(screen.row_text(25), padded("status"));
  // The fresh row takes the colours in force.
  EXPECT_EQ(screen.colour_at(24, 1), 12);
  EXPECT_EQ(screen.colour_at(23, 1), 7);

  // A line end made on row 25 scrolls rows 1 to 24 as well; row 25 stays.
  screen.locate(25, 8);
  screen.print("!", true);
  EXPECT_EQ(screen.row_text(1), padded("row 3"));
  EXPECT_EQ(screen.row_text(25), padded("status !"));
  EXPECT_EQ(screen.snapshot().row, 24);
}

TEST(TextScreen, ControlCodesAreNotDrawn) {
  TextScreen screen;
  int bells = 0;
  screen.print("a\ab\tc", false, [&] { ++bells; });
  EXPECT_EQ(bells, 1);
  EXPECT_EQ(screen.row_text(1), padded("ab      c"));
  screen.print("\x1e\x1d\x1dZ", false);  // up (stays on row 1), left, left
  EXPECT_EQ(screen.row_text(1), padded("ab     Zc"));
  // Bytes without a control meaning are drawn as glyphs.
  screen.locate(2, 1);
  screen.print(std::string("\x01\x08\x1b\xff", 4), false);
  EXPECT_EQ(screen.row_text(2).substr(0, 4), std::string("\x01\x08\x1b\xff", 4));
  // Form feed clears in the colours in force.
  screen.set_foreground(9);
  screen.print("\x0c", false);
  EXPECT_EQ(screen.row_text(1), padded(""));
  EXPECT_EQ(screen.colour_at(25, 80), 9);
}

TEST(TextScreen, ColoursAndAttributes) {
  TextScreen screen;
  EXPECT_TRUE(screen.set_foreground(14));
  screen.print("a", false);
  EXPECT_TRUE(screen.set_foreground(20));  // colour 4, blinking
  screen.print("b", false);
  EXPECT_FALSE(screen.set_foreground(32));
  EXPECT_FALSE(screen.set_foreground(-1));
  screen.print("c", false);  // still colour 4, blinking
  EXPECT_TRUE(screen.set_foreground(31));
  screen.print("d", false);

  const ScreenState state = screen.snapshot();
  EXPECT_EQ(state.cell(1, 1).attribute, 14);
  EXPECT_EQ(state.cell(1, 2).attribute, 0x84);
  EXPECT_EQ(state.cell(1, 3).attribute, 0x84);
  EXPECT_EQ(state.cell(1, 4).attribute, 0x8F);
  EXPECT_EQ(screen.colour_at(1, 4), 15);
  EXPECT_EQ(state.cell(1, 5).attribute, 7);  // untouched cell

  // Clearing fills all 25 rows in the colours in force.
  screen.clear();
  const ScreenState cleared = screen.snapshot();
  for (const auto& cell : cleared.cells) {
    ASSERT_EQ(cell.character, ' ');
    ASSERT_EQ(cell.attribute, 0x8F);
  }
}

TEST(TextScreen, LocateRefusesPositionsOffTheScreen) {
  const int off[][2] = {{0, 1}, {26, 1}, {1, 0}, {1, 81}, {-5, -5}};
  for (const auto& position : off) {
    TextScreen screen;
    screen.print(std::string(80, 'x'), false);
    EXPECT_FALSE(screen.locate(position[0], position[1]));
    const ScreenState state = screen.snapshot();
    EXPECT_EQ(state.row, 1);
    EXPECT_EQ(state.column, 80);
    EXPECT_TRUE(state.line_end_pending);  // a refused locate drops nothing
  }
  TextScreen screen;
  EXPECT_TRUE(screen.locate(25, 80));
  screen.print("z", false);
  EXPECT_EQ(screen.row_text(25).back(), 'z');
  EXPECT_TRUE(screen.snapshot().line_end_pending);
}

TEST(TextScreen, RestoreBringsBackTheWholeState) {
  TextScreen screen;
  screen.print("before", false);
  const ScreenState saved = screen.snapshot();
  screen.set_foreground(13);
  screen.print("after", true);
  screen.restore(saved);
  EXPECT_EQ(screen.row_text(1), padded("before"));
  const ScreenState state = screen.snapshot();
  EXPECT_EQ(state.row, 1);
  EXPECT_EQ(state.column, 7);
  EXPECT_EQ(state.foreground, 7);
}

}  // namespace

namespace {

// Every operation that can change what the window shows tells the listener
// (the window then draws), after it has let go of the screen: the listener
// may read it.
TEST(TextScreen, ChangesReachTheListener) {
  const struct {
    const char* what;
    int column;  // where the cursor stands before
    std::function<void(TextScreen&)> change;
  } cases[] = {
      {"print", 1, [](TextScreen& s) { s.print("a", false); }},
      {"print with a line end", 1, [](TextScreen& s) { s.print("", true); }},
      {"clear", 1, [](TextScreen& s) { s.clear(); }},
      {"locate", 1, [](TextScreen& s) { s.locate(3, 4); }},
      {"fit a long text to the line", 70, [](TextScreen& s) { s.fit_to_line(std::string(20, 'x')); }},
      {"cursor shown", 1, [](TextScreen& s) { s.set_cursor_visible(true); }},
      {"restore", 1, [](TextScreen& s) { s.restore(ScreenState{}); }},
  };
  for (const auto& c : cases) {
    TextScreen screen;
    screen.locate(1, c.column);
    int heard = 0;
    screen.set_change_listener([&] {
      screen.snapshot();  // would deadlock under the screen's lock
      ++heard;
    });
    const uint64_t before = screen.changes();
    c.change(screen);
    EXPECT_GE(heard, 1) << c.what;
    EXPECT_EQ(screen.changes() - before, static_cast<uint64_t>(heard)) << c.what;
  }
}

}  // namespace
