#include "console/text_screen.h"

namespace console {

TextScreen::TextScreen() = default;
void TextScreen::clear() {}
bool TextScreen::set_foreground(int32_t) { return false; }
bool TextScreen::locate(int32_t, int32_t) { return false; }
void TextScreen::fit_to_line(const Text&) {}
void TextScreen::print(const Text&, bool, const std::function<void()>&) {}
void TextScreen::set_cursor_visible(bool) {}
ScreenState TextScreen::snapshot() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return state_;
}
void TextScreen::restore(const ScreenState& state) {
  std::lock_guard<std::mutex> lock(mutex_);
  state_ = state;
}
Text TextScreen::row_text(int) const { return Text(kScreenColumns, ' '); }
uint8_t TextScreen::colour_at(int, int) const { return 7; }

}  // namespace console
