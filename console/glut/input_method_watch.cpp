#include "console/glut/input_method_watch.h"

namespace console::glut {

void InputMethodWatch::enter() {
  bool wake_watcher = false;
  {
    std::lock_guard lock(mutex_);
    inside_ = true;
    ++stretches_;
    entered_at_ = Clock::now();
    wake_watcher = watcher_idle_;
  }
  if (wake_watcher) entered_.notify_one();
}

void InputMethodWatch::leave() {
  std::lock_guard lock(mutex_);
  inside_ = false;
}

void InputMethodWatch::wait_for_stuck(std::chrono::milliseconds limit) {
  std::unique_lock lock(mutex_);
  for (;;) {
    watcher_idle_ = true;
    entered_.wait(lock, [this] { return inside_; });
    watcher_idle_ = false;
    const uint64_t stretch = stretches_;
    const Clock::time_point deadline = entered_at_ + limit;
    while (Clock::now() < deadline) entered_.wait_until(lock, deadline);
    if (inside_ && stretches_ == stretch) return;
  }
}

}  // namespace console::glut
