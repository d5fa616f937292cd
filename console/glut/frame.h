// Turns a snapshot of the text screen into the window's picture: 640 x 400
// RGBA pixels, 8 x 16 per cell, the 16-colour palette, blinking characters
// and the blinking cursor of a line input.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "console/text_screen.h"

namespace console::glut {

constexpr int kFrameWidth = kScreenColumns * 8;   // 640
constexpr int kFrameHeight = kScreenRows * 16;    // 400

// The palette as 0xRRGGBB, indexed by colour number.
extern const std::array<uint32_t, 16> kPalette;

// How long blinking characters stay shown and then hidden, and the cursor.
constexpr int64_t kBlinkHalfPeriodMs = 500;
// Each phase change costs a whole frame, so the cursor blinks no faster.
constexpr int64_t kCursorHalfPeriodMs = 500;

// Which half of their blink period characters and cursor are in at `ms`.
inline bool blink_shown_at(int64_t ms) { return (ms / kBlinkHalfPeriodMs) % 2 == 0; }
inline bool cursor_shown_at(int64_t ms) { return (ms / kCursorHalfPeriodMs) % 2 == 0; }

// What decides a frame's pixels: the screen and the blink phases that show
// on it, the characters' only while a cell blinks and the cursor's only
// during a line input. The window draws a new frame only when they change.
struct FrameInputs {
  ScreenState screen;
  bool blink_shown = true;
  bool cursor_shown = false;

  bool operator==(const FrameInputs&) const = default;
};
FrameInputs frame_inputs(const ScreenState& screen, int64_t now_ms);
// When, after `now_ms`, a blink phase that shows on `screen` changes next;
// nothing when nothing on it blinks.
std::optional<int64_t> next_phase_change_ms(const ScreenState& screen, int64_t now_ms);

// Fills `rgba` (resized to 640 x 400 x 4 bytes, top row first). A cell with
// bit 7 of its attribute shows only its background while blink_shown is
// false; the cursor (the two bottom pixel rows of its cell, in the cell's
// foreground colour) is drawn when the screen shows it and cursor_shown.
void draw_frame(const ScreenState& screen, bool blink_shown, bool cursor_shown, std::vector<uint8_t>& rgba);
// The cell rows, first to last (1-based), that hold every cell redrawn;
// first is 0 when none was.
struct RedrawnRows {
  int first = 0;
  int last = 0;

  bool operator==(const RedrawnRows&) const = default;
};
// `rgba` shows `before` (as draw_frame drew it): redraws only the cells that
// look different in `now`, so that a blinking cursor costs one cell.
RedrawnRows update_frame(const FrameInputs& before, const FrameInputs& now, std::vector<uint8_t>& rgba);

}  // namespace console::glut
