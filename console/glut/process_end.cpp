#include "console/glut/process_end.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <exception>
#include <new>
#include <thread>

#include "console/standard_error.h"

namespace console::glut {

namespace {

// How long the sound device gets to close. OpenAL Soft's backends close in
// a few milliseconds; one that stays stuck in a write must not keep the
// process alive.
constexpr std::chrono::milliseconds kSoundClosePatience{500};

// Published by the window thread once the device is open; the signals'
// thread, started before, may take a way out at any moment.
std::atomic<SoundOutput*> sound_output{nullptr};
std::atomic<bool> ending{false};

// The first way out goes on and closes the sound device; any later one
// waits for it. Standard output carries nothing, and standard error is
// written unbuffered, so no stream is flushed (a flush would wait for the
// lock of a stream that another thread is stuck writing).
void begin_way_out() {
  if (ending.exchange(true, std::memory_order_acq_rel)) park_forever();
  if (SoundOutput* sound = sound_output.load(std::memory_order_acquire)) sound->close(kSoundClosePatience);
}

}  // namespace

void close_on_exit(SoundOutput& sound) { sound_output.store(&sound, std::memory_order_release); }

void park_forever() {
  for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
}

void end_process(int exit_code) {
  begin_way_out();
  _exit(exit_code);
}

void end_with_message(const std::string& message) {
  begin_way_out();
  write_standard_error_line("torvelin: " + message);
  _exit(kExitFailure);
}

void end_by_signal(int signal_number) {
  begin_way_out();
  std::signal(signal_number, SIG_DFL);
  sigset_t only_this;
  sigemptyset(&only_this);
  sigaddset(&only_this, signal_number);
  pthread_sigmask(SIG_UNBLOCK, &only_this, nullptr);
  raise(signal_number);
  _exit(128 + signal_number);  // a signal whose default action does not end the process
}

std::string failure_text(const std::string& whose) {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    return "Out of memory";
  } catch (const std::exception& error) {
    return whose + " failed: " + error.what();
  } catch (...) {
    return whose + " failed with an unknown exception";
  }
}

}  // namespace console::glut
