// How the program meets X11's errors, on every connection it opens. Xlib's
// own handlers print several lines and end the process with exit(), from
// whichever thread met the error and with the sound device open. Here:
// - freeglut's connection, which draws the window: an error about the
//   window once another program destroyed it is dropped (the run ends when
//   the keyboard reports the destruction); any other error ends the run;
// - a keyboard connection: besides its event selection on the window, all
//   that it asks of the server is the input method's (its windows and
//   properties, the messages to its server), and those fail when the
//   input-method server has gone; so only an error about the window that is
//   not its destruction ends the run;
// - a connection given up: every error is dropped, and the thread that
//   finds it broken stops there for good (it was given up because it is
//   stuck, and nothing waits for it).
// An error that ends the run does so as a lost display does: the sound
// device closed, one line naming the error and the request, exit code 1.
// A broken connection that was not given up is a lost display.
#pragma once

typedef struct _XDisplay Display;

namespace console::glut {

class X11Errors {
 public:
  // Before the first connection opens; `display_lost` must end the process.
  static void install(void (*display_lost)(const char* display_name));
  // freeglut's connection and its window, once the window exists; GLX's
  // first error number (-1 without GLX).
  static void watch_window(Display* display, unsigned long window, int glx_error_base);
  // A keyboard connection, before its first request.
  static void add_keyboard_connection(Display* display);
  // A keyboard connection that is being given up, before its socket is
  // shut down.
  static void give_up(Display* display);
};

}  // namespace console::glut
