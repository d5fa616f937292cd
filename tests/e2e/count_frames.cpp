// Test helper: counts the frames drawn into a window during some seconds,
// from outside the program, through the X DAMAGE extension, and prints the
// count.
//
//   count_frames <window id> <seconds>
//
// The damage is reported as raw rectangles: the server sends, for each
// drawing request that changes the window, its changed area as one or more
// DamageNotify events, the last of them with `more` false. Under Mesa's
// llvmpipe in Xvfb a glutSwapBuffers is one such request, the back buffer
// put into the window whole: one event of the window's full size (640 x
// 400), `more` false. So each report that ends with `more` false is one
// frame. Creating the damage object reports the window's whole contents
// at once, before anything drawn later; that first report is no frame and
// is not counted.
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

bool x_error_seen = false;

int note_x_error(Display*, XErrorEvent*) {
  x_error_seen = true;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: count_frames <window id> <seconds>\n");
    return 2;
  }
  const Window window = static_cast<Window>(std::strtoul(argv[1], nullptr, 0));
  const double seconds = std::strtod(argv[2], nullptr);
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "count_frames: cannot open the display\n");
    return 1;
  }
  int damage_event_base = 0;
  int damage_error_base = 0;
  if (!XDamageQueryExtension(display, &damage_event_base, &damage_error_base)) {
    std::fprintf(stderr, "count_frames: the display has no DAMAGE extension\n");
    return 1;
  }
  XSetErrorHandler(note_x_error);
  const Damage damage = XDamageCreate(display, window, XDamageReportRawRectangles);
  XSync(display, False);
  if (x_error_seen) {
    std::fprintf(stderr, "count_frames: no window %s\n", argv[1]);
    return 1;
  }

  // Errors after this point mean the window went away; the count stands.
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
  bool creation_report_seen = false;
  long frames = 0;
  for (;;) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type != damage_event_base + XDamageNotify) continue;
      const auto& notify = reinterpret_cast<const XDamageNotifyEvent&>(event);
      if (notify.damage != damage || notify.more) continue;
      if (creation_report_seen) {
        ++frames;
      } else {
        creation_report_seen = true;
      }
      // The server also collects the reported areas in the damage object;
      // emptied, so that it holds nothing between frames.
      XDamageSubtract(display, damage, None, None);
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) break;
    XFlush(display);
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    poll(&connection, 1, static_cast<int>(left.count()));
  }
  std::printf("%ld\n", frames);
  return 0;
}
