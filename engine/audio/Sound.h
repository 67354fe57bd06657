#ifndef SORBELANE_SOUND_H
#define SORBELANE_SOUND_H

#include <cstddef>
#include <memory>
#include <string>

#include <SFML/Audio/InputSoundFile.hpp>
#include <SFML/Audio/Sound.hpp>
#include <SFML/Audio/SoundBuffer.hpp>

namespace sb {

/// A sound effect loaded whole into memory, kept under a label.
/// The SFML objects are made only when a file is loaded: constructing them
/// opens the audio device, which a program without sounds must never do.
/// Games usually load sounds with ResourceManager::loadSound() and play them
/// with `ResourceManager::getInstance().getSound("label")->play()`.
class Sound {
 private:
  std::unique_ptr<sf::SoundBuffer> p_buffer;  // the samples; outlives p_sound
  std::unique_ptr<sf::Sound> p_sound;         // plays from *p_buffer
  std::string label;

  void release();
  // Reads the opened file's samples into a new buffer and plays from it.
  int loadFrom(sf::InputSoundFile &file, const std::string &name);

 public:
  /// Makes an empty sound labelled "[Undefined]"; the audio device is not opened.
  Sound();
  /// Stops the sound and frees its samples.
  ~Sound();
  /// A copy has buffers of its own and plays its own samples.
  Sound(const Sound &other);
  /// Stops this sound and takes a copy of other's samples and label.
  Sound &operator=(const Sound &other);

  /// Loads the file into the buffer, replacing (and stopping) any earlier samples.
  /// 0, or -1 when it cannot be read; the sound is then unchanged. Refused (and
  /// logged): anything but a regular file, more than MAX_SOUND_SAMPLES samples,
  /// fewer samples than the header claims, a channel count or rate that cannot
  /// be played. The header is checked before any sample is read.
  int loadSound(std::string filename);
  /// The same from the bytes of a sound file held in memory (copied).
  int loadSound(const void *data, std::size_t size);
  /// The same from samples already in a buffer (copied). Always 0.
  int loadSound(const sf::SoundBuffer &buffer);
  /// True once samples are loaded.
  bool isLoaded() const { return p_sound != nullptr; }

  /// Sets the label the sound is found by.
  void setLabel(std::string new_label) { label = new_label; }
  /// Returns the label the sound is found by.
  std::string getLabel() const { return label; }

  /// Plays the sound, looping it when loop is true; nothing when nothing is loaded.
  /// Playing again restarts it.
  void play(bool loop = false);
  /// Stops the sound and rewinds it; nothing when nothing is loaded.
  void stop();
  /// Pauses the sound; play() resumes it. Nothing when nothing is loaded.
  void pause();
  /// Playing, Paused or Stopped; Stopped when nothing is loaded.
  sf::SoundSource::Status getStatus() const;
  /// A copy of the SFML sound (playing from this sound's buffer, so valid only
  /// while this sound keeps its samples); a default one when nothing is loaded.
  sf::Sound getSound() const;
};

}  // namespace sb

#endif
