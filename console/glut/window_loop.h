// The window thread's loop. It sleeps in poll until something happens: an
// event on freeglut's connection (the close button, exposure), a wake-up
// (the screen, the caption or the run's state changed, a stop key, the
// window's destruction), a signal that ends the run, or the moment that
// time changes the picture (gathered changes fall due, the cursor blinks).
// The keys themselves are read on the keyboard's own threads.
#pragma once

#include <cstdint>
#include <optional>

#include "console/glut/frame_schedule.h"
#include "console/glut/gl_picture.h"
#include "console/glut/glut_host.h"
#include "console/glut/keyboard_reader.h"
#include "console/glut/x11_window.h"
#include "console/platform.h"

namespace console::glut {

class WindowLoop {
 public:
  // With the window created and its OpenGL context current; sets up the
  // picture and freeglut's callbacks. `signal_fd` turns readable when a
  // signal that ends the run has come (EndingSignals), or is -1.
  WindowLoop(Platform& platform, GlutHost& host, X11Window& x11, KeyboardReader& keyboard, int window_id,
             int signal_fd);
  WindowLoop(const WindowLoop&) = delete;
  WindowLoop& operator=(const WindowLoop&) = delete;

  enum class End {
    kStopped,       // the close button, a stop key or the window's destruction
    kProgramEnded,  // the run ended by itself
    kSignal,        // a signal that ends the run (EndingSignals::received)
  };
  End run();

 private:
  static void on_display();
  static void on_reshape(int width, int height);
  static void on_close();

  // A stop key, or the window's destruction, reported by the keyboard.
  void follow_keyboard();
  void stop();
  void apply_title_change();
  // Draws the screen as it stands when it looks different from the picture.
  void draw(int64_t now_ms);
  void wait_for_events(std::optional<int64_t> deadline_ms, int64_t now_ms);

  Platform& platform_;
  GlutHost& host_;
  X11Window& x11_;
  KeyboardReader& keyboard_;
  const int window_id_;
  const int signal_fd_;
  GlPicture picture_;
  FrameSchedule schedule_;
  uint64_t changes_seen_ = 0;                // the screen's change count last looked at
  std::optional<int64_t> next_phase_change_;  // when the picture's blink phase changes next
  bool stopped_ = false;
  bool signalled_ = false;
};

}  // namespace console::glut
