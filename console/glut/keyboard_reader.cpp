#include "console/glut/keyboard_reader.h"

#include <X11/Xlib.h>
#include <sys/socket.h>

#include <chrono>
#include <thread>

#include "console/glut/input_method_watch.h"
#include "console/glut/process_end.h"
#include "console/glut/x11_errors.h"

namespace console::glut {

namespace {

// How long the keyboard may stay inside the input method before its
// connection is given up. A live server answers within milliseconds.
constexpr std::chrono::milliseconds kInputMethodPatience{1000};

}  // namespace

// One connection with its keyboard. Never freed: a connection given up may
// still be used by its thread, which stays where Xlib holds it.
struct KeyboardReader::Connection {
  Display* display = nullptr;
  int fd = -1;
  bool server_first = true;
  X11Keyboard keyboard;
  InputMethodWatch watch;
  std::atomic<bool> given_up{false};
};

bool KeyboardReader::start(const std::string& display_name, unsigned long window) {
  display_name_ = display_name;
  window_ = window;
  Connection* first = open_connection(true);
  if (first == nullptr) return false;
  current_ = first;  // before any thread of the keyboard runs
  start_reading(*first);
  // The process ends through _exit, whatever these threads are doing.
  std::thread([this] { without_exceptions("the keyboard's watch", [this] { watch(); }); }).detach();
  return true;
}

KeyboardReader::Connection* KeyboardReader::open_connection(bool server_first) {
  Display* display = XOpenDisplay(display_name_.c_str());
  if (display == nullptr) return nullptr;
  X11Errors::add_keyboard_connection(display);
  auto* connection = new Connection;
  connection->display = display;
  connection->fd = ConnectionNumber(display);
  connection->server_first = server_first;
  connection->keyboard.attach(display, window_);
  // A round trip: the selection stands before this returns. A window that
  // went while the keyboard was stuck sends no DestroyNotify any more.
  XWindowAttributes attributes{};
  if (XGetWindowAttributes(display, window_, &attributes) == 0) {
    window_destroyed_.store(true, std::memory_order_release);
    wake_window_();
  }
  return connection;
}

void KeyboardReader::start_reading(Connection& connection) {
  std::thread([this, &connection] { without_exceptions("the keyboard thread", [&] { read(connection); }); })
      .detach();
}

void KeyboardReader::read(Connection& connection) {
  {
    const InputMethodWatch::Inside inside(connection.watch);
    connection.keyboard.start_input_method(connection.server_first);
  }
  for (;;) {
    XEvent event;
    XNextEvent(connection.display, &event);  // flushes, then sleeps until an event comes
    KeyBatch batch;
    batch.hold = platform_.paused();
    bool destroyed = false;
    for (;;) {
      if (event.type == DestroyNotify && event.xdestroywindow.window == window_) {
        destroyed = true;
      } else {
        const InputMethodWatch::Inside inside(connection.watch);
        connection.keyboard.handle(event, batch);
        if (!connection.given_up.load(std::memory_order_acquire)) connection.keyboard.follow_input_method_server();
      }
      if (batch.stop || destroyed || connection.given_up.load(std::memory_order_acquire) ||
          XPending(connection.display) == 0)
        break;
      XNextEvent(connection.display, &event);
    }
    if (!deliver(connection, batch, destroyed)) return;  // leaves the connection as it is
  }
}

bool KeyboardReader::deliver(Connection& connection, const KeyBatch& batch, bool destroyed) {
  std::lock_guard lock(mutex_);
  if (&connection != current_) return false;
  if (destroyed || batch.stop) {
    (destroyed ? window_destroyed_ : stop_requested_).store(true, std::memory_order_release);
    wake_window_();
    return true;
  }
  const bool was_held = platform_.paused();
  // Keys typed before a Pause wait out the hold that it starts: the hold
  // stands before they are queued, so no wait takes them.
  if (batch.hold && !was_held) platform_.set_paused(true);
  for (const Text& key : batch.keys) platform_.keys().push(key);  // a 16th waiting key is lost
  if (!batch.hold && was_held) platform_.set_paused(false);
  return true;
}

void KeyboardReader::watch() {
  for (;;) {
    Connection* watched = nullptr;
    {
      std::lock_guard lock(mutex_);
      watched = current_;
    }
    watched->watch.wait_for_stuck(kInputMethodPatience);
    replace(*watched);
  }
}

void KeyboardReader::replace(Connection& stuck) {
  {
    std::lock_guard lock(mutex_);
    current_ = nullptr;  // nothing more of it reaches the platform
  }
  stuck.given_up.store(true, std::memory_order_release);
  X11Errors::give_up(stuck.display);
  // Not an Xlib call (the connection is its thread's): the server drops the
  // client, its selection of the window's keys with it, and the thread's
  // wait inside Xlib fails and stops in the handler of broken connections.
  shutdown(stuck.fd, SHUT_RDWR);
  Connection* next = open_connection(false);
  if (next == nullptr)
    end_with_message("cannot open a new connection to the X display \"" + display_name_ + "\" for the keyboard");
  {
    std::lock_guard lock(mutex_);
    current_ = next;
  }
  start_reading(*next);
}

}  // namespace console::glut
