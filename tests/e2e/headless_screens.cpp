// Test helper: the screens that the headless host shows for a typed run, as
// the reference that the window's screenshots must match cell for cell.
//
//   headless_screens KEYS INDEX...
//
// Runs the whole program on the headless host with KEYS (one key press per
// byte; CR is Enter) followed by one more key, then prints, for each INDEX,
// the screen as it stood when the program asked for key number INDEX
// (counted from 0): a line "screen INDEX", a line "cursor ROW COLUMN" (0 0
// when no cursor is shown), 25 rows of text ('?' for a character outside
// printable ASCII) and 25 rows of foreground colours (hex digit, '.' for a
// blank cell). The last line is "exit CODE", the run's exit code.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/headless_run.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: headless_screens KEYS INDEX...\n");
    return 2;
  }
  const std::string keys = argv[1];
  HeadlessRun r;
  r.host.type(keys);
  r.host.press("x");  // the key that the last screen waits for
  r.run();

  for (int arg = 2; arg < argc; ++arg) {
    const std::size_t index = std::strtoul(argv[arg], nullptr, 10);
    if (index >= r.host.screens_before_key.size()) {
      std::fprintf(stderr, "the run never asked for key %zu (it asked for %zu)\n", index,
                   r.host.screens_before_key.size());
      return 1;
    }
    const console::ScreenState& state = r.host.screens_before_key[index];
    std::printf("screen %zu\n", index);
    if (state.cursor_visible) std::printf("cursor %d %d\n", state.row, state.column);
    else std::printf("cursor 0 0\n");
    std::string colours;
    for (int row = 1; row <= console::kScreenRows; ++row) {
      std::string text;
      for (int column = 1; column <= console::kScreenColumns; ++column) {
        const console::Cell& cell = state.cell(row, column);
        const bool blank = cell.character == ' ' || cell.character == 0 || cell.character == 255;
        text.push_back(blank ? ' ' : (cell.character > 32 && cell.character < 127 ? static_cast<char>(cell.character) : '?'));
        colours.push_back(blank ? '.' : "0123456789abcdef"[cell.attribute & 0x0F]);
      }
      std::printf("%s\n", text.c_str());
      colours.push_back('\n');
    }
    std::printf("%s", colours.c_str());
  }
  std::printf("exit %d\n", r.exit_code);
  return 0;
}
