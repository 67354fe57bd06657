#include "Sound.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "AudioDevice.h"
#include "AudioFile.h"
#include "LogManager.h"
#include "RegularFile.h"
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

namespace {

const char *const LOAD_SOUND = "Sound::loadSound()";

// Reads all the samples file claims into samples. A claim beyond
// MAX_SOUND_SAMPLES is refused before anything is read; a file that holds
// fewer than it claims is found out after reading what it holds. Samples are
// read in chunks, so memory grows only with what the file really holds.
bool readSamples(sf::InputSoundFile &file, const std::string &name,
                 std::vector<sf::Int16> &samples) {
  LogManager &log = LogManager::getInstance();
  sf::Uint64 claimed = file.getSampleCount();
  if (claimed > static_cast<sf::Uint64>(MAX_SOUND_SAMPLES)) {
    log.writeLog("%s: Error! '%s' claims %llu samples, more than %lld.", LOAD_SOUND, name.c_str(),
                 static_cast<unsigned long long>(claimed), MAX_SOUND_SAMPLES);
    return false;
  }
  const sf::Uint64 chunk = 65536;
  while (samples.size() < claimed) {
    size_t at = samples.size();
    size_t wanted = static_cast<size_t>(std::min(chunk, claimed - at));
    samples.resize(at + wanted);
    sf::Uint64 got = file.read(samples.data() + at, wanted);
    samples.resize(at + static_cast<size_t>(std::min<sf::Uint64>(got, wanted)));
    if (got < wanted) break;
  }
  if (samples.size() < claimed) {
    log.writeLog("%s: Error! '%s' holds %llu of the %llu samples it claims.", LOAD_SOUND,
                 name.c_str(), static_cast<unsigned long long>(samples.size()),
                 static_cast<unsigned long long>(claimed));
    return false;
  }
  return true;
}

// Runs a load, turning any exception (such as std::bad_alloc from a decoder)
// into a logged -1: none may leave the engine.
template <class Load>
int guarded(const std::string &name, Load load) {
  try {
    return load();
  } catch (const std::exception &e) {
    LogManager::getInstance().writeLog("%s: Error! '%s' failed: %s.", LOAD_SOUND, name.c_str(),
                                       e.what());
  } catch (...) {
    LogManager::getInstance().writeLog("%s: Error! '%s' failed.", LOAD_SOUND, name.c_str());
  }
  return -1;
}

}  // namespace

int Sound::loadFrom(sf::InputSoundFile &file, const std::string &name) {
  unsigned channels = file.getChannelCount(), rate = file.getSampleRate();
  if (!AudioFile::formatPlayable(channels, rate, LOAD_SOUND, name)) return -1;
  std::vector<sf::Int16> samples;
  if (!readSamples(file, name, samples)) return -1;
  std::unique_ptr<sf::SoundBuffer> p_new(new sf::SoundBuffer);
  if (!p_new->loadFromSamples(samples.data(), samples.size(), channels, rate)) return -1;
  release();
  p_buffer = std::move(p_new);
  p_sound.reset(new sf::Sound(*p_buffer));
  return 0;
}

int Sound::loadSound(std::string filename) {
  int status = RegularFile::status(filename);
  if (status == -2)
    LogManager::getInstance().writeLog("%s: Error! '%s' is not a regular file.", LOAD_SOUND,
                                       filename.c_str());
  if (status != 0 || !AudioFile::wavChunksSafe(filename, LOAD_SOUND)) return -1;
  return guarded(filename, [&] {
    sf::InputSoundFile file;
    return file.openFromFile(filename) ? loadFrom(file, filename) : -1;
  });
}

int Sound::loadSound(const void *data, std::size_t size) {
  const std::string name = "[memory]";
  if (!AudioFile::wavChunksSafe(data, size, LOAD_SOUND, name)) return -1;
  return guarded(name, [&] {
    sf::InputSoundFile file;
    return file.openFromMemory(data, size) ? loadFrom(file, name) : -1;
  });
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
  if (!p_sound || !AudioDevice::isOpen()) return;
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
