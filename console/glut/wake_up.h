// Wakes the window thread out of its poll: an eventfd that the calculator's
// side signals when the screen, the title or the run's state changes.
#pragma once

#include <atomic>

namespace console::glut {

class WakeUp {
 public:
  // Throws std::system_error when no eventfd can be had.
  WakeUp();
  ~WakeUp();
  WakeUp(const WakeUp&) = delete;
  WakeUp& operator=(const WakeUp&) = delete;

  // The descriptor to poll; readable while a wake-up is pending.
  int fd() const { return fd_; }
  // Any thread. Costs a system call only when no wake-up is pending, so a
  // screen printed character by character does not make one per character.
  void signal();
  // The polling thread, once the poll has reported the descriptor and before
  // it looks at what changed.
  void clear();

 private:
  int fd_ = -1;
  std::atomic<bool> pending_{false};
};

}  // namespace console::glut
