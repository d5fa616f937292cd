#include "support/headless_run.h"

#include <stdexcept>

namespace {

const console::ScreenState& screen_before(const console::HeadlessHost& host, std::size_t key) {
  if (key >= host.screens_before_key.size()) throw std::out_of_range("no screen before that key");
  return host.screens_before_key[key];
}

}  // namespace

std::string HeadlessRun::row_before_key(std::size_t key, int row_1) const {
  const console::ScreenState& state = screen_before(host, key);
  std::string text;
  for (int column = 1; column <= console::kScreenColumns; ++column)
    text.push_back(static_cast<char>(state.cell(row_1, column).character));
  return text;
}

int HeadlessRun::colour_before_key(std::size_t key, int row_1, int column_1) const {
  return screen_before(host, key).cell(row_1, column_1).attribute & 0x0F;
}

std::string trimmed(const std::string& row) {
  std::size_t end = row.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : row.substr(0, end + 1);
}

std::string padded(const std::string& text) {
  std::string row = text;
  if (row.size() < static_cast<std::size_t>(console::kScreenColumns)) row.resize(console::kScreenColumns, ' ');
  return row;
}
