// The file table's line reader over arbitrary bytes, read from a memory
// file through its /proc/self/fd name.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "console/files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int fd = ::memfd_create("fuzz_lines", MFD_CLOEXEC);
  if (fd < 0) std::abort();
  for (size_t written = 0; written < size;) {
    const ssize_t put = ::write(fd, data + written, size - written);
    if (put <= 0) std::abort();
    written += static_cast<size_t>(put);
  }

  console::FileTable files;
  if (files.open("/proc/self/fd/" + std::to_string(fd), 1) != 0) std::abort();
  std::size_t line_bytes = 0;
  std::size_t lines = 0;
  for (;;) {
    console::Text line = "stale";
    const int32_t result = files.read_line(1, line);
    if (result == 62) {
      if (!line.empty()) std::abort();
      if (files.read_line(1, line) != 62) std::abort();  // the end stays
      break;
    }
    if (result != 0) std::abort();
    if (line.size() > console::FileTable::kMaxLineBytes) std::abort();
    if (line.find_first_of("\r\n\x1a") != console::Text::npos) std::abort();
    line_bytes += line.size();
    if (line_bytes > size) std::abort();
    // Every line takes at least one byte of the file.
    if (++lines > size) std::abort();
  }
  files.close_all();
  ::close(fd);
  return 0;
}
