// The window's picture of the text screen: palette, glyph pixels, blinking
// characters and the line-input cursor.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "console/glut/font.h"
#include "console/glut/frame.h"

using console::ScreenState;
using namespace console::glut;

namespace {

uint32_t pixel(const std::vector<uint8_t>& rgba, int x, int y) {
  const uint8_t* p = &rgba[(static_cast<std::size_t>(y) * kFrameWidth + x) * 4];
  return (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
}

// Whether every pixel of a cell matches the glyph in those two colours.
::testing::AssertionResult cell_shows(const std::vector<uint8_t>& rgba, int row, int column, uint8_t character,
                                      uint32_t foreground, uint32_t background) {
  for (int line = 0; line < kGlyphHeight; ++line) {
    for (int x = 0; x < kGlyphWidth; ++x) {
      const bool lit = (kGlyphs[character][line] & (0x80 >> x)) != 0;
      const uint32_t want = lit ? foreground : background;
      const uint32_t got = pixel(rgba, (column - 1) * 8 + x, (row - 1) * 16 + line);
      if (got != want) {
        return ::testing::AssertionFailure() << "cell " << row << "," << column << " pixel " << x << "," << line
                                             << ": " << std::hex << got << " instead of " << want;
      }
    }
  }
  return ::testing::AssertionSuccess();
}

}  // namespace

TEST(Frame, GlyphsOfPrintableCharactersAreNotBlank) {
  for (int character = 33; character < 127; ++character) {
    bool any = false;
    for (uint8_t bits : kGlyphs[character]) any = any || bits != 0;
    EXPECT_TRUE(any) << "character " << character;
  }
  for (uint8_t bits : kGlyphs[' ']) EXPECT_EQ(bits, 0);
}

TEST(Frame, CellsUseThePaletteForForegroundAndBackground) {
  const struct {
    uint8_t attribute;
    uint32_t foreground;
    uint32_t background;
  } cases[] = {
      {0x07, 0xAAAAAA, 0x000000}, {0x09, 0x5555FF, 0x000000}, {0x0C, 0xFF5555, 0x000000},
      {0x0D, 0xFF55FF, 0x000000}, {0x0E, 0xFFFF55, 0x000000}, {0x0F, 0xFFFFFF, 0x000000},
      {0x06, 0xAA5500, 0x000000}, {0x1E, 0xFFFF55, 0x0000AA}, {0x70, 0x000000, 0xAAAAAA},
  };
  ScreenState screen;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    screen.cell(3, 10 + static_cast<int>(i)) = {'A', cases[i].attribute};
  }
  std::vector<uint8_t> rgba;
  draw_frame(screen, true, true, rgba);
  ASSERT_EQ(rgba.size(), 640u * 400u * 4u);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_TRUE(cell_shows(rgba, 3, 10 + static_cast<int>(i), 'A', cases[i].foreground, cases[i].background));
  }
  EXPECT_TRUE(cell_shows(rgba, 25, 80, ' ', 0xAAAAAA, 0x000000));
}

TEST(Frame, BlinkingCellsHideTheirGlyphInTheOffPhase) {
  ScreenState screen;
  screen.cell(1, 1) = {'X', 0x80 | 0x0D};  // blinking colour 13
  screen.cell(1, 2) = {'X', 0x0D};
  std::vector<uint8_t> rgba;
  draw_frame(screen, true, false, rgba);
  EXPECT_TRUE(cell_shows(rgba, 1, 1, 'X', 0xFF55FF, 0x000000));
  draw_frame(screen, false, false, rgba);
  EXPECT_TRUE(cell_shows(rgba, 1, 1, ' ', 0xFF55FF, 0x000000));
  EXPECT_TRUE(cell_shows(rgba, 1, 2, 'X', 0xFF55FF, 0x000000));
}

TEST(Frame, CursorIsDrawnOnlyDuringLineInputAndInItsOnPhase) {
  ScreenState screen;
  screen.row = 5;
  screen.column = 7;
  screen.cell(5, 7) = {' ', 0x0E};
  std::vector<uint8_t> rgba;
  for (bool input : {false, true}) {
    for (bool phase : {false, true}) {
      screen.cursor_visible = input;
      draw_frame(screen, true, phase, rgba);
      const uint32_t bottom = pixel(rgba, 6 * 8 + 3, 4 * 16 + 15);
      EXPECT_EQ(bottom, input && phase ? 0xFFFF55u : 0u) << "input " << input << " phase " << phase;
      EXPECT_EQ(pixel(rgba, 6 * 8 + 3, 4 * 16 + 2), 0u);
    }
  }
  EXPECT_EQ(blink_shown_at(0), true);
  EXPECT_NE(blink_shown_at(0), blink_shown_at(kBlinkHalfPeriodMs));
  EXPECT_NE(cursor_shown_at(0), cursor_shown_at(kCursorHalfPeriodMs));
}

// The window draws only when what a frame shows changes: the blink phases
// count only where something blinks.
TEST(Frame, InputsChangeOnlyWithTheScreenOrAPhaseThatShows) {
  ScreenState plain;
  plain.cell(2, 2) = {'A', 0x07};
  for (int64_t later : {int64_t{1}, kCursorHalfPeriodMs, kBlinkHalfPeriodMs, 3 * kCursorHalfPeriodMs}) {
    EXPECT_EQ(frame_inputs(plain, 0), frame_inputs(plain, later)) << later;
  }
  ScreenState changed = plain;
  changed.cell(25, 80) = {'B', 0x07};
  EXPECT_NE(frame_inputs(plain, 0), frame_inputs(changed, 0));

  ScreenState blinking = plain;
  blinking.cell(2, 3) = {'C', 0x80 | 0x07};
  EXPECT_EQ(frame_inputs(blinking, 0), frame_inputs(blinking, kBlinkHalfPeriodMs - 1));
  EXPECT_NE(frame_inputs(blinking, 0), frame_inputs(blinking, kBlinkHalfPeriodMs));

  ScreenState typing = plain;
  typing.cursor_visible = true;
  EXPECT_EQ(frame_inputs(typing, 0), frame_inputs(typing, kCursorHalfPeriodMs - 1));
  EXPECT_NE(frame_inputs(typing, 0), frame_inputs(typing, kCursorHalfPeriodMs));
  EXPECT_EQ(frame_inputs(typing, 0), frame_inputs(typing, 2 * kCursorHalfPeriodMs));
}

// Redrawing only the cells that changed gives the same picture as drawing
// the whole frame anew, and names the rows that it redrew.
TEST(Frame, UpdatedFrameEqualsAFreshlyDrawnOne) {
  ScreenState typing;
  typing.cursor_visible = true;
  typing.row = 8;
  typing.column = 40;
  typing.cell(8, 39) = {'a', 0x07};
  typing.cell(3, 3) = {'B', 0x80 | 0x0E};
  ScreenState moved = typing;
  moved.cell(8, 40) = {'b', 0x07};
  moved.column = 41;
  ScreenState cleared;
  cleared.cell(1, 1) = {'C', 0x1F};
  const struct {
    ScreenState before;
    int64_t before_ms;
    ScreenState now;
    int64_t now_ms;
    RedrawnRows rows;
  } cases[] = {
      {typing, 0, typing, kCursorHalfPeriodMs, {3, 8}},  // the cursor's and the blink's phase
      {typing, kCursorHalfPeriodMs, typing, 2 * kCursorHalfPeriodMs, {3, 8}},
      {typing, 0, moved, 0, {8, 8}},                     // a typed character moves the cursor
      {moved, kCursorHalfPeriodMs, cleared, 0, {1, 8}},  // a cleared screen, cursor gone
      {cleared, 0, typing, 0, {1, 8}},
      {typing, 0, typing, kCursorHalfPeriodMs - 1, {0, 0}},  // nothing to redraw
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const FrameInputs before = frame_inputs(cases[i].before, cases[i].before_ms);
    const FrameInputs now = frame_inputs(cases[i].now, cases[i].now_ms);
    std::vector<uint8_t> updated;
    draw_frame(before.screen, before.blink_shown, before.cursor_shown, updated);
    EXPECT_EQ(update_frame(before, now, updated), cases[i].rows) << "case " << i;
    std::vector<uint8_t> fresh;
    draw_frame(now.screen, now.blink_shown, now.cursor_shown, fresh);
    EXPECT_TRUE(updated == fresh) << "case " << i;
  }
}

// The window wakes for the blink only while something on the screen blinks,
// at the next change of phase.
TEST(Frame, NextPhaseChange) {
  ScreenState plain;
  ScreenState typing;
  typing.cursor_visible = true;
  ScreenState blinking;
  blinking.cell(5, 5) = {'x', 0x87};
  EXPECT_FALSE(next_phase_change_ms(plain, 0));
  EXPECT_FALSE(next_phase_change_ms(plain, 12345));
  for (const ScreenState& screen : {typing, blinking}) {
    EXPECT_EQ(next_phase_change_ms(screen, 0), kCursorHalfPeriodMs);
    EXPECT_EQ(next_phase_change_ms(screen, kCursorHalfPeriodMs - 1), kCursorHalfPeriodMs);
    EXPECT_EQ(next_phase_change_ms(screen, kCursorHalfPeriodMs), 2 * kCursorHalfPeriodMs);
  }
}
