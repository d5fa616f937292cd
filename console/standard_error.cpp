#include "console/standard_error.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <string>

namespace console {

void write_standard_error_line(std::string_view line, std::chrono::milliseconds patience) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + patience;
  std::string text(line);
  text += '\n';
  std::size_t written = 0;
  while (written < text.size()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left < 0) return;
    pollfd standard_error{STDERR_FILENO, POLLOUT, 0};
    const int ready = poll(&standard_error, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || (standard_error.revents & POLLOUT) == 0) return;  // no room in time, closed or broken
    const std::size_t chunk = std::min<std::size_t>(text.size() - written, PIPE_BUF);
    const ssize_t count = write(STDERR_FILENO, text.data() + written, chunk);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return;
    written += static_cast<std::size_t>(count);
  }
}

}  // namespace console
