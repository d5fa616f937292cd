#include "console/glut/x11_window.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>
#include <unistd.h>

#include "console/glut/x11_errors.h"

namespace console::glut {

namespace {

// What freeglut selects and the program has no use for: it reads no
// pointer, and its keys come on the keyboard's connection.
constexpr long kUnusedEvents = PointerMotionMask | PointerMotionHintMask | ButtonMotionMask | Button1MotionMask |
                               Button2MotionMask | Button3MotionMask | Button4MotionMask | Button5MotionMask |
                               KeyPressMask | KeyReleaseMask;

}  // namespace

std::string X11Window::display_name() { return XDisplayName(nullptr); }

bool X11Window::display_reachable() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  XCloseDisplay(display);
  return true;
}

bool X11Window::adopt_current_window(int width, int height, const std::string& utf8_title) {
  const GLXDrawable window = glXGetCurrentDrawable();
  display_ = glXGetCurrentDisplay();
  if (window == 0 || display_ == nullptr) return false;
  window_ = window;
  int glx_error_base = 0;
  int glx_event_base = 0;
  if (!glXQueryExtension(display_, &glx_error_base, &glx_event_base)) glx_error_base = -1;
  X11Errors::watch_window(display_, window_, glx_error_base);

  XWindowAttributes attributes{};
  if (XGetWindowAttributes(display_, window_, &attributes) != 0)
    XSelectInput(display_, window_, attributes.your_event_mask & ~kUnusedEvents);
  // freeglut also selects the pointer's motion, buttons and crossings
  // through XInput 2; an empty mask drops that selection.
  int xinput_opcode = 0;
  int xinput_event = 0;
  int xinput_error = 0;
  if (XQueryExtension(display_, "XInputExtension", &xinput_opcode, &xinput_event, &xinput_error)) {
    XIEventMask none{XIAllMasterDevices, 0, nullptr};
    XISelectEvents(display_, window_, &none, 1);
  }

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

bool X11Window::events_queued() const { return XEventsQueued(display_, QueuedAfterFlush) > 0; }

std::string X11Window::connected_display_name() const { return DisplayString(display_); }

void X11Window::confirm_connection() { XSync(display_, False); }

}  // namespace console::glut
