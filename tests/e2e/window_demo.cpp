// Test program for the window tests: the real window host running a small
// procedure instead of the calculator.
//
//   torvelin_window_demo keys          shows every key press as its byte codes
//   torvelin_window_demo beep          beeps once, then as "keys"
//   torvelin_window_demo block <fifo>  blocks in a read of <fifo> (a slow file)
//   torvelin_window_demo halt          at a key press, ends the run itself with
//                                      exit code 1
//   torvelin_window_demo fatal         runs out of memory (a fatal error)
//   torvelin_window_demo throw         at a key press, throws an exception out
//                                      of the procedure
//
// Screen: row 1 the caption in colour 14, row 2 the digits 1 to F each in
// its own colour, row 3 "Ready" (or "Beeped", "Blocking", "Throwing"), then
// one row per key press, e.g. [0 72] for Up.
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <string>

#include "console/glut/run_windowed.h"

namespace {

void wait_for_key(console::Platform& platform) {
  while (platform.string_inkey().empty()) {
    platform.await_key();
    platform.statement_hook(__LINE__);
  }
}

void show_key_codes(console::Platform& platform) {
  for (;;) {
    const console::Text key = platform.string_inkey();
    if (key.empty()) {
      platform.await_key();
    } else {
      std::string codes;
      for (unsigned char byte : key) codes += (codes.empty() ? "" : " ") + std::to_string(byte);
      platform.color_set(7);
      platform.print_string("[" + codes + "]", true);
    }
    platform.statement_hook(__LINE__);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "keys";
  const std::string fifo = argc > 2 ? argv[2] : "";
  console::glut::run_windowed(argv[0], [mode, fifo](console::Platform& platform) {
    platform.clear_screen();
    platform.set_window_title("Torvelin window test");
    platform.color_set(14);
    platform.print_string("Torvelin window test", true);
    for (int colour = 1; colour < 16; ++colour) {
      platform.color_set(colour);
      platform.print_string(std::string(1, "0123456789ABCDEF"[colour]), false);
    }
    platform.print_string("", true);
    platform.color_set(7);
    if (mode == "beep") {
      platform.beep();
      platform.print_string("Beeped", true);
    } else if (mode == "block") {
      platform.print_string("Blocking", true);
      // Opening a FIFO without a writer blocks in the kernel, as a slow
      // network file would.
      const int fd = ::open(fifo.c_str(), O_RDONLY);
      char byte = 0;
      if (fd >= 0 && ::read(fd, &byte, 1) >= 0) ::close(fd);
    } else if (mode == "fatal") {
      platform.error_raise(console::kOutOfMemory);
    } else if (mode == "throw") {
      platform.print_string("Throwing", true);
      wait_for_key(platform);
      throw std::runtime_error("thrown on purpose");
    } else if (mode == "halt") {
      platform.print_string("Halting", true);
      wait_for_key(platform);
      platform.request_stop(1);
      platform.program_halt();
    } else {
      platform.print_string("Ready", true);
    }
    platform.statement_hook(__LINE__);
    show_key_codes(platform);
  });
}
