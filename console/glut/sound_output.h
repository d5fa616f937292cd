// The beep's sound output: OpenAL Soft's default device with one streaming
// source, fed with a queued buffer per tone. Used from the calculator's
// thread (play) and the main thread (open, pause_when_silent, close);
// guarded by a lock. Where the device offers ALC_SOFT_pause_device it is
// paused while no tone plays, so its mixer does not run for silence.
#pragma once

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

namespace console::glut {

class SoundOutput {
 public:
  enum class OpenResult { kOpened, kNoDevice, kNoContext };

  SoundOutput() = default;
  SoundOutput(const SoundOutput&) = delete;
  SoundOutput& operator=(const SoundOutput&) = delete;
  ~SoundOutput() { close(); }

  // Opens the default device and its context, sets up the listener and
  // pauses the device until the first tone.
  OpenResult open();
  // Resumes the device, queues interleaved 16-bit stereo samples on the
  // source and starts it when it is not playing; returns at once. Ignored
  // when closed or when the device gave no source.
  void play(const std::vector<int16_t>& interleaved_stereo, int sample_rate);
  // Window thread, about 60 times a second: pauses the device once the
  // source has been silent for a margin.
  void pause_when_silent();
  // Stops the source and closes the device; safe to call more than once.
  void close();

 private:
  void reclaim_played_buffers();
  void pause_device();

  std::mutex mutex_;
  ALCdevice* device_ = nullptr;
  ALCcontext* context_ = nullptr;
  ALuint source_ = 0;
  bool have_source_ = false;
  std::vector<ALuint> buffers_;       // every buffer made, deleted at close
  std::vector<ALuint> free_buffers_;  // played and unqueued, ready for reuse
  // ALC_SOFT_pause_device's entry points; null where the device lacks it.
  LPALCDEVICEPAUSESOFT device_pause_ = nullptr;
  LPALCDEVICERESUMESOFT device_resume_ = nullptr;
  bool device_paused_ = false;
  // When a tone was last queued or seen playing.
  std::chrono::steady_clock::time_point last_sound_;
};

}  // namespace console::glut
