// Test library, preloaded into the program (LD_PRELOAD) to make one of its
// own requests fail as on a machine out of memory or threads:
//
//   FAIL_ON_DEMAND=frame   the allocation of a 640 x 400 RGBA picture fails
//   FAIL_ON_DEMAND=thread  starting a std::thread fails with EAGAIN
//
// The sound library, Xlib and Mesa make their own allocations and threads
// in C; only the program's C++ requests are failed.
#include <dlfcn.h>
#include <pthread.h>

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
