// Tells when the keyboard's thread has stayed too long inside the input
// method. That thread marks each stretch of work that may wait on an
// input-method server (a key's exchange with it, opening or leaving it); a
// watching thread sleeps until one stretch has lasted the limit. A server
// that died in the middle of an exchange, or stopped, never answers, and
// Xlib waits for its answer for good.
//
// Marking costs a lock, and a wake-up of the watcher only when it sleeps
// without a deadline: the end of a stretch is not announced, the watcher
// looks again at the deadline. While keys come, it wakes about once per
// limit; while none come, never.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace console::glut {

class InputMethodWatch {
 public:
  using Clock = std::chrono::steady_clock;

  // One stretch inside the input method, from construction to destruction.
  class Inside {
   public:
    explicit Inside(InputMethodWatch& watch) : watch_(watch) { watch_.enter(); }
    ~Inside() { watch_.leave(); }
    Inside(const Inside&) = delete;
    Inside& operator=(const Inside&) = delete;

   private:
    InputMethodWatch& watch_;
  };

  // The watching thread: returns once one stretch has lasted `limit`.
  void wait_for_stuck(std::chrono::milliseconds limit);

 private:
  void enter();
  void leave();

  std::mutex mutex_;
  std::condition_variable entered_;
  bool inside_ = false;
  uint64_t stretches_ = 0;  // counts the stretches begun, to tell one from the next
  Clock::time_point entered_at_{};
  bool watcher_idle_ = false;  // the watcher sleeps until a stretch begins
};

}  // namespace console::glut
