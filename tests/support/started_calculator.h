// A calculator over the headless platform whose start has run (error trap,
// picture templates, banner) but not its dialogue, so a test can set the
// temperatures and call the sections of the second half directly.
#pragma once

#include <string>

#include "support/headless_run.h"

struct StartedCalculator : HeadlessRun {
  StartedCalculator();
  // Runs the second pass over the table at path; its result.
  bool read_table(const std::string& path);
};
