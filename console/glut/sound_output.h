// The beep's sound output: OpenAL Soft's default device with one streaming
// source, fed with a queued buffer per tone. Every call into OpenAL after
// the device opens runs on a thread of the sound output's own, so that a
// device that stalls (a sound server that stopped reading, a full pipe)
// holds up neither the calculator nor the window: they hand over tones
// and the close, and wait for the close only as long as they choose.
// Where the device offers ALC_SOFT_pause_device it is paused while no tone
// plays, so its mixer does not run for silence.
#pragma once

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

namespace console::glut {

class SoundOutput {
 public:
  enum class OpenResult { kOpened, kNoDevice, kNoContext };

  SoundOutput() = default;
  SoundOutput(const SoundOutput&) = delete;
  SoundOutput& operator=(const SoundOutput&) = delete;

  // Opens the default device and its context, sets up the listener and
  // starts the sound thread, which pauses the device until the first tone.
  // Throws std::system_error (the device closed again) when that thread
  // cannot be started.
  OpenResult open();
  // Any thread: hands interleaved 16-bit stereo samples to the sound thread
  // and returns at once. Ignored once the close has begun.
  void play(const std::vector<int16_t>& interleaved_stereo, int sample_rate);
  // Any thread, more than once: has the sound thread stop the source and
  // close the device, and waits for that at most `patience`. True when the
  // device is closed (or never opened).
  bool close(std::chrono::milliseconds patience);

 private:
  struct Tone {
    std::vector<int16_t> samples;
    int sample_rate = 0;
  };
  using Clock = std::chrono::steady_clock;

  // The sound thread: run(), and on an exception the device closed and
  // the process ended with one line.
  void run_to_the_end();
  void run();
  void queue_tone(const Tone& tone);
  void reclaim_played_buffers();
  bool source_playing();
  void pause_device();
  void close_device();

  // Shared with the callers, under the lock.
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Tone> tones_;
  bool closing_ = false;
  bool closed_ = true;  // until a device opens

  // The sound thread's alone once it runs.
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
};

}  // namespace console::glut
