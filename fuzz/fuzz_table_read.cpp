// A whole table read from arbitrary bytes: the layout check, the second
// pass, the integration and the results screen over a headless platform,
// with the error handler entered where the run loop would enter it.
//
// Input: the first byte chooses the form. When its low three bits are 001,
// bytes 1 to 8 give the two temperatures and the rest fills the gain fields
// (columns 26 to 35) of every data line of a table that is right in all
// else, so that the run goes through the integration and the results
// screen; such a run is slow, so only one first byte in eight makes one.
// Otherwise the rest is the file as it is.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "calculator/calculator.h"
#include "console/headless_host.h"
#include "console/platform.h"

namespace {

// A temperature that the dialogue would accept: 0 to 9,999,999 K.
float temperature_from(const uint8_t* bytes) {
  uint32_t raw = 0;
  std::memcpy(&raw, bytes, sizeof raw);
  return static_cast<float>(raw % 10000000u) + static_cast<float>(raw >> 28) / 16.0f;
}

// A table whose gain fields take the input bytes in turn (line-end bytes
// become blanks, so that every line stays where it belongs).
std::string table_with_fields(const uint8_t* bytes, size_t size) {
  std::string file;
  file.reserve(2500000);
  for (int i = 1; i <= 9; ++i) file += "free line\r\n";
  size_t next = 0;
  char azimuth[8];
  for (int theta = 180; theta >= 0; --theta) {
    file += "Theta\r\nAzimuth  Theta  Gain\r\n\r\n";
    for (int a = 0; a <= 360; ++a) {
      std::snprintf(azimuth, sizeof azimuth, "%3d", a);
      file += azimuth;
      file.append(22, ' ');
      for (int column = 0; column < 10; ++column) {
        char c = size == 0 ? ' ' : static_cast<char>(bytes[next++ % size]);
        if (c == '\r' || c == '\n' || c == 26) c = ' ';
        file += c;
      }
      file += "\r\n";
    }
  }
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool whole_table = (data[0] & 7) == 1;
  float sky = 290, earth = 10;
  std::string file;
  if (whole_table) {
    if (size < 9) return 0;
    sky = temperature_from(data + 1);
    earth = temperature_from(data + 5);
    file = table_with_fields(data + 9, size - 9);
  } else {
    file.assign(reinterpret_cast<const char*>(data + 1), size - 1);
  }

  const int fd = ::memfd_create("fuzz_table", MFD_CLOEXEC);
  if (fd < 0) std::abort();
  for (size_t written = 0; written < file.size();) {
    const ssize_t put = ::write(fd, file.data() + written, file.size() - written);
    if (put <= 0) std::abort();
    written += static_cast<size_t>(put);
  }

  // No keys are scripted: the first key wait (a notice, the results screen,
  // the closing path) makes the host close the window, which ends the run.
  // Each input gets a fresh host, platform and calculator, made in the same
  // static storage every time so that the calculator's megabyte of arrays
  // is not mapped anew for every input.
  static std::optional<console::HeadlessHost> host_storage;
  static std::optional<console::Platform> platform_storage;
  static std::optional<calculator::Calculator> calc_storage;
  calc_storage.reset();
  platform_storage.reset();
  console::HeadlessHost& host = host_storage.emplace();
  console::Platform& platform = platform_storage.emplace(host);
  calculator::Calculator* calc = &calc_storage.emplace(platform);
  const int exit_code = console::run_program(platform, [&](console::Platform&) {
    calc->start_of_run();
    calc->sky_temperature = sky;
    calc->earth_temperature = earth;
    calc->table_file_name = "/proc/self/fd/" + std::to_string(fd);
    try {
      if (calc->check_table_layout() && calc->extract_gains()) {
        calc->compute_average_gain();
        calc->show_results();
      }
    } catch (const console::ErrorDelivered&) {
      calc->error_handler();
    }
  });
  // Only a stop from the window ends this run, never a fatal error.
  if (exit_code != 0 || !host.fatal_messages.empty()) std::abort();
  ::close(fd);
  return 0;
}
