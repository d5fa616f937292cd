// The file prompt at which every cycle of the file loop begins.
#include "calculator/calculator.h"

namespace calculator {

void Calculator::ask_table_file() {
  for (;;) {
    // The previous file's dummy markers must not reach the next table.
    for (loop_index = 0; loop_index <= 90; ++loop_index) at(dummy_flags, loop_index) = 0;

    platform_.color_set(9);
    print_line(" Close Torvelin by clicking (x) in frame or");
    platform_.color_set(7);
    print(" Enter FFTab's file name  _ _ _ .txt");
    platform_.print_string("? ", false);
    // The name is kept exactly as typed: no extension added, no blank cut.
    platform_.input_from_keyboard(table_file_name);
    if (platform_.stop_requested()) platform_.program_halt();

    table_file_name_length = static_cast<int16_t>(table_file_name.size());
    if (table_file_name_length == 0) {
      show_notice({" You did not set any FFtab file name"});
      continue;
    }
    return;
  }
}

}  // namespace calculator
