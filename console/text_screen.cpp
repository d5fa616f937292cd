#include "console/text_screen.h"

namespace console {

namespace {

uint8_t attribute_of(const ScreenState& s) {
  return static_cast<uint8_t>(s.foreground | (s.background << 4) | (s.blink ? 0x80 : 0));
}

void blank_row(ScreenState& s, int row) {
  const Cell blank{' ', attribute_of(s)};
  for (int column = 1; column <= kScreenColumns; ++column) s.cell(row, column) = blank;
}

void clear_cells(ScreenState& s) {
  for (int row = 1; row <= kScreenRows; ++row) blank_row(s, row);
  s.row = 1;
  s.column = 1;
}

// Column 1 of the next row; below row 24 (and from row 25) rows 1 to 24
// scroll up by one and the cursor stays on row 24. Row 25 never moves.
void line_end(ScreenState& s) {
  s.column = 1;
  if (s.row < kScrollRows) {
    ++s.row;
    return;
  }
  for (int row = 1; row < kScrollRows; ++row)
    for (int column = 1; column <= kScreenColumns; ++column)
      s.cell(row, column) = s.cell(row + 1, column);
  blank_row(s, kScrollRows);
  s.row = kScrollRows;
}

}  // namespace

TextScreen::TextScreen() {
  std::lock_guard<std::mutex> lock(mutex_);
  clear_cells(state_);
}

void TextScreen::changed() {
  changes_.fetch_add(1, std::memory_order_acq_rel);
  if (change_listener_) change_listener_();
}

void TextScreen::clear() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    clear_cells(state_);
  }
  changed();
}

bool TextScreen::set_foreground(int32_t colour) {
  if (colour < 0 || colour > 31) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  state_.foreground = static_cast<uint8_t>(colour & 15);
  state_.blink = colour >= 16;
  return true;
}

bool TextScreen::locate(int32_t row, int32_t column) {
  if (row < 1 || row > kScreenRows || column < 1 || column > kScreenColumns) return false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    state_.row = row;
    state_.column = column;
    state_.line_end_pending = false;
  }
  changed();
  return true;
}

void TextScreen::fit_to_line(const Text& text) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (state_.line_end_pending || state_.column == 1) return;
    // 64-bit: a text may be longer than an int holds.
    const int64_t last_column = state_.column + static_cast<int64_t>(text.size()) - 1;
    if (last_column <= kScreenColumns) return;
    line_end(state_);
  }
  changed();
}

void TextScreen::print(const Text& text, bool with_line_end, const std::function<void()>& on_bell) {
  print_cells(text, with_line_end, on_bell);
  changed();
}

void TextScreen::print_cells(const Text& text, bool with_line_end, const std::function<void()>& on_bell) {
  std::unique_lock<std::mutex> lock(mutex_);
  ScreenState& s = state_;
  if (s.line_end_pending) {
    if (text.empty() && !with_line_end) return;
    s.line_end_pending = false;
    // An empty text with the flag makes only the line end below.
    if (!text.empty()) line_end(s);
  }

  bool wrapped_after_last = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const uint8_t byte = static_cast<uint8_t>(text[i]);
    const bool last = i + 1 == text.size();
    switch (byte) {
      case 7:
        if (on_bell) {
          // The caller pauses; the window thread must be able to read the
          // screen meanwhile, and shows what came before the bell.
          lock.unlock();
          changed();
          on_bell();
          lock.lock();
        }
        continue;
      case 9:
        s.column = ((s.column - 1) / 8 + 1) * 8 + 1;  // 9, 17, 25, ...; may pass 80
        break;
      case 10:
      case 13:
        line_end(s);
        continue;
      case 11:
        s.row = 1;
        s.column = 1;
        continue;
      case 12:
        clear_cells(s);
        continue;
      case 28:
        if (s.column < kScreenColumns) ++s.column;
        continue;
      case 29:
        if (s.column > 1) --s.column;
        continue;
      case 30:
        if (s.row > 1) --s.row;
        continue;
      case 31:
        if (s.row < kScrollRows) ++s.row;
        continue;
      default:
        s.cell(s.row, s.column) = Cell{byte, attribute_of(s)};
        ++s.column;
        break;
    }
    // The cursor has passed column 80.
    if (s.column > kScreenColumns) {
      if (last && !with_line_end) {
        s.column = kScreenColumns;
        s.line_end_pending = true;
      } else {
        line_end(s);
        wrapped_after_last = last;
      }
    }
  }
  if (with_line_end && !wrapped_after_last) line_end(s);
}

void TextScreen::set_cursor_visible(bool visible) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    state_.cursor_visible = visible;
  }
  changed();
}

ScreenState TextScreen::snapshot() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return state_;
}

void TextScreen::restore(const ScreenState& state) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    state_ = state;
  }
  changed();
}

Text TextScreen::row_text(int row_1) const {
  std::lock_guard<std::mutex> lock(mutex_);
  Text row;
  if (row_1 < 1 || row_1 > kScreenRows) return row;
  for (int column = 1; column <= kScreenColumns; ++column)
    row += static_cast<char>(state_.cell(row_1, column).character);
  return row;
}

uint8_t TextScreen::colour_at(int row_1, int column_1) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (row_1 < 1 || row_1 > kScreenRows || column_1 < 1 || column_1 > kScreenColumns) return 0;
  return state_.cell(row_1, column_1).attribute & 15;
}

}  // namespace console
