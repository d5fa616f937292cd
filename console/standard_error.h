// Lines for standard error that never hold the program up. A pipe that
// nobody reads, once full, blocks every write into it for good; a program
// that ends, or shows a fatal error, must still do so. Each line is written
// only while standard error takes it within a short patience; what it does
// not take by then is dropped.
#pragma once

#include <chrono>
#include <string_view>

namespace console {

constexpr std::chrono::milliseconds kStandardErrorPatience{250};

// Any thread: `line` and a line end, in writes of at most PIPE_BUF bytes,
// each made once poll() reports room (a pipe with room takes such a write
// whole, without blocking). Gives up at the patience's end or on an error.
void write_standard_error_line(std::string_view line,
                               std::chrono::milliseconds patience = kStandardErrorPatience);

}  // namespace console
