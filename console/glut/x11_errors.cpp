#include "console/glut/x11_errors.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

// Xlibint.h gives the names of the extensions that a connection knows, as
// Xlib's own error message uses them; it defines min and max as macros.
#include <X11/Xlib.h>
#include <X11/Xlibint.h>
#undef min
#undef max

#include "console/glut/process_end.h"

namespace console::glut {

namespace {

// GLX's error number for a drawable that does not exist, counted from the
// extension's first error number (GLXBadDrawable in its protocol).
constexpr int kGlxBadDrawable = 2;

void (*display_lost_handler)(const char*) = nullptr;

// Set once by the window thread before any keyboard connection opens.
Display* window_display = nullptr;
Window window = 0;
int glx_error_base = -1;

// The keyboard's connections, read by the handlers on whichever thread
// meets an error.
std::mutex connections_mutex;
std::vector<Display*> keyboard_connections;
std::vector<Display*> given_up_connections;

bool listed(const std::vector<Display*>& list, Display* display) {
  return std::find(list.begin(), list.end(), display) != list.end();
}

bool is_given_up(Display* display) {
  std::lock_guard lock(connections_mutex);
  return listed(given_up_connections, display);
}

bool is_keyboard_connection(Display* display) {
  std::lock_guard lock(connections_mutex);
  return listed(keyboard_connections, display);
}

bool about_window_gone(const XErrorEvent& error) {
  const bool gone = error.error_code == BadWindow || error.error_code == BadDrawable ||
                    (glx_error_base >= 0 && error.error_code == glx_error_base + kGlxBadDrawable);
  return window != 0 && error.resourceid == window && gone;
}

// The request's name as Xlib's error database gives it ("X_ChangeProperty",
// "X_GLXMakeCurrent"); the extension's name and the numbers where it has
// none. Local lookups only: an error handler may not talk to the server.
std::string request_name(Display* display, const XErrorEvent& error) {
  char name[256] = "";
  if (error.request_code < 128) {
    const std::string number = std::to_string(error.request_code);
    XGetErrorDatabaseText(display, "XRequest", number.c_str(), "", name, sizeof name);
    return name[0] != '\0' ? name : "request " + number;
  }
  const _XExtension* extension = display->ext_procs;
  while (extension != nullptr && extension->codes.major_opcode != error.request_code) extension = extension->next;
  const std::string minor = std::to_string(error.minor_code);
  if (extension == nullptr || extension->name == nullptr)
    return "request " + std::to_string(error.request_code) + "." + minor;
  const std::string key = std::string(extension->name) + "." + minor;
  XGetErrorDatabaseText(display, "XRequest", key.c_str(), "", name, sizeof name);
  return name[0] != '\0' ? name : std::string(extension->name) + " request " + minor;
}

int on_error(Display* display, XErrorEvent* error) {
  if (is_given_up(display)) return 0;
  if (about_window_gone(*error)) return 0;
  if (is_keyboard_connection(display) && error->resourceid != window) return 0;
  char text[256] = "";
  XGetErrorText(display, error->error_code, text, sizeof text);
  end_with_message("X error " + std::string(text) + " in " + request_name(display, *error) + " on the X display \"" +
                   DisplayString(display) + "\"");
}

int on_connection_broken(Display* display) {
  if (is_given_up(display)) park_forever();
  if (display_lost_handler != nullptr) display_lost_handler(DisplayString(display));
  _exit(kExitFailure);  // Xlib would end the process with exit() after this returns
}

}  // namespace

void X11Errors::install(void (*display_lost)(const char* display_name)) {
  display_lost_handler = display_lost;
  XSetErrorHandler(on_error);
  XSetIOErrorHandler(on_connection_broken);
}

void X11Errors::watch_window(Display* display, unsigned long watched, int glx_errors) {
  window_display = display;
  window = watched;
  glx_error_base = glx_errors;
}

void X11Errors::add_keyboard_connection(Display* display) {
  std::lock_guard lock(connections_mutex);
  keyboard_connections.push_back(display);
}

void X11Errors::give_up(Display* display) {
  std::lock_guard lock(connections_mutex);
  given_up_connections.push_back(display);
}

}  // namespace console::glut
