// The 80 x 25 text screen: one struct of cells, a cursor and the colours in
// force. All printing goes here; the window's renderer reads snapshots.
// Every public operation takes the screen's lock, so the calculator's thread
// may write while the window thread reads.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include "console/text.h"

namespace console {

constexpr int kScreenColumns = 80;
constexpr int kScreenRows = 25;
// Rows 1 to 24 scroll; row 25 is reached only through locate.
constexpr int kScrollRows = 24;

struct Cell {
  uint8_t character = ' ';
  // Foreground colour in bits 0 to 3, background in bits 4 to 6, blink bit 7.
  uint8_t attribute = 7;

  bool operator==(const Cell&) const = default;
};

// Everything that the screen shows and remembers; copied whole for the
// renderer and for the line editor's redraw after a refused key.
struct ScreenState {
  std::array<Cell, kScreenColumns * kScreenRows> cells{};
  int row = 1;     // 1-based cursor row
  int column = 1;  // 1-based cursor column
  bool line_end_pending = false;
  uint8_t foreground = 7;  // 0 to 15
  uint8_t background = 0;  // 0 to 7
  bool blink = false;
  bool cursor_visible = false;  // shown (blinking) only during a line input

  const Cell& cell(int row_1, int column_1) const {
    return cells[(row_1 - 1) * kScreenColumns + (column_1 - 1)];
  }
  Cell& cell(int row_1, int column_1) {
    return cells[(row_1 - 1) * kScreenColumns + (column_1 - 1)];
  }

  bool operator==(const ScreenState&) const = default;
};

class TextScreen {
 public:
  TextScreen();

  // Blanks rows 1 to 25 in the current colours, cursor to row 1, column 1;
  // a pending line end stays pending.
  void clear();
  // Foreground 0 to 31 (16 to 31: colour n - 16 blinking). Returns false and
  // changes nothing for any other number.
  bool set_foreground(int32_t colour);
  // Moves the cursor (row 1 to 25, column 1 to 80) and drops a pending line
  // end. Returns false and leaves the cursor for a position off the screen.
  bool locate(int32_t row, int32_t column);
  // Makes a line end first when the text would not fit in the rest of the
  // row (unless a line end is pending or the cursor is in column 1).
  void fit_to_line(const Text& text);
  // Prints the text at the cursor with the pending-line-end, wrap, scroll
  // and control-code rules; with line_end, ends with a line end. Byte 7
  // calls on_bell (the caller pauses) and is not drawn.
  void print(const Text& text, bool line_end, const std::function<void()>& on_bell = {});

  // Shows or hides the blinking cursor (during a line input).
  void set_cursor_visible(bool visible);

  ScreenState snapshot() const;
  void restore(const ScreenState& state);

  // Called after each change of what the screen may show, on the thread
  // that made it and outside the lock (the window wakes up to draw). Set it
  // once, before another thread uses the screen.
  void set_change_listener(std::function<void()> listener) { change_listener_ = std::move(listener); }
  // Counts those changes; any thread.
  uint64_t changes() const { return changes_.load(std::memory_order_acquire); }

  // Test and renderer conveniences over a snapshot.
  Text row_text(int row_1) const;          // the 80 characters of a row
  uint8_t colour_at(int row_1, int column_1) const;  // foreground 0..15

 private:
  void print_cells(const Text& text, bool line_end, const std::function<void()>& on_bell);
  void changed();

  mutable std::mutex mutex_;
  ScreenState state_;
  std::atomic<uint64_t> changes_{0};
  std::function<void()> change_listener_;
};

}  // namespace console
