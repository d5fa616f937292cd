#include "console/glut/frame.h"

#include <algorithm>

#include "console/glut/font.h"

namespace console::glut {

const std::array<uint32_t, 16> kPalette = {
    0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
    0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF,
};

namespace {

constexpr int kCursorFirstLine = 14;  // pixel rows 14 and 15 of the cell

// Everything that decides one cell's pixels.
struct CellLook {
  Cell cell;
  bool glyph_shown = true;  // false in the off phase of a blinking cell
  bool cursor_here = false;

  bool operator==(const CellLook&) const = default;
};

CellLook look_of(const ScreenState& screen, bool blink_shown, bool cursor_shown, int row, int column) {
  const Cell& cell = screen.cell(row, column);
  return {cell, (cell.attribute & 0x80) == 0 || blink_shown,
          screen.cursor_visible && cursor_shown && row == screen.row && column == screen.column};
}

void draw_cell(const CellLook& look, int row, int column, std::vector<uint8_t>& rgba) {
  const uint32_t foreground = kPalette[look.cell.attribute & 0x0F];
  const uint32_t background = kPalette[(look.cell.attribute >> 4) & 0x07];
  const Glyph& glyph = kGlyphs[look.cell.character];
  const int left = (column - 1) * kGlyphWidth;
  const int top = (row - 1) * kGlyphHeight;
  for (int line = 0; line < kGlyphHeight; ++line) {
    uint8_t bits = look.glyph_shown ? glyph[line] : 0;
    if (look.cursor_here && line >= kCursorFirstLine) bits = 0xFF;
    uint8_t* pixel = &rgba[(static_cast<std::size_t>(top + line) * kFrameWidth + left) * 4];
    for (int x = 0; x < kGlyphWidth; ++x, pixel += 4) {
      const uint32_t rgb = (bits & (0x80 >> x)) != 0 ? foreground : background;
      pixel[0] = static_cast<uint8_t>(rgb >> 16);
      pixel[1] = static_cast<uint8_t>(rgb >> 8);
      pixel[2] = static_cast<uint8_t>(rgb);
      pixel[3] = 0xFF;
    }
  }
}

bool any_blinking(const ScreenState& screen) {
  return std::any_of(screen.cells.begin(), screen.cells.end(),
                     [](const Cell& cell) { return (cell.attribute & 0x80) != 0; });
}

}  // namespace

FrameInputs frame_inputs(const ScreenState& screen, int64_t now_ms) {
  FrameInputs inputs{screen};
  if (any_blinking(screen)) inputs.blink_shown = blink_shown_at(now_ms);
  if (screen.cursor_visible) inputs.cursor_shown = cursor_shown_at(now_ms);
  return inputs;
}

std::optional<int64_t> next_phase_change_ms(const ScreenState& screen, int64_t now_ms) {
  static_assert(kBlinkHalfPeriodMs == kCursorHalfPeriodMs, "one phase boundary for both");
  if (!screen.cursor_visible && !any_blinking(screen)) return std::nullopt;
  return (now_ms / kBlinkHalfPeriodMs + 1) * kBlinkHalfPeriodMs;
}

void draw_frame(const ScreenState& screen, bool blink_shown, bool cursor_shown, std::vector<uint8_t>& rgba) {
  rgba.resize(static_cast<std::size_t>(kFrameWidth) * kFrameHeight * 4);
  for (int row = 1; row <= kScreenRows; ++row) {
    for (int column = 1; column <= kScreenColumns; ++column) {
      draw_cell(look_of(screen, blink_shown, cursor_shown, row, column), row, column, rgba);
    }
  }
}

RedrawnRows update_frame(const FrameInputs& before, const FrameInputs& now, std::vector<uint8_t>& rgba) {
  RedrawnRows redrawn;
  for (int row = 1; row <= kScreenRows; ++row) {
    for (int column = 1; column <= kScreenColumns; ++column) {
      const CellLook look = look_of(now.screen, now.blink_shown, now.cursor_shown, row, column);
      if (look != look_of(before.screen, before.blink_shown, before.cursor_shown, row, column)) {
        draw_cell(look, row, column, rgba);
        if (redrawn.first == 0) redrawn.first = row;
        redrawn.last = row;
      }
    }
  }
  return redrawn;
}

}  // namespace console::glut
