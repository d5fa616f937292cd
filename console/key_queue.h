// The keyboard queue: the window thread pushes key presses, the calculator's
// thread takes them. A key press is one byte (a character code) or two bytes
// (0 and a scan code, for keys with a key code only).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>

#include "console/text.h"

namespace console {

class KeyQueue {
 public:
  static constexpr std::size_t kCapacity = 15;

  // Queues a key press; returns false (the key is lost) while 15 wait.
  bool push(const Text& key);
  // The oldest key press, taken out; empty when none waits.
  Text pop();
  std::size_t size() const;
  bool empty() const { return size() == 0; }
  // Sleeps until a key press waits, wake() is called, or the timeout ends.
  void wait(std::chrono::milliseconds timeout);
  // Ends a wait early (a stop request).
  void wake();

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Text> keys_;
  bool woken_ = false;
};

}  // namespace console
