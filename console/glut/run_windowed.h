// The windowed program: start-up, the window thread's loop and the end.
#pragma once

#include <functional>

#include "console/platform.h"

namespace console::glut {

// Runs the program in its window. Opens the default sound device, makes the
// folder that holds the program the current folder, creates the text screen,
// starts `procedure` on a thread of its own (through run_program), opens the
// 640 x 400 window and runs the event loop on the calling thread. The
// program takes no options; `program_name` is argv[0]. Never returns: the
// process ends with 0 after the window's close button, a stop key or the
// window's destruction, with run_program's code when the procedure ends by
// itself, 111 without a sound device, 222 without a sound context, by the
// signal after SIGTERM, SIGINT or SIGHUP, and with 1 and one line on
// standard error when there is no display or window, the display's
// connection breaks, or memory or a thread is lacking.
[[noreturn]] void run_windowed(char* program_name, std::function<void(Platform&)> procedure);

}  // namespace console::glut
