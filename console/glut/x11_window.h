// What the window needs of X11 beyond freeglut. freeglut reports neither the
// Pause nor the Break key, does not notice a window that another program
// destroys, and sets only the window's name. A second connection to the
// display selects key and structure events on the same window (X11 lets
// several clients do so) and sets the properties by which window managers
// and task bars know the window.
#pragma once

#include <string>

typedef struct _XDisplay Display;

namespace console::glut {

class X11Window {
 public:
  X11Window() = default;
  X11Window(const X11Window&) = delete;
  X11Window& operator=(const X11Window&) = delete;

  // The display that DISPLAY names ("" when it is not set).
  static std::string display_name();
  // Opens the second connection to that display; false when it cannot.
  bool connect();

  // Window thread, right after glutCreateWindow, with the window's OpenGL
  // context current (GLX names the window that freeglut keeps to itself):
  // asks window managers for a fixed size of width x height, sets WM_CLASS,
  // _NET_WM_PID, WM_CLIENT_MACHINE and the window's names, and selects the
  // events that take_events reads. False when there is no such window.
  bool adopt_current_window(int width, int height, const std::string& utf8_title);
  // WM_NAME and WM_ICON_NAME (Latin-1 where the title fits it, else
  // compound text), _NET_WM_NAME and _NET_WM_ICON_NAME (UTF-8). False
  // before a window is adopted.
  bool set_names(const std::string& utf8_title);

  struct Events {
    int pause_presses = 0;       // the Pause key without Ctrl
    bool break_pressed = false;  // the Break key, or Pause with Ctrl
    bool destroyed = false;      // the window is gone
  };
  // Takes the events that have arrived. With `sync`, first makes sure that
  // every event that the server had sent when this was called has arrived
  // here too: a key callback of freeglut calls it so, and so sees a Pause
  // that came before its key.
  Events take_events(bool sync);

 private:
  Display* display_ = nullptr;
  unsigned long window_ = 0;
};

}  // namespace console::glut
