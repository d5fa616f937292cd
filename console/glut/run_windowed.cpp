#include "console/glut/run_windowed.h"

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>

#include "console/code_page.h"
#include "console/glut/ending_signals.h"
#include "console/glut/frame.h"
#include "console/glut/glut_host.h"
#include "console/glut/keyboard_reader.h"
#include "console/glut/process_end.h"
#include "console/glut/window_loop.h"
#include "console/glut/x11_errors.h"
#include "console/glut/x11_window.h"
#include "console/standard_error.h"

namespace console::glut {

namespace {

// How long the window thread waits for the calculator's thread after a stop
// before it ends the process anyway (that thread may be stuck in a slow
// read).
constexpr auto kStopGrace = std::chrono::milliseconds(250);
// How long the window waits for the run's first caption before it opens.
constexpr auto kFirstTitleWait = std::chrono::milliseconds(1000);

// Everything the window thread works with. Made once and never destroyed:
// the process ends through _exit, whatever the calculator's thread is doing.
struct Program {
  explicit Program(SoundOutput& sound) : host(sound) { host.attach(platform); }

  GlutHost host;
  Platform platform{host};
  std::thread program_thread;
  X11Window x11;
  KeyboardReader keyboard{platform, [this] { host.wake(); }};
  int window_id = 0;  // freeglut's number for the window
};

bool window_open = false;  // freeglut's failures after this are no start-up failures

// A descriptor of 0, 1 or 2 that is closed would go to the next file or
// connection opened, and a line meant for standard error into it: each is
// taken by /dev/null first.
void keep_standard_descriptors_taken() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) open("/dev/null", O_RDWR);  // the lowest free one: fd
  }
}

// Mesa's software renderer (llvmpipe) starts a rasterizer thread per
// processor and wakes each of them for every frame, which costs more than
// it saves for a picture of one 640 x 400 texture, most of whose frames
// are a row or two (a blinking cursor, a typed key): unless the user chose
// a number, it draws on the window thread. Other renderers ignore it.
void draw_without_rasterizer_threads() { setenv("LP_NUM_THREADS", "0", 0); }

[[noreturn]] void display_lost(const char* display_name) {
  end_with_message("the connection to the X display \"" + std::string(display_name) + "\" was lost");
}

[[noreturn]] void no_display() {
  const std::string name = X11Window::display_name();
  end_with_message("cannot open the X display \"" + name + "\"" + (name.empty() ? " (DISPLAY is not set)" : "") +
                   "; without a display, `bash scripts/start.sh` (see README.md) runs it under its own Xvfb");
}

// freeglut's failures (no display, no GLX, no visual at start-up) come here
// instead of its own message and exit().
void freeglut_failed(const char* format, va_list arguments) {
  if (!window_open && !X11Window::display_reachable()) no_display();
  char reason[512];
  std::vsnprintf(reason, sizeof reason, format, arguments);
  end_with_message((window_open ? "freeglut failed: " : "the window could not be opened: ") + std::string(reason));
}

void make_program_folder_current() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) std::filesystem::current_path(program.parent_path(), error);
}

// Ends the process with a line when `start` cannot start its thread.
template <typename Start>
auto starting_thread(const char* whose, Start start) {
  try {
    return start();
  } catch (const std::system_error& error) {
    end_with_message(std::string("cannot start ") + whose + " thread: " + error.what());
  }
}

SoundOutput& open_sound() {
  auto* sound = new SoundOutput;
  switch (starting_thread("the sound output's", [sound] { return sound->open(); })) {
    case SoundOutput::OpenResult::kOpened:
      break;
    case SoundOutput::OpenResult::kNoDevice:
      write_standard_error_line(
          "torvelin: no sound device could be opened; to run without sound, start it with "
          "ALSOFT_DRIVERS=null (OpenAL Soft's null backend)");
      end_process(kExitNoSoundDevice);
    case SoundOutput::OpenResult::kNoContext:
      write_standard_error_line("torvelin: the sound device gave no context");
      end_process(kExitNoSoundContext);
  }
  close_on_exit(*sound);
  return *sound;
}

// Opens the sound device, the text screen, the calculator's thread and the
// window, in that order.
Program& start_up(char* program_name, std::function<void(Platform&)> procedure) {
  SoundOutput& sound = open_sound();
  make_program_folder_current();
  auto* program = new Program(sound);

  // The program takes no options: freeglut sees the program's name alone,
  // so it opens the display that DISPLAY names, as the second connection
  // does, and no -geometry or -iconic reaches the window.
  int argument_count = 1;
  char* arguments[] = {program_name, nullptr};
  glutInitErrorFunc(freeglut_failed);
  glutInit(&argument_count, arguments);
  glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);

  program->program_thread = starting_thread("the calculator's", [program, &procedure] {
    return std::thread([program, procedure = std::move(procedure)] {
      without_exceptions("the calculator's thread",
                         [&] { program->host.program_ended(run_program(program->platform, procedure)); });
    });
  });

  glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGBA | GLUT_DEPTH);
  glutInitWindowSize(kFrameWidth, kFrameHeight);
  program->host.wait_for_first_title(kFirstTitleWait);
  bool title_changed = false;
  const std::string start_title = utf8_from_cp437(program->host.take_title(title_changed));
  program->window_id = glutCreateWindow(start_title.c_str());
  if (!program->x11.adopt_current_window(kFrameWidth, kFrameHeight, start_title))
    end_with_message("freeglut gave no window on the X display \"" + X11Window::display_name() + "\"");
  const std::string display = program->x11.connected_display_name();
  const bool keyboard_started = starting_thread(
      "the keyboard's", [program, &display] { return program->keyboard.start(display, program->x11.window()); });
  if (!keyboard_started)
    end_with_message("cannot open a second connection to the X display \"" + display + "\" for the keyboard");
  window_open = true;

  // GLEW gives the picture its GLX extension (GLX_MESA_copy_sub_buffer);
  // without it the picture is drawn whole and swapped.
  const GLenum glew_status = glewInit();
  if (glew_status != GLEW_OK) {
    write_standard_error_line(std::string("Alert: ") +
                              reinterpret_cast<const char*>(glewGetErrorString(glew_status)));
  }
  return *program;
}

// Ends the run after the loop: the calculator's thread gets a moment to
// finish (its files are then closed), then the sound device is closed and
// the process ends with the run's code, or by the signal that ended it.
[[noreturn]] void finish(Program& program, WindowLoop::End end) {
  program.platform.request_stop(0);  // no effect once the run is over
  const std::optional<int> exit_code = program.host.wait_for_program_end(kStopGrace);
  if (exit_code) {
    // The calculator's thread is gone, so its files are ours to close.
    program.program_thread.join();
    program.platform.files().close_all();
  }
  if (end == WindowLoop::End::kSignal) end_by_signal(EndingSignals::received());
  end_process(exit_code.value_or(0));
}

}  // namespace

void run_windowed(char* program_name, std::function<void(Platform&)> procedure) {
  keep_standard_descriptors_taken();
  // Before any thread starts: neither setlocale nor setenv is safe beside
  // other threads.
  X11Keyboard::use_utf8_character_type();
  draw_without_rasterizer_threads();
  // A write to a display connection that broke fails instead of killing the
  // process, so that the connection-lost handler can say what happened.
  std::signal(SIGPIPE, SIG_IGN);
  X11Errors::install(display_lost);
  // The first thread, before the sound device and the display, either of
  // which may keep start-up waiting.
  starting_thread("the ending signals'", [] {
    EndingSignals::take();
    return true;
  });
  without_exceptions("the window thread", [&] {
    Program& program = start_up(program_name, std::move(procedure));
    WindowLoop loop(program.platform, program.host, program.x11, program.keyboard, program.window_id,
                    EndingSignals::fd());
    finish(program, loop.run());
  });
  end_process(kExitFailure);  // not reached: every way above ends the process
}

}  // namespace console::glut
