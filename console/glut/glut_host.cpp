#include "console/glut/glut_host.h"

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

#include "console/glut/frame.h"
#include "console/glut/key_mapping.h"
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
  explicit Window(SoundOutput& sound_output) : sound(sound_output) { host.attach(platform); }

  SoundOutput& sound;
  GlutHost host{sound};
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

void on_display() {
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

// Acts on the keys and events that only the second connection sees.
void handle_x11_events(const X11Window::Events& events) {
  if (window->window_closed) return;
  if (events.destroyed || events.break_pressed) {
    stop_from_window();
    glutLeaveMainLoop();
    return;
  }
  // Pause starts the hold; pressed again, it ends it.
  for (int i = 0; i < events.pause_presses; ++i) window->platform.set_paused(!window->platform.paused());
}

void apply_title_change() {
  bool changed = false;
  const Text title = window->host.take_title(changed);
  if (!changed) return;
  const std::string utf8_title = utf8_from_cp437(title);
  if (!window->x11.set_names(utf8_title)) glutSetWindowTitle(utf8_title.c_str());
}

void on_timer(int tick) {
  // A timer may still fire between the close button and the loop's return;
  // the window is gone by then.
  if (window->window_closed) return;
  // Timers belong to no window, so freeglut's current window may be another
  // (or none) here; the chain of timers must not end while the window lives.
  if (glutGetWindow() != window->window_id) glutSetWindow(window->window_id);
  if (glutGetWindow() != window->window_id) return;  // freeglut no longer knows the window
  handle_x11_events(window->x11.take_events(false));
  if (window->window_closed) return;
  if (program_finished()) {
    glutLeaveMainLoop();
    return;
  }
  if (tick == 0) {
    apply_title_change();
    // Drawing costs far more than looking: a frame only when it would differ.
    if (!window->drawn_once || current_frame_inputs() != window->drawn) glutPostRedisplay();
  }
  glutTimerFunc(kTickMs, on_timer, (tick + 1) % kTicksPerPicture);
}

void queue_key(const Text& key) {
  // A Pause pressed before this key reached the second connection first;
  // taking its events now keeps the two in the order they were pressed.
  handle_x11_events(window->x11.take_events(true));
  if (key.empty() || window->window_closed) return;
  if (window->platform.paused()) {
    window->platform.set_paused(false);  // the key that ends a hold is not queued
    return;
  }
  window->platform.keys().push(key);  // a 16th waiting key is lost
}

void on_keyboard(unsigned char character, int, int) { queue_key(key_for_character(character)); }

void on_special(int key, int, int) { queue_key(key_for_special(key)); }

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

[[noreturn]] void end_process(int exit_code) {
  std::fflush(nullptr);
  _exit(exit_code);
}

}  // namespace

void run_windowed(int argc, char** argv, std::function<void(Platform&)> procedure) {
  auto* sound = new SoundOutput;
  switch (sound->open()) {
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
  window = new Window(*sound);

  // Without a display freeglut would end the process with a message of its
  // own and leave the sound device open; say what happened instead.
  if (!window->x11.connect()) {
    sound->close();
    std::fprintf(stderr,
                 "torvelin: cannot open the X display \"%s\"%s; without a display, "
                 "`bash scripts/start.sh` (see README.md) runs it under its own Xvfb\n",
                 X11Window::display_name().c_str(), X11Window::display_name().empty() ? " (DISPLAY is not set)" : "");
    end_process(kExitNoDisplay);
  }
  glutInit(&argc, argv);
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
  window->x11.adopt_current_window(kFrameWidth, kFrameHeight, start_title);

  const GLenum glew_status = glewInit();
  if (glew_status != GLEW_OK) {
    std::fprintf(stderr, "Alert: %s\n", reinterpret_cast<const char*>(glewGetErrorString(glew_status)));
  } else {
    window->framebuffer_objects = glewIsSupported("GL_EXT_framebuffer_object");
  }
  set_up_picture();

  glutDisplayFunc(on_display);
  glutReshapeFunc(on_reshape);
  glutKeyboardFunc(on_keyboard);
  glutSpecialFunc(on_special);
  glutCloseFunc(on_close);
  glutTimerFunc(kTickMs, on_timer, 0);
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
  sound->close();
  end_process(exit_code);
}

}  // namespace console::glut
