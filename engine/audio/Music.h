#ifndef SORBELANE_MUSIC_H
#define SORBELANE_MUSIC_H

#include <memory>
#include <string>

#include <SFML/Audio/Music.hpp>

namespace sb {

/// A music track streamed from its file while it plays, kept under a label.
/// The SFML stream is made only when it is first needed, so that a program
/// without music never opens the audio device.
/// Games usually load tracks with ResourceManager::loadMusic(). Not copyable.
class Music {
 private:
  std::unique_ptr<sf::Music> p_music;
  std::string label;

 public:
  /// Makes an empty track labelled "[Undefined]"; the audio device is not opened.
  Music();
  /// Stops the track.
  ~Music();
  /// Not copyable: a stream cannot be shared.
  Music(const Music &) = delete;
  /// Not copyable: a stream cannot be shared.
  Music &operator=(const Music &) = delete;

  /// Opens the file for streaming, replacing (and stopping) any earlier track.
  /// 0, or -1 when it cannot be opened; the track is then unchanged. Refused
  /// (and logged): anything but a regular file, and a channel count or rate
  /// that cannot be played, checked from the header before the stream is made.
  int loadMusic(std::string filename);

  /// Sets the label the track is found by.
  void setLabel(std::string new_label) { label = new_label; }
  /// Returns the label the track is found by.
  std::string getLabel() const { return label; }

  /// Plays the track, looping it when loop is true; nothing when nothing is open.
  void play(bool loop = true);
  /// Stops the track and rewinds it; nothing when nothing is open.
  void stop();
  /// Pauses the track; play() resumes it. Nothing when nothing is open.
  void pause();
  /// Playing, Paused or Stopped; Stopped when nothing is open.
  sf::SoundSource::Status getStatus() const;
  /// The SFML stream (made on first use, so never null), owned by this track.
  sf::Music *getMusic();
};

}  // namespace sb

#endif
