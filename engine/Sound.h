#ifndef SORBELANE_SOUND_H
#define SORBELANE_SOUND_H

#include <memory>
#include <string>

#include <SFML/Audio/Sound.hpp>
#include <SFML/Audio/SoundBuffer.hpp>

namespace sb {

// A sound effect loaded whole into memory, kept under a label.
// The SFML objects are made only when a file is loaded: constructing them
// opens the audio device, which a program without sounds must never do.
class Sound {
 private:
  std::unique_ptr<sf::SoundBuffer> p_buffer;  // the samples; outlives p_sound
  std::unique_ptr<sf::Sound> p_sound;         // plays from *p_buffer
  std::string label;

  void release();

 public:
  Sound();
  ~Sound();
  // A copy has buffers of its own and plays its own samples.
  Sound(const Sound &other);
  Sound &operator=(const Sound &other);

  // Loads the file into the buffer. 0, or -1 when it cannot be read.
  int loadSound(std::string filename);
  // The same from samples already in a buffer (copied).
  int loadSound(const sf::SoundBuffer &buffer);
  bool isLoaded() const { return p_sound != nullptr; }

  void setLabel(std::string new_label) { label = new_label; }
  std::string getLabel() const { return label; }

  // Plays the sound, looping it when loop is true.
  void play(bool loop = false);
  void stop();
  void pause();
  // Stopped when nothing is loaded.
  sf::SoundSource::Status getStatus() const;
  // A copy of the SFML sound (playing from this sound's buffer).
  sf::Sound getSound() const;
};

}  // namespace sb

#endif
