#include "console/glut/ending_signals.h"

#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <system_error>
#include <thread>

#include "console/glut/process_end.h"

namespace console::glut {

namespace {

// How long the usual way out gets before the signal's thread takes over.
// That way waits a quarter of a second for the calculator's thread and half
// a second for the sound device.
constexpr std::chrono::milliseconds kUsualWayPatience{1000};

int signal_fd = -1;
std::atomic<int> signal_received{0};

[[noreturn]] void take_one(sigset_t ending) {
  int number = -1;
  while (number < 0) number = sigwaitinfo(&ending, nullptr);  // only EINTR fails here
  signal_received.store(number, std::memory_order_release);
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = write(signal_fd, &one, sizeof one);
  std::this_thread::sleep_for(kUsualWayPatience);
  end_by_signal(number);
}

}  // namespace

void EndingSignals::take() {
  sigset_t ending;
  sigemptyset(&ending);
  bool any = false;
  for (int number : {SIGTERM, SIGINT, SIGHUP}) {
    struct sigaction inherited {};
    if (sigaction(number, nullptr, &inherited) == 0 && inherited.sa_handler != SIG_IGN) {
      sigaddset(&ending, number);
      any = true;
    }
  }
  if (!any) return;
  signal_fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (signal_fd < 0) throw std::system_error(errno, std::generic_category(), "cannot make an eventfd");
  pthread_sigmask(SIG_BLOCK, &ending, nullptr);
  // The process ends through _exit or the signal, whatever the thread does.
  std::thread([ending] { take_one(ending); }).detach();
}

int EndingSignals::fd() { return signal_fd; }

int EndingSignals::received() { return signal_received.load(std::memory_order_acquire); }

}  // namespace console::glut
