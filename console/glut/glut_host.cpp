#include "console/glut/glut_host.h"

#include <thread>

#include "console/standard_error.h"

namespace console::glut {

void GlutHost::attach(Platform& platform) {
  platform_ = &platform;
  platform.screen().set_change_listener([this] { wake_.signal(); });
}

void GlutHost::set_title(const Text& title) {
  {
    std::lock_guard lock(mutex_);
    title_ = title;
    title_changed_ = true;
    title_ever_set_ = true;
  }
  changed_.notify_all();
  wake_.signal();
}

void GlutHost::wait_for_first_title(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, timeout, [this] { return title_ever_set_; });
}

Text GlutHost::take_title(bool& changed) {
  std::lock_guard lock(mutex_);
  changed = title_changed_;
  title_changed_ = false;
  return title_;
}

void GlutHost::program_ended(int exit_code) {
  {
    std::lock_guard lock(mutex_);
    exit_code_ = exit_code;
  }
  changed_.notify_all();
  wake_.signal();
}

std::optional<int> GlutHost::program_exit_code() {
  std::lock_guard lock(mutex_);
  return exit_code_;
}

std::optional<int> GlutHost::wait_for_program_end(std::chrono::milliseconds patience) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, patience, [this] { return exit_code_.has_value(); });
  return exit_code_;
}

void GlutHost::sleep_ms(int64_t ms) {
  if (ms <= 0) {
    std::this_thread::yield();
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
}

int64_t GlutHost::now_ms() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count();
}

void GlutHost::await_key(Platform& platform, int64_t timeout_ms) {
  if (platform.stop_requested()) return;
  platform.keys().wait(std::chrono::milliseconds(timeout_ms));
}

void GlutHost::show_fatal(const Text& caption, const Text& message) {
  write_standard_error_line(caption + ": " + message);
  if (platform_ == nullptr) return;
  set_title(caption);
  TextScreen& screen = platform_->screen();
  screen.set_cursor_visible(false);
  screen.set_foreground(7);
  screen.clear();
  screen.locate(1, 1);
  screen.print(message, false);
  KeyQueue& keys = platform_->keys();
  while (keys.empty() && !platform_->stop_requested()) keys.wait(std::chrono::milliseconds(100));
}

}  // namespace console::glut
