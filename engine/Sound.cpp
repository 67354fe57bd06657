#include "Sound.h"

#include "LogManager.h"
#include "utility.h"

namespace sb {

Sound::Sound() : label("[Undefined]") {}

Sound::~Sound() { release(); }

Sound::Sound(const Sound &other) : label(other.label) {
  if (other.p_buffer) loadSound(*other.p_buffer);
}

Sound &Sound::operator=(const Sound &other) {
  if (this == &other) return *this;
  release();
  if (other.p_buffer) loadSound(*other.p_buffer);
  label = other.label;
  return *this;
}

// Stops the sound and detaches it from its buffer before either is freed.
void Sound::release() {
  if (p_sound) {
    p_sound->stop();
    p_sound->resetBuffer();
  }
  p_sound.reset();
  p_buffer.reset();
}

int Sound::loadSound(std::string filename) {
  std::unique_ptr<sf::SoundBuffer> p_new(new sf::SoundBuffer);
  if (!p_new->loadFromFile(filename)) return -1;
  release();
  p_buffer = std::move(p_new);
  p_sound.reset(new sf::Sound(*p_buffer));
  return 0;
}

int Sound::loadSound(const sf::SoundBuffer &buffer) {
  std::unique_ptr<sf::SoundBuffer> p_new(new sf::SoundBuffer(buffer));
  release();
  p_buffer = std::move(p_new);
  p_sound.reset(new sf::Sound(*p_buffer));
  return 0;
}

void Sound::play(bool loop) {
  LogManager::getInstance().writeLog(5, "Sound::play(): Playing sound.");
  if (!p_sound || !audioDeviceOpen()) return;
  // Looping is set first: a very short sound could end before a later call.
  p_sound->setLoop(loop);
  p_sound->play();
}

void Sound::stop() {
  if (p_sound) p_sound->stop();
}

void Sound::pause() {
  if (p_sound) p_sound->pause();
}

sf::SoundSource::Status Sound::getStatus() const {
  return p_sound ? p_sound->getStatus() : sf::SoundSource::Stopped;
}

sf::Sound Sound::getSound() const { return p_sound ? *p_sound : sf::Sound(); }

}  // namespace sb
