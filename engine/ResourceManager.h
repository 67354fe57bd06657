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

// Loads the game's assets and keeps them under labels until shut-down.
// Sprites come from the engine's text sprite files; sounds and music are
// read through SFML's audio module.
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
  // Music tracks in load order; slots 0 .. music_count - 1 were ever used
  // (an unloaded track keeps its slot, stopped and with an empty label).
  Music *p_music[MAX_MUSICS];
  int music_count;
  // Stops and frees every sound and music track.
  void freeAudio();

 public:
  static ResourceManager &getInstance();
  ~ResourceManager();

  int startUp() override;
  void shutDown() override;

  // Reads a sprite file and keeps the sprite under label. 0 or -1.
  int loadSprite(std::string filename, std::string label);
  // The same from sprite text already open as a stream.
  int loadSprite(std::istream &in, std::string label);
  // Takes the first sprite with label out of the lookup. -1 when none has it.
  int unloadSprite(std::string label);
  // The first sprite loaded with label, or null.
  Sprite *getSprite(std::string label) const;
  int getSpriteCount() const { return sprite_count; }

  // Reads a sound file and keeps the sound under label. 0 or -1.
  int loadSound(std::string filename, std::string label);
  // Stops and frees the first sound with label. -1 when none has it.
  int unloadSound(std::string label);
  // The first sound loaded with label, or null.
  Sound *getSound(std::string label) const;
  int getSoundCount() const { return sound_count; }

  // Opens a music file for streaming and keeps it under label (not empty).
  int loadMusic(std::string filename, std::string label);
  // Stops the first track with label and takes it out of the lookup; its
  // slot stays counted. -1 when none has it (an empty label matches none).
  int unloadMusic(std::string label);
  // The first track loaded with label, or null.
  Music *getMusic(std::string label) const;
  int getMusicCount() const { return music_count; }
};

}  // namespace sb

#endif
