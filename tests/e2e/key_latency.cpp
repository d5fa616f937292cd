// Test helper: how long a window takes to show a key press. Presses keys
// into the focused window through XTEST, alternately `a` and BackSpace (a
// line input types a character and takes it back), and times each from the
// press to the window's first X DAMAGE report after it: the frame that
// echoes the key. Prints the figures in milliseconds:
//
//   measure_key_latency <window id> <presses>
//   presses 80 missed 0 min 4.2 median 5.1 p90 6.8 max 9.7 ms
//
// A line input's cursor blinks, twice a second, and each blink is a frame
// too, which must not be taken for an echo. So each press waits for such
// a frame and comes a short while after it (30 to 79 ms, spread over the
// presses so that they do not all meet the program's own rhythm at the
// same point), when the next blink is still far off; should another frame
// come during that while, the while starts again. Where nothing blinks, a
// press waits a little over a blink's period for a frame, then goes anyway.
//
// Exit code 0 when every press was echoed, 1 when some drew nothing within
// a few seconds (a runaway or a lost key), 2 for a wrong call.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// How long a press waits for a blink, after it for the quiet spell (the
// least, and the spread over the presses), and for its echo.
constexpr auto kBlinkWait = std::chrono::milliseconds(1200);
constexpr int kAfterBlinkMs = 30;
constexpr int kAfterBlinkSpreadMs = 50;
constexpr auto kEchoWait = std::chrono::milliseconds(5000);
constexpr int kQuietTries = 5;

bool x_error_seen = false;

int note_x_error(Display*, XErrorEvent*) {
  x_error_seen = true;
  return 0;
}

class FrameWatch {
 public:
  FrameWatch(Display* display, Window window, int damage_event_base)
      : display_(display), damage_event_base_(damage_event_base),
        damage_(XDamageCreate(display, window, XDamageReportRawRectangles)) {}

  // The time at which the first damage report of the next frame was read,
  // or nothing when no frame came before `deadline`. Reports already read
  // count: call drain() first to see only later ones.
  std::optional<Clock::time_point> next_frame(Clock::time_point deadline) {
    bool more = false;
    if (!read_notify(deadline, more)) return std::nullopt;
    const Clock::time_point seen = Clock::now();
    // A frame's further rectangles belong to it.
    while (more && read_notify(deadline, more)) {
    }
    return seen;
  }

  // Reads and drops the reports that have come so far.
  void drain() {
    XSync(display_, False);
    while (next_frame(Clock::now())) {
    }
  }

 private:
  // Reads the next report of this damage object; `more` tells whether the
  // frame has further ones.
  bool read_notify(Clock::time_point deadline, bool& more) {
    for (;;) {
      while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type != damage_event_base_ + XDamageNotify) continue;
        const auto& notify = reinterpret_cast<const XDamageNotifyEvent&>(event);
        if (notify.damage != damage_) continue;
        // The server also collects the areas in the damage object; emptied,
        // so that it holds nothing between frames.
        XDamageSubtract(display_, damage_, None, None);
        more = notify.more;
        return true;
      }
      if (!wait_for_input(deadline)) return false;
    }
  }

  bool wait_for_input(Clock::time_point deadline) {
    XFlush(display_);
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    pollfd connection{ConnectionNumber(display_), POLLIN, 0};
    poll(&connection, 1, static_cast<int>(left.count()));
    return true;
  }

  Display* display_;
  int damage_event_base_;
  Damage damage_;
};

double milliseconds(Clock::duration duration) {
  return std::chrono::duration<double, std::milli>(duration).count();
}

// The value below which `share` of the sorted figures lie.
double quantile(const std::vector<double>& sorted, double share) {
  const auto at = static_cast<std::size_t>(share * static_cast<double>(sorted.size() - 1) + 0.5);
  return sorted[std::min(at, sorted.size() - 1)];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: measure_key_latency <window id> <presses>\n");
    return 2;
  }
  const Window window = static_cast<Window>(std::strtoul(argv[1], nullptr, 0));
  const int presses = std::atoi(argv[2]);
  if (presses <= 0) {
    std::fprintf(stderr, "measure_key_latency: the count of presses must be positive\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "measure_key_latency: cannot open the display\n");
    return 1;
  }
  int event_base = 0;
  int error_base = 0;
  int major = 0;
  int minor = 0;
  if (!XTestQueryExtension(display, &event_base, &error_base, &major, &minor)) {
    std::fprintf(stderr, "measure_key_latency: the display has no XTEST extension\n");
    return 1;
  }
  int damage_event_base = 0;
  if (!XDamageQueryExtension(display, &damage_event_base, &error_base)) {
    std::fprintf(stderr, "measure_key_latency: the display has no DAMAGE extension\n");
    return 1;
  }
  const KeyCode keys[] = {XKeysymToKeycode(display, XK_a), XKeysymToKeycode(display, XK_BackSpace)};
  if (keys[0] == 0 || keys[1] == 0) {
    std::fprintf(stderr, "measure_key_latency: the keyboard has no a or BackSpace key\n");
    return 1;
  }
  XSetErrorHandler(note_x_error);
  FrameWatch frames(display, window, damage_event_base);
  XSync(display, False);
  if (x_error_seen) {
    std::fprintf(stderr, "measure_key_latency: no window %s\n", argv[1]);
    return 1;
  }
  frames.drain();  // creating the damage object reports the whole window

  std::vector<double> latencies;
  int missed = 0;
  for (int press = 0; press < presses; ++press) {
    // A blink, then a short spell without a frame after the last one.
    frames.next_frame(Clock::now() + kBlinkWait);
    const auto spell = std::chrono::milliseconds(kAfterBlinkMs + press * 37 % kAfterBlinkSpreadMs);
    for (int tries = 0; tries < kQuietTries && frames.next_frame(Clock::now() + spell); ++tries) {
    }
    const KeyCode key = keys[press % 2];
    const Clock::time_point pressed = Clock::now();
    XTestFakeKeyEvent(display, key, True, CurrentTime);
    XTestFakeKeyEvent(display, key, False, CurrentTime);
    XFlush(display);
    const std::optional<Clock::time_point> echoed = frames.next_frame(pressed + kEchoWait);
    if (echoed) {
      latencies.push_back(milliseconds(*echoed - pressed));
    } else {
      ++missed;
    }
  }
  std::sort(latencies.begin(), latencies.end());
  if (latencies.empty()) {
    std::printf("presses %d missed %d\n", presses, missed);
  } else {
    std::printf("presses %d missed %d min %.1f median %.1f p90 %.1f max %.1f ms\n", presses, missed,
                latencies.front(), quantile(latencies, 0.5), quantile(latencies, 0.9), latencies.back());
  }
  XCloseDisplay(display);
  return missed == 0 ? 0 : 1;
}
