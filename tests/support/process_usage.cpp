#include "support/process_usage.h"

#include <malloc.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#ifdef TORVELIN_ADDRESS_SANITIZER
extern "C" void __sanitizer_purge_allocator();
#endif

int open_descriptor_count() {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
  return count;
}

int64_t resident_kib() {
  std::ifstream statm("/proc/self/statm");
  int64_t size_pages = 0, resident_pages = 0;
  statm >> size_pages >> resident_pages;
  return resident_pages * (::sysconf(_SC_PAGESIZE) / 1024);
}

int64_t peak_resident_kib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) != 0) continue;
    std::istringstream fields(line.substr(6));
    int64_t kib = 0;
    fields >> kib;
    return kib;
  }
  return -1;
}

void reset_peak_resident() {
  // "5" resets the peak resident size of the process.
  std::ofstream("/proc/self/clear_refs") << "5";
}

void release_freed_memory() {
#ifdef TORVELIN_ADDRESS_SANITIZER
  __sanitizer_purge_allocator();
#endif
  ::malloc_trim(0);
}
