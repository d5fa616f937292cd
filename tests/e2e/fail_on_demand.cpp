// Test library, preloaded into the program (LD_PRELOAD) to make one of its
// own requests fail as on a machine out of memory or threads:
//
//   FAIL_ON_DEMAND=frame   the allocation of a 640 x 400 RGBA picture fails
//   FAIL_ON_DEMAND=thread  starting a std::thread fails with EAGAIN
//   FAIL_ON_DEMAND=x_error_at_start
//                          a request that the X server refuses (BadAtom) on
//                          freeglut's display, right after it opens
//   FAIL_ON_DEMAND=x_error_later FAIL_ON_DEMAND_FILE=<path>
//                          the same request, at the first look for events on
//                          that display (XPending) after <path> exists
//
// The sound library, Xlib and Mesa make their own allocations and threads
// in C; only the program's C++ requests are failed.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr std::size_t kFrameBytes = 640 * 400 * 4;

bool failing(const char* what) {
  const char* mode = std::getenv("FAIL_ON_DEMAND");
  return mode != nullptr && std::strcmp(mode, what) == 0;
}

std::atomic<Display*> freeglut_display{nullptr};
std::atomic<bool> refused_request_made{false};

// Property None does not exist: the server answers with BadAtom. Nothing
// waits for the answer; the error comes at the program's next read.
void make_refused_request(Display* display) {
  if (refused_request_made.exchange(true)) return;
  static const unsigned char text[] = "refused";
  XChangeProperty(display, DefaultRootWindow(display), None, XA_STRING, 8, PropModeReplace, text,
                  sizeof text - 1);
}

}  // namespace

void* operator new(std::size_t size) {
  if (size == kFrameBytes && failing("frame")) throw std::bad_alloc();
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

extern "C" int pthread_create(pthread_t* thread, const pthread_attr_t* attributes, void* (*start)(void*),
                              void* argument) {
  using Create = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
  static const auto real_create = reinterpret_cast<Create>(dlsym(RTLD_NEXT, "pthread_create"));
  // std::thread starts every thread through a routine of libstdc++.
  Dl_info routine{};
  if (failing("thread") && dladdr(reinterpret_cast<void*>(start), &routine) != 0 && routine.dli_fname != nullptr &&
      std::strstr(routine.dli_fname, "libstdc++") != nullptr)
    return EAGAIN;
  return real_create(thread, attributes, start, argument);
}

// The window's display is the first that freeglut opens; the program opens
// others of its own.
extern "C" Display* XOpenDisplay(const char* name) {
  using Open = Display* (*)(const char*);
  static const auto real_open = reinterpret_cast<Open>(dlsym(RTLD_NEXT, "XOpenDisplay"));
  Display* display = real_open(name);
  Dl_info caller{};
  Display* none = nullptr;
  if (display != nullptr && dladdr(__builtin_return_address(0), &caller) != 0 && caller.dli_fname != nullptr &&
      std::strstr(caller.dli_fname, "libglut") != nullptr &&
      freeglut_display.compare_exchange_strong(none, display) && failing("x_error_at_start"))
    make_refused_request(display);
  return display;
}

extern "C" int XPending(Display* display) {
  using Pending = int (*)(Display*);
  static const auto real_pending = reinterpret_cast<Pending>(dlsym(RTLD_NEXT, "XPending"));
  if (display == freeglut_display.load() && failing("x_error_later") && !refused_request_made.load()) {
    const char* file = std::getenv("FAIL_ON_DEMAND_FILE");
    if (file != nullptr && access(file, F_OK) == 0) make_refused_request(display);
  }
  return real_pending(display);
}
