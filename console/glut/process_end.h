// Every way the windowed process ends. Each closes the sound device first,
// giving it about half a second (a stalled device may never finish), and
// then ends the process with its exit code, its one line on standard error
// or its signal, whatever the other threads are doing.
#pragma once

#include <exception>
#include <new>
#include <string>

#include "console/glut/sound_output.h"

namespace console::glut {

// Exit codes of a start-up without sound output, and of a run that cannot
// go on (no display or window, a lost display, no memory or no thread).
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

// Runs `body`; an exception of any kind that leaves it ends the process
// with its text. For freeglut's callbacks, which C frames call, and for the
// window thread's loop.
template <typename Body>
void without_exceptions(Body&& body) {
  try {
    body();
  } catch (const std::bad_alloc&) {
    end_with_message("Out of memory");
  } catch (const std::exception& error) {
    end_with_message(error.what());
  } catch (...) {
    end_with_message("the window thread failed with an unknown exception");
  }
}

}  // namespace console::glut
