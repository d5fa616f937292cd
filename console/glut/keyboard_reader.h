// The window's keyboard, read on threads of its own, so that nothing an
// input method waits for holds up the picture, the close button or the
// ending signals. A connection of its own to the display carries the key
// presses through an input method (X11Keyboard); its thread hands each
// batch of keys, holds and ends of holds to the platform in the order in
// which the server sent them, and tells the window thread of a stop key
// and of the window's destruction.
//
// An input-method server that dies in the middle of a key's exchange, or
// stops, never answers, and Xlib waits for its answer for good. When the
// keyboard stays inside the input method longer than about a second, that
// connection is given up: its socket is shut down, so that the server drops
// it (and stops sending it the window's keys) and its thread's wait fails,
// and a new connection goes on through Xlib's built-in input method until
// a server starts again. Keys typed into the stuck connection are lost;
// none typed after the new one is up.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>

#include "console/glut/x11_keyboard.h"
#include "console/platform.h"

namespace console::glut {

class KeyboardReader {
 public:
  // `wake_window` wakes the window thread; any thread may call it.
  KeyboardReader(Platform& platform, std::function<void()> wake_window)
      : platform_(platform), wake_window_(std::move(wake_window)) {}
  KeyboardReader(const KeyboardReader&) = delete;
  KeyboardReader& operator=(const KeyboardReader&) = delete;

  // Window thread, once the window exists: opens the first connection to
  // the display, selects the window's key events on it (keys pressed from
  // then on wait there), and starts its thread and the watch over it.
  // False when no connection can be had; throws std::system_error when a
  // thread cannot be started.
  bool start(const std::string& display_name, unsigned long window);

  // Any thread: a stop key was pressed; the window was destroyed.
  bool stop_requested() const { return stop_requested_.load(std::memory_order_acquire); }
  bool window_destroyed() const { return window_destroyed_.load(std::memory_order_acquire); }

 private:
  struct Connection;

  // Opens a connection and attaches the keyboard to the window; on the
  // thread that calls it, which then hands it to its reader. Null when the
  // display cannot be reached.
  Connection* open_connection(bool server_first);
  void start_reading(Connection& connection);
  // The connection's thread.
  void read(Connection& connection);
  // False once the connection has been given up: nothing of it reaches the
  // platform any more.
  bool deliver(Connection& connection, const KeyBatch& batch, bool destroyed);
  // The watching thread.
  void watch();
  void replace(Connection& stuck);

  Platform& platform_;
  const std::function<void()> wake_window_;
  std::string display_name_;
  unsigned long window_ = 0;

  std::mutex mutex_;  // guards current_ and the hand-over to the platform
  Connection* current_ = nullptr;
  std::atomic<bool> stop_requested_{false};
  std::atomic<bool> window_destroyed_{false};
};

}  // namespace console::glut
