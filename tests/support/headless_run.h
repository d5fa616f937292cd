// Drives a whole run of the calculator through the headless host: script the
// keys, run until the script is used up (the host then closes the window) or
// the run ends itself, and read the screen and the window titles.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "calculator/calculator.h"
#include "console/headless_host.h"
#include "console/platform.h"

struct HeadlessRun {
  console::HeadlessHost host;
  console::Platform platform{host};
  std::unique_ptr<calculator::Calculator> calc = std::make_unique<calculator::Calculator>(platform);
  int exit_code = -1;

  // Runs the calculator to its end; returns the process's exit code.
  int run() {
    exit_code = console::run_program(platform, [this](console::Platform&) { calc->run(); });
    return exit_code;
  }
  // Runs another procedure on the same platform and calculator instead of
  // the whole run (to drive one section directly); returns the exit code.
  int run(const std::function<void(calculator::Calculator&)>& procedure) {
    exit_code = console::run_program(platform, [&](console::Platform&) { procedure(*calc); });
    return exit_code;
  }

  // Row text (80 characters) and foreground colour of a cell, on the final
  // screen or on the screen as it stood before scripted key press `key`.
  std::string row(int row_1) const { return platform_screen().row_text(row_1); }
  int colour(int row_1, int column_1) const { return platform_screen().colour_at(row_1, column_1); }
  std::string row_before_key(std::size_t key, int row_1) const;
  int colour_before_key(std::size_t key, int row_1, int column_1) const;

 private:
  const console::TextScreen& platform_screen() const {
    return const_cast<console::Platform&>(platform).screen();
  }
};

// The row text with trailing blanks removed.
std::string trimmed(const std::string& row);
// The text padded with blanks to a whole 80-column row.
std::string padded(const std::string& text);
