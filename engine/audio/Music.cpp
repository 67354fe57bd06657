#include "Music.h"

#include <exception>

#include <SFML/Audio/InputSoundFile.hpp>

#include "AudioDevice.h"
#include "AudioFile.h"
#include "LogManager.h"
#include "RegularFile.h"
#include "utility.h"

namespace sb {

Music::Music() : label("[Undefined]") {}

Music::~Music() {
  if (p_music) p_music->stop();
}

int Music::loadMusic(std::string filename) {
  const char *const caller = "Music::loadMusic()";
  LogManager &log = LogManager::getInstance();
  int status = RegularFile::status(filename);
  if (status == -2)
    log.writeLog("%s: Error! '%s' is not a regular file.", caller, filename.c_str());
  if (status != 0 || !AudioFile::wavChunksSafe(filename, caller)) return -1;
  try {
    // The header first: the stream keeps a second of samples in memory, as
    // many as the header's rate and channels ask for.
    {
      sf::InputSoundFile header;
      if (!header.openFromFile(filename)) return -1;
      if (!AudioFile::formatPlayable(header.getChannelCount(), header.getSampleRate(), caller,
                                     filename))
        return -1;
    }
    std::unique_ptr<sf::Music> p_new(new sf::Music);
    if (!p_new->openFromFile(filename)) return -1;
    if (p_music) p_music->stop();
    p_music = std::move(p_new);
    return 0;
  } catch (const std::exception &e) {
    log.writeLog("%s: Error! '%s' failed: %s.", caller, filename.c_str(), e.what());
  } catch (...) {
    log.writeLog("%s: Error! '%s' failed.", caller, filename.c_str());
  }
  return -1;
}

void Music::play(bool loop) {
  LogManager::getInstance().writeLog(5, "Music::play(): Playing music.");
  // Without a device SFML's streaming thread would spin on failing calls.
  if (!p_music || !AudioDevice::isOpen()) return;
  // Looping is set first so that a short track cannot end before it loops.
  p_music->setLoop(loop);
  p_music->play();
}

void Music::stop() {
  LogManager::getInstance().writeLog(5, "Music::stop(): Stopping music.");
  if (p_music) p_music->stop();
}

void Music::pause() {
  LogManager::getInstance().writeLog(5, "Music::pause(): Pausing music.");
  if (p_music) p_music->pause();
}

sf::SoundSource::Status Music::getStatus() const {
  return p_music ? p_music->getStatus() : sf::SoundSource::Stopped;
}

sf::Music *Music::getMusic() {
  if (!p_music) p_music.reset(new sf::Music);
  return p_music.get();
}

}  // namespace sb
