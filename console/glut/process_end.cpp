#include "console/glut/process_end.h"

#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>

namespace console::glut {

namespace {

// How long the sound device gets to close. OpenAL Soft's backends close in
// a few milliseconds; one that stays stuck in a write must not keep the
// process alive.
constexpr std::chrono::milliseconds kSoundClosePatience{500};

SoundOutput* sound_output = nullptr;

void close_sound() {
  if (sound_output != nullptr) sound_output->close(kSoundClosePatience);
}

// Only the program's own streams: fflush(nullptr) would also wait for a
// stream that a stalled sound backend is writing.
void flush_own_streams() {
  std::fflush(stdout);
  std::fflush(stderr);
}

}  // namespace

void close_on_exit(SoundOutput& sound) { sound_output = &sound; }

void end_process(int exit_code) {
  close_sound();
  flush_own_streams();
  _exit(exit_code);
}

void end_with_message(const std::string& message) {
  close_sound();
  std::fprintf(stderr, "torvelin: %s\n", message.c_str());
  flush_own_streams();
  _exit(kExitFailure);
}

void end_by_signal(int signal_number) {
  close_sound();
  flush_own_streams();
  std::signal(signal_number, SIG_DFL);
  sigset_t only_this;
  sigemptyset(&only_this);
  sigaddset(&only_this, signal_number);
  pthread_sigmask(SIG_UNBLOCK, &only_this, nullptr);
  raise(signal_number);
  _exit(128 + signal_number);  // a signal whose default action does not end the process
}

}  // namespace console::glut
