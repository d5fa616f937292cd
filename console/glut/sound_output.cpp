#include "console/glut/sound_output.h"

namespace console::glut {

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
  return OpenResult::kOpened;
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

void SoundOutput::pause_when_silent() {}

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
  alcCloseDevice(device_);
  device_ = nullptr;
}

}  // namespace console::glut
