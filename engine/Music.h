#ifndef SORBELANE_MUSIC_H
#define SORBELANE_MUSIC_H

#include <memory>
#include <string>

#include <SFML/Audio/Music.hpp>

namespace sb {

// A music track streamed from its file while it plays, kept under a label.
// The SFML stream is made only when it is first needed, so that a program
// without music never opens the audio device.
class Music {
 private:
  std::unique_ptr<sf::Music> p_music;
  std::string label;

 public:
  Music();
  ~Music();
  Music(const Music &) = delete;
  Music &operator=(const Music &) = delete;

  // Opens the file for streaming. 0, or -1 when it cannot be opened.
  int loadMusic(std::string filename);

  void setLabel(std::string new_label) { label = new_label; }
  std::string getLabel() const { return label; }

  // Plays the track, looping it when loop is true.
  void play(bool loop = true);
  void stop();
  void pause();
  // Stopped when nothing is open.
  sf::SoundSource::Status getStatus() const;
  // The SFML stream (made on first use).
  sf::Music *getMusic();
};

}  // namespace sb

#endif
