#include "console/glut/wake_up.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace console::glut {

WakeUp::WakeUp() : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
  if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "cannot make an eventfd");
}

WakeUp::~WakeUp() { close(fd_); }

void WakeUp::signal() {
  if (pending_.exchange(true, std::memory_order_acq_rel)) return;
  const uint64_t one = 1;
  // Fails only when the counter is full, and then a wake-up is pending anyway.
  [[maybe_unused]] const ssize_t written = write(fd_, &one, sizeof one);
}

void WakeUp::clear() {
  // Drained first, then marked as not pending: a signal between the two
  // finds it still pending and writes nothing, and what it announced is
  // seen through the exchange; a signal after the exchange writes again. The
  // other order would lose a signal whose write the read took.
  uint64_t count = 0;
  [[maybe_unused]] const ssize_t read_bytes = read(fd_, &count, sizeof count);
  pending_.exchange(false, std::memory_order_acq_rel);
}

}  // namespace console::glut
