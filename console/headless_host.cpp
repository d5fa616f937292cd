#include "console/headless_host.h"

#include "console/platform.h"

namespace console {

void HeadlessHost::type(const Text& characters) {
  for (char c : characters) script_.push_back(Text(1, c));
}

void HeadlessHost::press(const Text& key) { script_.push_back(key); }

void HeadlessHost::set_title(const Text& title) { titles.push_back(title); }

void HeadlessHost::play_samples(const std::vector<int16_t>& interleaved_stereo, int /*sample_rate*/) {
  tones.push_back(interleaved_stereo);
}

void HeadlessHost::sleep_ms(int64_t ms) {
  if (ms > 0) clock_ms += ms;
  if (on_sleep) on_sleep(*this, ms);
}

int64_t HeadlessHost::now_ms() { return clock_ms; }

void HeadlessHost::await_key(Platform& platform, int64_t timeout_ms) {
  if (!platform.keys().empty() || platform.stop_requested()) return;
  if (script_.empty()) {
    // The script is used up: the user closes the window.
    platform.request_stop(0);
    return;
  }
  screens_before_key.push_back(platform.screen().snapshot());
  platform.keys().push(script_.front());
  script_.pop_front();
  (void)timeout_ms;
}

void HeadlessHost::show_fatal(const Text& caption, const Text& message) {
  fatal_messages.push_back(caption + ": " + message);
}

}  // namespace console
