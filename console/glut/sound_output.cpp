#include "console/glut/sound_output.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <system_error>
#include <thread>

#include "console/glut/process_end.h"

namespace console::glut {

namespace {

// How long the source must have been silent before the device pauses. A
// backend mixes ahead of what the sound card has played (a period or more),
// so the source reports "stopped" while the tone's last part still waits in
// the backend's buffer; pausing then would cut it off. Half a second is
// far longer than such a buffer, and short enough that the mixer rests
// soon after a 0.2 s beep.
constexpr std::chrono::milliseconds kPauseMargin{500};
// Tones handed over while the device cannot take them (it stalls) wait up
// to this number; later ones are dropped.
constexpr std::size_t kMostWaitingTones = 8;

// OpenAL Soft's wave writer backend (1.19) writes the lengths into its file's
// header when it is paused and, resumed, goes on writing its samples where
// that left the file, over the header; so it is never paused.
bool is_wave_writer(ALCdevice* device) {
  if (!alcIsExtensionPresent(device, "ALC_ENUMERATE_ALL_EXT")) return false;
  const ALCchar* name = alcGetString(device, ALC_ALL_DEVICES_SPECIFIER);
  return name != nullptr && std::strcmp(name, "Wave File Writer") == 0;
}

}  // namespace

SoundOutput::OpenResult SoundOutput::open() {
  device_ = alcOpenDevice(nullptr);
  if (device_ == nullptr) return OpenResult::kNoDevice;
  context_ = alcCreateContext(device_, nullptr);
  if (context_ == nullptr || !alcMakeContextCurrent(context_)) {
    if (context_ != nullptr) alcDestroyContext(context_);
    context_ = nullptr;
    alcCloseDevice(device_);
    device_ = nullptr;
    return OpenResult::kNoContext;
  }
  // The tone is not placed in space: listener at the origin, no attenuation.
  alListener3f(AL_POSITION, 0.0f, 0.0f, 0.0f);
  alDistanceModel(AL_NONE);
  alGetError();
  alGenSources(1, &source_);
  have_source_ = alGetError() == AL_NO_ERROR;
  // Without the extension the device simply runs all the time.
  if (alcIsExtensionPresent(device_, "ALC_SOFT_pause_device") && !is_wave_writer(device_)) {
    device_pause_ = reinterpret_cast<LPALCDEVICEPAUSESOFT>(alcGetProcAddress(device_, "alcDevicePauseSOFT"));
    device_resume_ = reinterpret_cast<LPALCDEVICERESUMESOFT>(alcGetProcAddress(device_, "alcDeviceResumeSOFT"));
    if (device_pause_ == nullptr || device_resume_ == nullptr) {
      device_pause_ = nullptr;
      device_resume_ = nullptr;
    }
  }
  closed_ = false;
  try {
    // The process ends through _exit, whatever the thread is doing then.
    std::thread([this] { run_to_the_end(); }).detach();
  } catch (const std::system_error&) {
    close_device();
    closed_ = true;
    throw;
  }
  return OpenResult::kOpened;
}

void SoundOutput::play(const std::vector<int16_t>& interleaved_stereo, int sample_rate) {
  if (interleaved_stereo.empty()) return;
  {
    std::lock_guard lock(mutex_);
    if (closing_ || closed_ || tones_.size() >= kMostWaitingTones) return;
    tones_.push_back({interleaved_stereo, sample_rate});
  }
  changed_.notify_all();
}

bool SoundOutput::close(std::chrono::milliseconds patience) {
  std::unique_lock lock(mutex_);
  closing_ = true;
  changed_.notify_all();
  return changed_.wait_for(lock, patience, [this] { return closed_; });
}

void SoundOutput::run_to_the_end() {
  try {
    run();
  } catch (...) {
    // The device is this thread's: it closes it before the process ends,
    // so that the way out does not wait for a close that nobody makes.
    const std::string line = failure_text("the sound thread");
    {
      std::lock_guard lock(mutex_);
      closing_ = true;
    }
    close_device();
    {
      std::lock_guard lock(mutex_);
      closed_ = true;
    }
    changed_.notify_all();
    end_with_message(line);
  }
}

void SoundOutput::run() {
  pause_device();  // no tone plays yet
  // When to look whether the source has gone silent; never while paused.
  bool pause_check_set = false;
  Clock::time_point pause_check{};
  const auto something_to_do = [this] { return closing_ || !tones_.empty(); };
  std::unique_lock lock(mutex_);
  for (;;) {
    if (pause_check_set) {
      changed_.wait_until(lock, pause_check, something_to_do);
    } else {
      changed_.wait(lock, something_to_do);
    }
    if (closing_) break;
    if (!tones_.empty()) {
      const Tone tone = std::move(tones_.front());
      tones_.pop_front();
      lock.unlock();
      queue_tone(tone);
      lock.lock();
      const auto length = std::chrono::milliseconds(
          static_cast<int64_t>(tone.samples.size()) * 1000 / 2 / std::max(tone.sample_rate, 1));
      pause_check_set = device_pause_ != nullptr;
      pause_check = Clock::now() + length + kPauseMargin;
      continue;
    }
    if (!pause_check_set || Clock::now() < pause_check) continue;
    lock.unlock();
    const bool playing = source_playing();
    if (!playing) pause_device();
    lock.lock();
    pause_check_set = playing;
    pause_check = Clock::now() + kPauseMargin;
  }
  lock.unlock();
  close_device();
  lock.lock();
  closed_ = true;
  changed_.notify_all();
}

void SoundOutput::pause_device() {
  if (device_pause_ == nullptr || device_paused_) return;
  device_pause_(device_);
  device_paused_ = true;
}

bool SoundOutput::source_playing() {
  ALint state = AL_STOPPED;
  if (have_source_) alGetSourcei(source_, AL_SOURCE_STATE, &state);
  return state == AL_PLAYING;
}

void SoundOutput::reclaim_played_buffers() {
  ALint processed = 0;
  alGetSourcei(source_, AL_BUFFERS_PROCESSED, &processed);
  while (processed-- > 0) {
    ALuint buffer = 0;
    alSourceUnqueueBuffers(source_, 1, &buffer);
    if (alGetError() != AL_NO_ERROR) break;
    free_buffers_.push_back(buffer);
  }
}

void SoundOutput::queue_tone(const Tone& tone) {
  if (!have_source_) return;
  if (device_paused_) {
    device_resume_(device_);
    device_paused_ = false;
  }
  alGetError();
  reclaim_played_buffers();
  ALuint buffer = 0;
  if (!free_buffers_.empty()) {
    buffer = free_buffers_.back();
    free_buffers_.pop_back();
  } else {
    alGenBuffers(1, &buffer);
    if (alGetError() != AL_NO_ERROR) return;
    buffers_.push_back(buffer);
  }
  alBufferData(buffer, AL_FORMAT_STEREO16, tone.samples.data(),
               static_cast<ALsizei>(tone.samples.size() * sizeof(int16_t)), tone.sample_rate);
  alSourceQueueBuffers(source_, 1, &buffer);
  if (alGetError() != AL_NO_ERROR) {
    free_buffers_.push_back(buffer);
    return;
  }
  if (!source_playing()) alSourcePlay(source_);
}

void SoundOutput::close_device() {
  if (device_ == nullptr) return;
  if (have_source_) {
    alSourceStop(source_);
    alSourcei(source_, AL_BUFFER, 0);
    alDeleteSources(1, &source_);
    have_source_ = false;
  }
  if (!buffers_.empty()) alDeleteBuffers(static_cast<ALsizei>(buffers_.size()), buffers_.data());
  buffers_.clear();
  free_buffers_.clear();
  alcMakeContextCurrent(nullptr);
  alcDestroyContext(context_);
  context_ = nullptr;
  alcCloseDevice(device_);  // closes a paused device as well
  device_ = nullptr;
}

}  // namespace console::glut
