// Sound files: the input is loaded as one sound file from memory, through the
// same checks as a file on disk (the header's claims first, then the samples
// in chunks). A sound that loads must be within the limits and play; nothing
// may throw, hang or grow beyond what the limits allow.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <SFML/Audio/SoundBuffer.hpp>
#include <SFML/System/Err.hpp>

#include "Constants.h"
#include "LogManager.h"
#include "Sound.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  setenv("SORBELANE_LOG", "/dev/null", 1);
  setenv("ALSOFT_DRIVERS", "null", 1);  // no sound card needed, nothing heard
  sb::LogManager::getInstance().setLogLevel(5);
  sb::LogManager::getInstance().startUp();
  sf::err().rdbuf(nullptr);  // SFML's complaint about every bad input, unread
  // Keeps the audio device open: SFML would close and reopen it for each
  // input otherwise.
  static sf::SoundBuffer keep_device;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  sb::Sound sound;
  if (sound.loadSound(data, size) != 0) {
    if (sound.isLoaded()) std::abort();  // a refused load leaves the sound as it was
    return 0;
  }
  sf::Sound played = sound.getSound();
  const sf::SoundBuffer *p_buffer = played.getBuffer();
  if (!p_buffer || p_buffer->getSampleCount() == 0 ||
      p_buffer->getSampleCount() > static_cast<sf::Uint64>(sb::MAX_SOUND_SAMPLES) ||
      p_buffer->getChannelCount() < 1 || p_buffer->getChannelCount() > sb::MAX_AUDIO_CHANNELS)
    std::abort();
  sound.play(false);
  sound.stop();
  return 0;
}
