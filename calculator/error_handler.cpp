// The one error trap. A table file that cannot be opened, or that ends too
// early, is reported and the run goes on at the file prompt with every value
// kept; any other error is shown with its number and ends the run.
#include "calculator/calculator.h"

namespace calculator {

namespace {

enum class ErrorCase { kNotFound, kFormat, kUnexpected };

// The first matching case wins. The label is the one the run had passed
// when the error was delivered: 20 from the first opening of a table file up
// to the second pass's first slice, 100 to 130 inside the slices.
ErrorCase classify(int32_t number, double label) {
  const bool opening = label == 20;
  const bool in_slices = label == 100 || label == 110 || label == 120 || label == 130;
  if (number == console::kFileNotFound && opening) return ErrorCase::kNotFound;
  if ((number == console::kPermissionDenied || number == console::kPathNotFound) && opening)
    return ErrorCase::kNotFound;
  if (number == console::kInputPastEnd && in_slices) return ErrorCase::kFormat;
  // A file that ends before its 14th line (an empty one included), or that
  // lost its first lines before the second pass, is a wrong file, not a
  // broken program: report it like an early end inside the slices instead
  // of ending the run and losing the temperatures typed.
  if (number == console::kInputPastEnd && opening) return ErrorCase::kFormat;
  return ErrorCase::kUnexpected;
}

}  // namespace

void Calculator::error_handler() {
  const int32_t number = platform_.last_error_number();
  switch (classify(number, platform_.last_error_line())) {
    case ErrorCase::kNotFound:
      show_notice({" The FF Table file has not been found!"});
      platform_.resume_after_error();
      return;
    case ErrorCase::kFormat:
      show_notice({" The FF Table file is not in accordance with the right format",
                   " (number of lines and/or content of lines)."});
      platform_.resume_after_error();
      return;
    case ErrorCase::kUnexpected:
      break;
  }

  // The closing path. The screen is not cleared: the error row starts where
  // the failing statement left the cursor.
  platform_.color_set(12);
  print("Error");
  print(console::string_concat(console::string_from_uint32(static_cast<uint32_t>(number)), " "));
  print("at line");
  print(console::string_concat(console::string_from_int32(platform_.error_line()), " "));
  end_line();
  end_line();
  platform_.color_set(9);
  print(" Press any key to close the windows!");
  platform_.color_set(7);
  wait_for_key();
  // The run failed: the process ends with exit code 1.
  platform_.request_stop(1);
  platform_.program_halt();
}

}  // namespace calculator
