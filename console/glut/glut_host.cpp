#include "console/glut/glut_host.h"

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <unistd.h>

#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "console/glut/frame.h"
#include "console/glut/x11_window.h"
#include "console/code_page.h"

namespace console::glut {

void GlutHost::set_title(const Text& title) {
  {
    std::lock_guard lock(title_mutex_);
    title_ = title;
    title_changed_ = true;
    title_ever_set_ = true;
  }
  title_set_.notify_all();
}

void GlutHost::wait_for_first_title(std::chrono::milliseconds timeout) {
  std::unique_lock lock(title_mutex_);
  title_set_.wait_for(lock, timeout, [this] { return title_ever_set_; });
}

Text GlutHost::take_title(bool& changed) {
  std::lock_guard lock(title_mutex_);
  changed = title_changed_;
  title_changed_ = false;
  return title_;
}

void GlutHost::sleep_ms(int64_t ms) {
  if (ms <= 0) {
    std::this_thread::yield();
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
}

int64_t GlutHost::now_ms() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count();
}

void GlutHost::await_key(Platform& platform, int64_t timeout_ms) {
  if (platform.stop_requested()) return;
  platform.keys().wait(std::chrono::milliseconds(timeout_ms));
}

void GlutHost::show_fatal(const Text& caption, const Text& message) {
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), message.c_str());
  if (platform_ == nullptr) return;
  set_title(caption);
  TextScreen& screen = platform_->screen();
  screen.set_cursor_visible(false);
  screen.set_foreground(7);
  screen.clear();
  screen.locate(1, 1);
  screen.print(message, false);
  KeyQueue& keys = platform_->keys();
  while (keys.empty() && !platform_->stop_requested()) keys.wait(std::chrono::milliseconds(100));
}

namespace {

// How long the window thread waits for the calculator's thread after the
// close button before it ends the process anyway (that thread may be stuck
// in a slow read).
constexpr auto kStopGrace = std::chrono::milliseconds(250);
// The window thread looks for the end of the calculator's run and for the
// keys and events of the second X11 connection every 16 ms, and every second
// look (about 30 times a second) for a change of the picture or the title.
constexpr unsigned kTickMs = 16;
constexpr int kTicksPerPicture = 2;
// How long the window waits for the run's first caption before it opens.
constexpr auto kFirstTitleWait = std::chrono::milliseconds(1000);
// OpenGL 1.1 textures have power-of-two sides; the picture fills a corner.
constexpr int kTextureWidth = 1024;
constexpr int kTextureHeight = 512;

// Everything the freeglut callbacks reach. Made once and never destroyed:
// the process ends through _exit, whatever the calculator's thread is doing.
struct Window {
  explicit Window(SoundOutput& sound) : host(sound) { host.attach(platform); }

  GlutHost host;
  Platform platform{host};
  std::thread program_thread;

  std::mutex finished_mutex;
  std::condition_variable finished_changed;
  bool finished = false;  // run_program has returned
  int exit_code = 0;

  X11Window x11;
  int window_id = 0;           // freeglut's number for the window
  bool window_closed = false;  // window thread only: closed, destroyed or left
  GLuint texture = 0;
  std::vector<uint8_t> pixels;
  FrameInputs drawn;           // what the last frame showed
  bool drawn_once = false;
  bool framebuffer_objects = false;  // reported by GLEW; the quad needs none
};

Window* window = nullptr;
SoundOutput* sound_output = nullptr;  // made first, so that every way out can close it

[[noreturn]] void end_process(int exit_code) {
  std::fflush(nullptr);
  _exit(exit_code);
}

// Ends a run that cannot go on: the sound device closed first, then one line
// on standard error, exit code 1.
[[noreturn]] void end_with_message(const std::string& message) {
  if (sound_output != nullptr) sound_output->close();
  std::fprintf(stderr, "torvelin: %s\n", message.c_str());
  end_process(kExitFailure);
}

[[noreturn]] void display_lost(const char* display_name) {
  end_with_message("the connection to the X display \"" + std::string(display_name) + "\" was lost");
}

[[noreturn]] void no_display() {
  const std::string name = X11Window::display_name();
  end_with_message("cannot open the X display \"" + name + "\"" + (name.empty() ? " (DISPLAY is not set)" : "") +
                   "; without a display, `bash scripts/start.sh` (see README.md) runs it under its own Xvfb");
}

// freeglut's start-up failures (no display, no GLX, no visual) come here
// instead of its own message and exit().
void freeglut_failed(const char* format, va_list arguments) {
  if (!X11Window::display_reachable()) no_display();
  char reason[512];
  std::vsnprintf(reason, sizeof reason, format, arguments);
  end_with_message(std::string("the window could not be opened: ") + reason);
}

// freeglut calls the callbacks from C, which an exception must not cross.
template <typename Body>
void without_exceptions(Body body) {
  try {
    body();
  } catch (const std::bad_alloc&) {
    end_with_message("Out of memory");
  }
}

bool program_finished() {
  std::lock_guard lock(window->finished_mutex);
  return window->finished;
}

void make_program_folder_current() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) std::filesystem::current_path(program.parent_path(), error);
}

FrameInputs current_frame_inputs() {
  return frame_inputs(window->platform.screen().snapshot(), window->host.now_ms());
}

void draw_picture() {
  if (window->window_closed) return;
  const FrameInputs now = current_frame_inputs();
  if (window->drawn_once) {
    update_frame(window->drawn, now, window->pixels);
  } else {
    draw_frame(now.screen, now.blink_shown, now.cursor_shown, window->pixels);
  }
  window->drawn = now;
  window->drawn_once = true;
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glBindTexture(GL_TEXTURE_2D, window->texture);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kFrameWidth, kFrameHeight, GL_RGBA, GL_UNSIGNED_BYTE,
                  window->pixels.data());
  const float right = static_cast<float>(kFrameWidth) / kTextureWidth;
  const float bottom = static_cast<float>(kFrameHeight) / kTextureHeight;
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex2f(0, 0);
  glTexCoord2f(right, 0);
  glVertex2f(kFrameWidth, 0);
  glTexCoord2f(right, bottom);
  glVertex2f(kFrameWidth, kFrameHeight);
  glTexCoord2f(0, bottom);
  glVertex2f(0, kFrameHeight);
  glEnd();
  glutSwapBuffers();
}

void on_display() { without_exceptions(draw_picture); }

void on_reshape(int, int height) {
  // The page keeps its 8 x 16 pixel cells in the window's top left corner,
  // should a window manager make the window larger after all.
  glViewport(0, height - kFrameHeight, kFrameWidth, kFrameHeight);
}

// The close button, a stop key and the window's destruction all end the run
// this way; freeglut ends its loop by itself only after the close button.
void stop_from_window() {
  window->window_closed = true;
  window->platform.request_stop(0);
}

// Acts on the keys and events of the second connection.
void handle_x11_events(const X11Window::Events& events) {
  if (events.destroyed || events.keys.stop) {
    stop_from_window();
    glutLeaveMainLoop();
    return;
  }
  Platform& platform = window->platform;
  const bool was_held = platform.paused();
  // Keys typed before a Pause wait out the hold that it starts: the hold
  // stands before they are queued, so no wait takes them.
  if (events.keys.hold && !was_held) platform.set_paused(true);
  for (const Text& key : events.keys.keys) platform.keys().push(key);  // a 16th waiting key is lost
  if (!events.keys.hold && was_held) platform.set_paused(false);
}

void apply_title_change() {
  bool changed = false;
  const Text title = window->host.take_title(changed);
  if (changed) window->x11.set_names(utf8_from_cp437(title));
}

void on_timer(int tick);

void look_for_changes(int tick) {
  // A timer may still fire between the close button and the loop's return;
  // the window is gone by then.
  if (window->window_closed) return;
  // Timers belong to no window, so freeglut's current window may be another
  // (or none) here; the chain of timers must not end while the window lives.
  if (glutGetWindow() != window->window_id) glutSetWindow(window->window_id);
  if (glutGetWindow() != window->window_id) return;  // freeglut no longer knows the window
  handle_x11_events(window->x11.take_events(window->platform.paused()));
  if (window->window_closed) return;
  if (program_finished()) {
    glutLeaveMainLoop();
    return;
  }
  sound_output->pause_when_silent();
  if (tick == 0) {
    apply_title_change();
    // Drawing costs far more than looking: a frame only when it would differ.
    if (!window->drawn_once || current_frame_inputs() != window->drawn) glutPostRedisplay();
  }
  glutTimerFunc(kTickMs, on_timer, (tick + 1) % kTicksPerPicture);
}

void on_timer(int tick) {
  without_exceptions([tick] { look_for_changes(tick); });
}

void on_close() { stop_from_window(); }

void set_up_picture() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, kFrameWidth, kFrameHeight, 0, -1, 1);  // y grows downwards, as rows do
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_TEXTURE_2D);
  glGenTextures(1, &window->texture);
  glBindTexture(GL_TEXTURE_2D, window->texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kTextureWidth, kTextureHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
}


// Opens the sound device, the text screen, the calculator's thread and the
// window, in that order.
void start_up(char* program_name, std::function<void(Platform&)> procedure) {
  sound_output = new SoundOutput;
  switch (sound_output->open()) {
    case SoundOutput::OpenResult::kOpened:
      break;
    case SoundOutput::OpenResult::kNoDevice:
      std::fprintf(stderr,
                   "torvelin: no sound device could be opened; to run without sound, start it with "
                   "ALSOFT_DRIVERS=null (OpenAL Soft's null backend)\n");
      end_process(kExitNoSoundDevice);
    case SoundOutput::OpenResult::kNoContext:
      std::fprintf(stderr, "torvelin: the sound device gave no context\n");
      end_process(kExitNoSoundContext);
  }
  make_program_folder_current();
  window = new Window(*sound_output);

  // The program takes no options: freeglut sees the program's name alone,
  // so it opens the display that DISPLAY names, as the second connection
  // does, and no -geometry or -iconic reaches the window.
  int argument_count = 1;
  char* arguments[] = {program_name, nullptr};
  glutInitErrorFunc(freeglut_failed);
  glutInit(&argument_count, arguments);
  glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_GLUTMAINLOOP_RETURNS);

  window->program_thread = std::thread([procedure = std::move(procedure)] {
    const int code = run_program(window->platform, procedure);
    {
      std::lock_guard lock(window->finished_mutex);
      window->finished = true;
      window->exit_code = code;
    }
    window->finished_changed.notify_all();
  });

  glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGBA | GLUT_DEPTH);
  glutInitWindowSize(kFrameWidth, kFrameHeight);
  window->host.wait_for_first_title(kFirstTitleWait);
  bool title_changed = false;
  const std::string start_title = utf8_from_cp437(window->host.take_title(title_changed));
  window->window_id = glutCreateWindow(start_title.c_str());
  if (!window->x11.adopt_current_window(kFrameWidth, kFrameHeight, start_title))
    end_with_message("cannot open a second connection to the X display \"" + X11Window::display_name() +
                     "\" for the keyboard");

  const GLenum glew_status = glewInit();
  if (glew_status != GLEW_OK) {
    std::fprintf(stderr, "Alert: %s\n", reinterpret_cast<const char*>(glewGetErrorString(glew_status)));
  } else {
    window->framebuffer_objects = glewIsSupported("GL_EXT_framebuffer_object");
  }
  set_up_picture();

  glutDisplayFunc(on_display);
  glutReshapeFunc(on_reshape);
  glutCloseFunc(on_close);
  glutTimerFunc(kTickMs, on_timer, 0);
}

}  // namespace

void run_windowed(char* program_name, std::function<void(Platform&)> procedure) {
  // setlocale is not safe beside other threads: before the sound device
  // starts its own.
  X11Keyboard::use_utf8_character_type();
  // A write to a display connection that broke fails instead of killing the
  // process, so that the connection-lost handler can say what happened.
  std::signal(SIGPIPE, SIG_IGN);
  X11Window::on_connection_lost(display_lost);
  try {
    start_up(program_name, std::move(procedure));
  } catch (const std::bad_alloc&) {
    end_with_message("Out of memory");
  } catch (const std::system_error& error) {
    end_with_message(std::string("cannot start the calculator's thread: ") + error.what());
  }
  glutMainLoop();

  // Here after the close button, a stop key, the window's destruction, or
  // when the procedure ended by itself.
  int exit_code = 0;
  bool finished = false;
  {
    std::unique_lock lock(window->finished_mutex);
    finished = window->finished_changed.wait_for(lock, kStopGrace, [] { return window->finished; });
    if (finished) exit_code = window->exit_code;
  }
  if (finished) {
    // The calculator's thread is gone, so its files are ours to close.
    window->program_thread.join();
    window->platform.files().close_all();
  }
  sound_output->close();
  end_process(exit_code);
}

}  // namespace console::glut
