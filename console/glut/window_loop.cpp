#include "console/glut/window_loop.h"

#include <GL/freeglut.h>
#include <poll.h>

#include <algorithm>

#include "console/code_page.h"
#include "console/glut/process_end.h"

namespace console::glut {

namespace {

// freeglut's callbacks are plain functions; they reach the loop here.
WindowLoop* running_loop = nullptr;

// The longest poll without a deadline: none is needed, as every change
// wakes the loop, but an hour keeps the number in range.
constexpr int64_t kLongestPollMs = 3'600'000;

std::optional<int64_t> earliest(std::optional<int64_t> a, std::optional<int64_t> b) {
  if (!a) return b;
  if (!b) return a;
  return std::min(*a, *b);
}

}  // namespace

WindowLoop::WindowLoop(Platform& platform, GlutHost& host, X11Window& x11, KeyboardReader& keyboard, int window_id,
                       int signal_fd)
    : platform_(platform), host_(host), x11_(x11), keyboard_(keyboard), window_id_(window_id), signal_fd_(signal_fd) {
  picture_.set_up();
  running_loop = this;
  glutDisplayFunc(on_display);
  glutReshapeFunc(on_reshape);
  glutCloseFunc(on_close);
}

void WindowLoop::on_display() {
  // An exposed window needs its picture again, changed or not.
  without_exceptions("the window thread", [] {
    WindowLoop& loop = *running_loop;
    loop.picture_.show_again(frame_inputs(loop.platform_.screen().snapshot(), loop.host_.now_ms()));
  });
}

void WindowLoop::on_reshape(int width, int height) { running_loop->picture_.fit(width, height); }

void WindowLoop::on_close() { running_loop->stop(); }

// The close button, a stop key and the window's destruction all end the run
// this way.
void WindowLoop::stop() {
  stopped_ = true;
  platform_.request_stop(0);
}

WindowLoop::End WindowLoop::run() {
  for (;;) {
    follow_keyboard();
    if (!stopped_) glutMainLoopEvent();
    if (stopped_) return End::kStopped;
    if (signalled_) return End::kSignal;
    if (host_.program_exit_code()) return End::kProgramEnded;
    apply_title_change();

    const int64_t now = host_.now_ms();
    const uint64_t changes = platform_.screen().changes();
    if (changes != changes_seen_) {
      changes_seen_ = changes;
      schedule_.changed(now);
    }
    const std::optional<int64_t> changes_due = schedule_.draw_due();
    if (!picture_.shown() || (changes_due && *changes_due <= now) ||
        (next_phase_change_ && *next_phase_change_ <= now)) {
      draw(now);
    }
    wait_for_events(earliest(schedule_.draw_due(), next_phase_change_), now);
  }
}

void WindowLoop::follow_keyboard() {
  if (keyboard_.window_destroyed()) {
    x11_.confirm_connection();  // ends the process here when the client was killed
    stop();
  }
  if (keyboard_.stop_requested()) stop();
}

void WindowLoop::apply_title_change() {
  bool changed = false;
  const Text title = host_.take_title(changed);
  if (changed) x11_.set_names(utf8_from_cp437(title));
}

void WindowLoop::draw(int64_t now_ms) {
  if (glutGetWindow() != window_id_) glutSetWindow(window_id_);
  const FrameInputs now = frame_inputs(platform_.screen().snapshot(), now_ms);
  // Drawing costs far more than looking: a frame only when it would differ.
  if (!picture_.shown() || now != *picture_.shown()) picture_.show(now);
  schedule_.drawn();
  next_phase_change_ = next_phase_change_ms(now.screen, now_ms);
}

void WindowLoop::wait_for_events(std::optional<int64_t> deadline_ms, int64_t now_ms) {
  int64_t timeout_ms = deadline_ms ? std::clamp<int64_t>(*deadline_ms - now_ms, 0, kLongestPollMs) : kLongestPollMs;
  // Events that Xlib has already read (during a reply, say) never make the
  // connection readable again. This also sends what waits in Xlib's
  // buffers, a frame's last requests among them.
  if (x11_.events_queued()) timeout_ms = 0;
  pollfd watched[] = {
      {x11_.connection_number(), POLLIN, 0},
      {host_.wake_fd(), POLLIN, 0},
      {signal_fd_, POLLIN, 0},
  };
  const nfds_t count = signal_fd_ >= 0 ? 3 : 2;
  if (poll(watched, count, static_cast<int>(timeout_ms)) <= 0) return;
  if ((watched[1].revents & POLLIN) != 0) host_.clear_wake();
  // Left readable: the run ends now.
  if (count == 3 && (watched[2].revents & POLLIN) != 0) signalled_ = true;
}

}  // namespace console::glut
