// What the window needs of X11 beyond freeglut, on freeglut's own
// connection and the window thread. freeglut sets the window's WM_NAME and
// WM_ICON_NAME (in Latin-1 only), WM_NORMAL_HINTS, WM_HINTS,
// WM_CLIENT_MACHINE, WM_LOCALE_NAME and WM_PROTOCOLS (the close button), but
// no WM_CLASS, _NET_WM_PID or _NET_WM_NAME, and it selects pointer motion
// (core and XInput 2) and keys on its window though the program reads
// neither there (the keyboard has a connection of its own, KeyboardReader):
// each motion would wake the window thread for nothing.
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
  // Whether that display can be reached at all.
  static bool display_reachable();

  // Window thread, right after glutCreateWindow, with the window's OpenGL
  // context current (GLX names the window and the connection that freeglut
  // keeps to itself): asks window managers for a fixed size of width x
  // height, sets WM_CLASS, _NET_WM_PID and the window's names, and leaves
  // only the events that freeglut acts on selected. False when there is no
  // such window.
  bool adopt_current_window(int width, int height, const std::string& utf8_title);
  // WM_NAME and WM_ICON_NAME (Latin-1 where the title fits it, else
  // compound text), _NET_WM_NAME and _NET_WM_ICON_NAME (UTF-8).
  void set_names(const std::string& utf8_title);

  // freeglut's connection, for a poll; and whether it holds events that
  // Xlib has already read (flushing what waits to be sent first).
  int connection_number() const;
  bool events_queued() const;
  // The display's name as the connection gives it, and the window.
  std::string connected_display_name() const;
  unsigned long window() const { return window_; }

  // After the window was destroyed: a round trip on freeglut's connection.
  // A client killed from outside loses its window too; its connection is
  // closed before the window goes, so the round trip then reaches the
  // handler of broken connections. A window that another program merely
  // destroyed leaves the connection working, and this returns.
  void confirm_connection();

 private:
  Display* display_ = nullptr;
  unsigned long window_ = 0;
};

}  // namespace console::glut
