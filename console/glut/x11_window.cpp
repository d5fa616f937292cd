#include "console/glut/x11_window.h"

#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <climits>

namespace console::glut {

namespace {

// The adopted window, for the error handler.
Window adopted_window = 0;
XErrorHandler previous_error_handler = nullptr;

// A window destroyed by another program makes freeglut's next requests on
// it fail (drawing, swapping, its own destroy at the end). Xlib's default
// handler would end the process with exit code 1 for them; the window
// thread ends the run as a close does instead, once it sees the window go.
int ignore_errors_of_adopted_window(Display* display, XErrorEvent* error) {
  if (adopted_window != 0 && error->resourceid == adopted_window) return 0;
  return previous_error_handler != nullptr ? previous_error_handler(display, error) : 0;
}

}  // namespace

std::string X11Window::display_name() { return XDisplayName(nullptr); }

bool X11Window::connect() {
  display_ = XOpenDisplay(nullptr);
  return display_ != nullptr;
}

bool X11Window::adopt_current_window(int width, int height, const std::string& utf8_title) {
  const GLXDrawable window = glXGetCurrentDrawable();
  if (display_ == nullptr || window == 0) return false;
  window_ = window;
  adopted_window = window;
  previous_error_handler = XSetErrorHandler(ignore_errors_of_adopted_window);

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
  char host[HOST_NAME_MAX + 1] = {};
  if (gethostname(host, sizeof host - 1) == 0) {
    char* host_list[] = {host};
    XTextProperty machine{};
    if (XStringListToTextProperty(host_list, 1, &machine) != 0) {
      XSetWMClientMachine(display_, window_, &machine);
      XFree(machine.value);
    }
  }

  XSelectInput(display_, window_, KeyPressMask | StructureNotifyMask);
  set_names(utf8_title);  // flushes
  return true;
}

bool X11Window::set_names(const std::string& utf8_title) {
  if (window_ == 0) return false;
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
  return true;
}

X11Window::Events X11Window::take_events(bool sync) {
  Events events;
  if (display_ == nullptr) return events;
  if (sync) XSync(display_, False);
  while (XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    switch (event.type) {
      case KeyPress: {
        // The key's own symbol, and the one its modifiers select: on a PC
        // keyboard, Ctrl turns the Pause key into Break.
        const KeySym plain = XLookupKeysym(&event.xkey, 0);
        KeySym chosen = NoSymbol;
        char ignored[8];
        XLookupString(&event.xkey, ignored, sizeof ignored, &chosen, nullptr);
        if (plain == XK_Break || chosen == XK_Break || (plain == XK_Pause && (event.xkey.state & ControlMask))) {
          events.break_pressed = true;
        } else if (plain == XK_Pause) {
          ++events.pause_presses;
        }
        break;
      }
      case MappingNotify:
        // Keeps the key lookups above right when the keyboard map changes.
        XRefreshKeyboardMapping(&event.xmapping);
        break;
      case DestroyNotify:
        if (event.xdestroywindow.window == window_) events.destroyed = true;
        break;
      default:
        break;
    }
  }
  return events;
}

}  // namespace console::glut
