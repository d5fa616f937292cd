#include "console/glut/x11_window.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

namespace console::glut {

namespace {

// GLX's error number for a drawable that does not exist, counted from the
// extension's first error number (GLXBadDrawable in its protocol).
constexpr int kGlxBadDrawable = 2;

// The adopted window and GLX's first error number, for the error handler.
Window adopted_window = 0;
int glx_error_base = -1;
XErrorHandler previous_error_handler = nullptr;
void (*connection_lost_handler)(const char*) = nullptr;

// A window destroyed by another program makes freeglut's next requests on
// it fail (drawing, swapping, its own destroy at the end). Xlib's default
// handler would end the process with exit code 1 for them; the window
// thread ends the run as a close does instead, once it sees the window go.
// Every other error keeps the default handling.
int ignore_errors_of_destroyed_window(Display* display, XErrorEvent* error) {
  const bool on_window = adopted_window != 0 && error->resourceid == adopted_window;
  const bool window_gone = error->error_code == BadWindow || error->error_code == BadDrawable ||
                           (glx_error_base >= 0 && error->error_code == glx_error_base + kGlxBadDrawable);
  if (on_window && window_gone) return 0;
  return previous_error_handler != nullptr ? previous_error_handler(display, error) : 0;
}

int connection_lost(Display* display) {
  if (connection_lost_handler != nullptr) connection_lost_handler(DisplayString(display));
  _exit(1);  // Xlib would end the process with exit() after this returns
}

}  // namespace

std::string X11Window::display_name() { return XDisplayName(nullptr); }

bool X11Window::display_reachable() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  XCloseDisplay(display);
  return true;
}

void X11Window::on_connection_lost(void (*handler)(const char* display_name)) {
  connection_lost_handler = handler;
  XSetIOErrorHandler(connection_lost);
}

bool X11Window::adopt_current_window(int width, int height, const std::string& utf8_title) {
  const GLXDrawable window = glXGetCurrentDrawable();
  freeglut_display_ = glXGetCurrentDisplay();
  if (window == 0 || freeglut_display_ == nullptr) return false;
  display_ = XOpenDisplay(DisplayString(freeglut_display_));
  if (display_ == nullptr) return false;
  window_ = window;
  adopted_window = window;
  int glx_event_base = 0;
  if (!glXQueryExtension(freeglut_display_, &glx_error_base, &glx_event_base)) glx_error_base = -1;
  previous_error_handler = XSetErrorHandler(ignore_errors_of_destroyed_window);

  XSizeHints* hints = XAllocSizeHints();
  if (hints != nullptr) {
    long supplied = 0;
    XGetWMNormalHints(display_, window_, hints, &supplied);  // keeps freeglut's own hints
    hints->flags |= PMinSize | PMaxSize;
    hints->min_width = hints->max_width = width;
    hints->min_height = hints->max_height = height;
    XSetWMNormalHints(display_, window_, hints);
    XFree(hints);
  }

  XClassHint class_hint{};
  char name[] = "torvelin";
  char class_name[] = "Torvelin";
  class_hint.res_name = name;
  class_hint.res_class = class_name;
  XSetClassHint(display_, window_, &class_hint);

  const long pid = getpid();
  XChangeProperty(display_, window_, XInternAtom(display_, "_NET_WM_PID", False), XA_CARDINAL, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&pid), 1);

  keyboard_.open(display_, window_, StructureNotifyMask);
  set_names(utf8_title);  // flushes
  return true;
}

void X11Window::set_names(const std::string& utf8_title) {
  char* title_list[] = {const_cast<char*>(utf8_title.c_str())};
  XTextProperty title{};
  if (Xutf8TextListToTextProperty(display_, title_list, 1, XStdICCTextStyle, &title) >= Success) {
    XSetWMName(display_, window_, &title);
    XSetWMIconName(display_, window_, &title);
    XFree(title.value);
  }
  const Atom utf8_string = XInternAtom(display_, "UTF8_STRING", False);
  for (const char* property : {"_NET_WM_NAME", "_NET_WM_ICON_NAME"}) {
    XChangeProperty(display_, window_, XInternAtom(display_, property, False), utf8_string, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(utf8_title.data()), static_cast<int>(utf8_title.size()));
  }
  XFlush(display_);
}

int X11Window::connection_number() const { return ConnectionNumber(display_); }
int X11Window::freeglut_connection_number() const { return ConnectionNumber(freeglut_display_); }

bool X11Window::events_queued() const {
  return XEventsQueued(display_, QueuedAfterFlush) > 0 || XEventsQueued(freeglut_display_, QueuedAfterFlush) > 0;
}

X11Window::Events X11Window::take_events(bool held) {
  Events events;
  events.keys.hold = held;
  while (XPending(display_) > 0 && !events.keys.stop) {
    XEvent event;
    XNextEvent(display_, &event);
    if (keyboard_.handle(event, events.keys)) continue;
    if (event.type == DestroyNotify && event.xdestroywindow.window == window_) {
      // A client killed from outside loses its window too. Its connection
      // is closed before the window goes, so a round trip on it now reaches
      // the connection-lost handler; a window that another program merely
      // destroyed leaves it working.
      XSync(freeglut_display_, False);
      events.destroyed = true;
    }
  }
  return events;
}

}  // namespace console::glut
