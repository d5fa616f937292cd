#include "console/glut/sound_output.h"

#include <cstring>

namespace console::glut {

namespace {

// How long the source must have been silent before the device pauses. A
// backend mixes ahead of what the sound card has played (a period or more),
// so the source reports "stopped" while the tone's last part still waits in
// the backend's buffer; pausing then would cut it off. Half a second is
// far longer than such a buffer, and short enough that the mixer rests
// soon after a 0.2 s beep.
constexpr std::chrono::milliseconds kPauseMargin{500};

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
  std::lock_guard lock(mutex_);
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
  pause_device();  // no tone plays yet
  return OpenResult::kOpened;
}

void SoundOutput::pause_device() {
  if (device_pause_ == nullptr || device_paused_) return;
  device_pause_(device_);
  device_paused_ = true;
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

void SoundOutput::play(const std::vector<int16_t>& interleaved_stereo, int sample_rate) {
  std::lock_guard lock(mutex_);
  if (!have_source_ || interleaved_stereo.empty()) return;
  if (device_paused_) {
    device_resume_(device_);
    device_paused_ = false;
  }
  last_sound_ = std::chrono::steady_clock::now();
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
  alBufferData(buffer, AL_FORMAT_STEREO16, interleaved_stereo.data(),
               static_cast<ALsizei>(interleaved_stereo.size() * sizeof(int16_t)), sample_rate);
  alSourceQueueBuffers(source_, 1, &buffer);
  if (alGetError() != AL_NO_ERROR) {
    free_buffers_.push_back(buffer);
    return;
  }
  ALint state = 0;
  alGetSourcei(source_, AL_SOURCE_STATE, &state);
  if (state != AL_PLAYING) alSourcePlay(source_);
}

void SoundOutput::pause_when_silent() {
  std::lock_guard lock(mutex_);
  if (device_ == nullptr || device_paused_ || device_pause_ == nullptr) return;
  const auto now = std::chrono::steady_clock::now();
  ALint state = AL_STOPPED;
  if (have_source_) alGetSourcei(source_, AL_SOURCE_STATE, &state);
  if (state == AL_PLAYING) {
    last_sound_ = now;
  } else if (now - last_sound_ >= kPauseMargin) {
    pause_device();
  }
}

void SoundOutput::close() {
  std::lock_guard lock(mutex_);
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
  device_pause_ = nullptr;
  device_resume_ = nullptr;
  device_paused_ = false;
}

}  // namespace console::glut
