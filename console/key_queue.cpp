#include "console/key_queue.h"

namespace console {

bool KeyQueue::push(const Text& key) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (keys_.size() >= kCapacity) return false;
    keys_.push_back(key);
  }
  changed_.notify_all();
  return true;
}

Text KeyQueue::pop() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (keys_.empty()) return Text();
  Text key = std::move(keys_.front());
  keys_.pop_front();
  return key;
}

std::size_t KeyQueue::size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return keys_.size();
}

void KeyQueue::wait(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait_for(lock, timeout, [this] { return !keys_.empty() || woken_; });
  // A wake ends this one wait; the stop that caused it is kept by the
  // platform, which checks it after every wait.
  woken_ = false;
}

void KeyQueue::wake() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    woken_ = true;
  }
  changed_.notify_all();
}

}  // namespace console
