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

void put_pixel(std::vector<uint8_t>& rgba, int x, int y, uint32_t rgb) {
  uint8_t* pixel = &rgba[(static_cast<std::size_t>(y) * kFrameWidth + x) * 4];
  pixel[0] = static_cast<uint8_t>(rgb >> 16);
  pixel[1] = static_cast<uint8_t>(rgb >> 8);
  pixel[2] = static_cast<uint8_t>(rgb);
  pixel[3] = 0xFF;
}

}  // namespace

FrameInputs frame_inputs(const ScreenState& screen, int64_t now_ms) {
  FrameInputs inputs{screen};
  const bool any_blinking =
      std::any_of(screen.cells.begin(), screen.cells.end(), [](const Cell& cell) { return (cell.attribute & 0x80) != 0; });
  if (any_blinking) inputs.blink_shown = blink_shown_at(now_ms);
  if (screen.cursor_visible) inputs.cursor_shown = cursor_shown_at(now_ms);
  return inputs;
}

void draw_frame(const ScreenState& screen, bool blink_shown, bool cursor_shown, std::vector<uint8_t>& rgba) {
  rgba.resize(static_cast<std::size_t>(kFrameWidth) * kFrameHeight * 4);
  const bool draw_cursor = screen.cursor_visible && cursor_shown;
  for (int row = 1; row <= kScreenRows; ++row) {
    for (int column = 1; column <= kScreenColumns; ++column) {
      const Cell& cell = screen.cell(row, column);
      const uint32_t foreground = kPalette[cell.attribute & 0x0F];
      const uint32_t background = kPalette[(cell.attribute >> 4) & 0x07];
      const bool glyph_shown = (cell.attribute & 0x80) == 0 || blink_shown;
      const bool cursor_here = draw_cursor && row == screen.row && column == screen.column;
      const Glyph& glyph = kGlyphs[cell.character];
      const int left = (column - 1) * kGlyphWidth;
      const int top = (row - 1) * kGlyphHeight;
      for (int line = 0; line < kGlyphHeight; ++line) {
        uint8_t bits = glyph_shown ? glyph[line] : 0;
        if (cursor_here && line >= kCursorFirstLine) bits = 0xFF;
        for (int x = 0; x < kGlyphWidth; ++x) {
          const bool lit = (bits & (0x80 >> x)) != 0;
          put_pixel(rgba, left + x, top + line, lit ? foreground : background);
        }
      }
    }
  }
}

}  // namespace console::glut
