// Every way the windowed process ends. Each closes the sound device first,
// giving it about half a second (a stalled device may never finish), and
// then ends the process with its exit code, its one line on standard error
// or its signal, whatever the other threads are doing. Only the first way
// out that any thread takes runs: a thread that comes to one later (the
// keyboard's and the window's connections break together when the display
// goes) waits there for the first to end the process. Nothing on these ways
// touches X11 or waits on standard error beyond its patience.
#pragma once

#include <string>

#include "console/glut/sound_output.h"

namespace console::glut {

// Exit codes of a start-up without sound output, and of a run that cannot
// go on (no display or window, a lost display, an X error, no memory or no
// thread, an exception).
constexpr int kExitNoSoundDevice = 111;
constexpr int kExitNoSoundContext = 222;
constexpr int kExitFailure = 1;

// The device that every way out closes; set once it is open.
void close_on_exit(SoundOutput& sound);

[[noreturn]] void end_process(int exit_code);
// One line "torvelin: <message>" on standard error, exit code 1.
[[noreturn]] void end_with_message(const std::string& message);
// Ends the process by the signal's default action, as if it had not been
// caught.
[[noreturn]] void end_by_signal(int signal_number);

// Sleeps for good: for a thread that must never come back to where it
// stands (and holds nothing that another thread needs).
[[noreturn]] void park_forever();

// Inside a catch: the line for the exception being handled, which ended
// `whose` ("the window thread"): "Out of memory" for a lack of memory.
std::string failure_text(const std::string& whose);

// Runs `body`; an exception of any kind that leaves it ends the process
// with one line. For the bodies of the program's threads and for freeglut's
// callbacks, which C frames call.
template <typename Body>
void without_exceptions(const std::string& whose, Body&& body) {
  try {
    body();
  } catch (...) {
    end_with_message(failure_text(whose));
  }
}

}  // namespace console::glut
