#ifndef SORBELANE_RESOURCE_MANAGER_H
#define SORBELANE_RESOURCE_MANAGER_H

#include <iosfwd>
#include <string>
#include <vector>

#include "Constants.h"
#include "Manager.h"

namespace sb {

class Sprite;
class Sound;
class Music;

/// Loads the game's assets and keeps them under labels until shut-down.
/// Sprites come from the engine's text sprite files; sounds and music are
/// read through SFML's audio module. A singleton: a game loads its assets
/// after GameManager::startUp() and finds them by label; the manager owns them.
class ResourceManager : public Manager {
 private:
  ResourceManager();
  ResourceManager(const ResourceManager &) = delete;
  void operator=(const ResourceManager &) = delete;

  // Sprites in load order; slots 0 .. sprite_count - 1 are in use.
  Sprite *p_sprite[MAX_SPRITES];
  int sprite_count;
  // Unloaded sprites: out of the lookup, but animations may still point at
  // them, so they are freed only at shut-down.
  std::vector<Sprite *> unloaded_sprites;

  // The not-started refusal shared by every load and unload.
  bool refuseUnstarted() const;
  // The refusal of a sprite beyond MAX_SPRITES.
  bool refuseFull(const std::string &label) const;
  // Reads a sprite from in and keeps it under label.
  int addSprite(std::istream &in, const std::string &label);
  void freeSprites();

  // Sounds in load order, each on the heap so that it keeps pointing at its
  // own samples when the slots move; slots 0 .. sound_count - 1 are in use.
  Sound *p_sound[MAX_SOUNDS];
  int sound_count;
  // Unloaded sounds, stopped: game objects may still hold pointers to them,
  // so they are freed only at shut-down, like unloaded sprites.
  std::vector<Sound *> unloaded_sounds;
  // Music tracks in load order; slots 0 .. music_count - 1 were ever used
  // (an unloaded track keeps its slot, stopped and with an empty label).
  Music *p_music[MAX_MUSICS];
  int music_count;
  // Stops and frees every sound and music track.
  void freeAudio();

 public:
  /// Returns the one resource manager.
  static ResourceManager &getInstance();
  /// Frees every asset still held.
  ~ResourceManager();

  /// Starts the manager with nothing loaded. Always 0 (a second start is logged).
  int startUp() override;
  /// Frees every sprite, sound and track; pointers handed out become invalid.
  void shutDown() override;

  /// Reads a sprite file and keeps the sprite under label. 0, or -1 (logged)
  /// when the manager is not started, MAX_SPRITES are loaded, the file is not a
  /// readable regular file, or its text is not a valid sprite.
  int loadSprite(std::string filename, std::string label);
  /// The same from sprite text already open as a stream.
  int loadSprite(std::istream &in, std::string label);
  /// Takes the first sprite with label out of the lookup; it is freed only at
  /// shut-down, so animations showing it stay valid. 0, or -1 when none has it
  /// or the manager is not started (logged).
  int unloadSprite(std::string label);
  /// The first sprite loaded with label, or null (logged). Owned by the manager.
  Sprite *getSprite(std::string label) const;
  /// Returns the number of sprites in the lookup.
  int getSpriteCount() const { return sprite_count; }

  /// Reads a sound file and keeps the sound under label. 0, or -1 (logged) when
  /// the manager is not started, MAX_SOUNDS are loaded or the file cannot be read.
  int loadSound(std::string filename, std::string label);
  /// Stops the first sound with label and removes it from the lookup; pointers
  /// to it stay valid until shut-down.
  /// 0, or -1 when none has it or the manager is not started (logged).
  int unloadSound(std::string label);
  /// The first sound loaded with label, or null (logged). Owned by the manager.
  Sound *getSound(std::string label) const;
  /// Returns the number of sounds loaded.
  int getSoundCount() const { return sound_count; }

  /// Opens a music file for streaming and keeps it under label (not empty).
  /// 0, or -1 (logged) when the manager is not started, MAX_MUSICS tracks were
  /// ever loaded, the label is empty or the file cannot be opened.
  int loadMusic(std::string filename, std::string label);
  /// Stops the first track with label and takes it out of the lookup; its
  /// slot stays counted. -1 when none has it (an empty label matches none).
  /// Pointers to it stay valid until shut-down.
  int unloadMusic(std::string label);
  /// The first track loaded with label, or null (logged). Owned by the manager.
  Music *getMusic(std::string label) const;
  /// Returns the number of tracks ever loaded, unloaded ones included.
  int getMusicCount() const { return music_count; }
};

}  // namespace sb

#endif
