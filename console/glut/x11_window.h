// What the window needs of X11 beyond freeglut. freeglut sets the window's
// WM_NAME and WM_ICON_NAME (in Latin-1 only), WM_NORMAL_HINTS, WM_HINTS,
// WM_CLIENT_MACHINE, WM_LOCALE_NAME and WM_PROTOCOLS (the close button),
// but no WM_CLASS, _NET_WM_PID or _NET_WM_NAME; it reports neither the Pause
// nor the Break key, knows no input method, and does not notice a window
// that another program destroys. A second connection to the display selects
// key and structure events on the same window (X11 lets several clients do
// so), reads the keyboard (X11Keyboard) and sets the properties by which
// window managers and task bars know the window.
#pragma once

#include <string>

#include "console/glut/x11_keyboard.h"

namespace console::glut {

class X11Window {
 public:
  X11Window() = default;
  X11Window(const X11Window&) = delete;
  X11Window& operator=(const X11Window&) = delete;

  // The display that DISPLAY names ("" when it is not set).
  static std::string display_name();
  // Whether that display can be reached at all.
  static bool display_reachable();
  // Called with the display's name when a connection to it breaks (the
  // server ended, or the client was killed); must end the process. Covers
  // freeglut's connection and this one.
  static void on_connection_lost(void (*handler)(const char* display_name));

  // Window thread, right after glutCreateWindow, with the window's OpenGL
  // context current (GLX names the window and the connection that freeglut
  // keeps to itself): opens the second connection to freeglut's display,
  // asks window managers for a fixed size of width x height, sets WM_CLASS,
  // _NET_WM_PID and the window's names, opens the keyboard and selects the
  // events that take_events reads. False when there is no such window or
  // no second connection.
  bool adopt_current_window(int width, int height, const std::string& utf8_title);
  // WM_NAME and WM_ICON_NAME (Latin-1 where the title fits it, else
  // compound text), _NET_WM_NAME and _NET_WM_ICON_NAME (UTF-8).
  void set_names(const std::string& utf8_title);

  // The two connections, freeglut's and this one, for a poll; and whether
  // either holds events that Xlib has already read (flushing what waits to
  // be sent first).
  int connection_number() const;
  int freeglut_connection_number() const;
  bool events_queued() const;

  struct Events {
    KeyBatch keys;
    bool destroyed = false;  // the window is gone
  };
  // Window thread: takes the events that have arrived, in order; `held`
  // tells whether the run is held by the Pause key before them.
  Events take_events(bool held);

 private:
  Display* display_ = nullptr;
  Display* freeglut_display_ = nullptr;
  unsigned long window_ = 0;
  X11Keyboard keyboard_;
};

}  // namespace console::glut
