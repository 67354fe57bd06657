#ifndef SORBELANE_RESOURCE_MANAGER_H
#define SORBELANE_RESOURCE_MANAGER_H

#include <functional>
#include <iosfwd>
#include <string>
#include <unordered_set>
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
  // Unloaded sprites that objects still show: out of the lookup, and freed
  // as soon as no object's animation shows them.
  std::unordered_set<const Sprite *> unloaded_sprites;
  // An object let go of an unloaded sprite since the last sweep.
  bool sweep_due;
  // The world's walk over the sprites its objects show (null: no world, no object).
  void (*p_walk_shown)(const std::function<void(const Sprite *)> &visit);

  // The not-started refusal shared by every load and unload.
  bool refuseUnstarted() const;
  // The refusal of a sprite beyond MAX_SPRITES.
  bool refuseFull(const std::string &label) const;
  // Reads a sprite from in and keeps it under label.
  int addSprite(std::istream &in, const std::string &label);
  void freeSprites();
  // Frees the unloaded sprites that no object's animation shows.
  void freeUnshownSprites();

  // Sounds in load order, each on the heap so that it keeps pointing at its
  // own samples when the slots move; slots 0 .. sound_count - 1 are in use.
  Sound *p_sound[MAX_SOUNDS];
  int sound_count;
  // Unloaded sounds, stopped: game objects may still hold pointers to them,
  // so they are freed only at the next start-up or at program exit.
  std::vector<Sound *> unloaded_sounds;
  // Music tracks in load order; slots 0 .. music_count - 1 were ever used
  // (an unloaded track keeps its slot, stopped and with an empty label).
  Music *p_music[MAX_MUSICS];
  int music_count;
  // Stops and frees every sound and music track.
  void freeAudio();
  // Stops every sound and music track, keeping them loaded.
  void stopAudio();

 public:
  /// Returns the one resource manager.
  static ResourceManager &getInstance();
  /// Sets the walk that calls visit with the sprite of every object in the
  /// world, active or not; the world manager sets it when it is made. An
  /// unloaded sprite is freed once no walk meets it.
  void setShownSpriteWalk(void (*p_walk)(const std::function<void(const Sprite *)> &visit)) {
    p_walk_shown = p_walk;
  }
  /// Frees every asset still held.
  ~ResourceManager();

  /// Starts the manager with nothing loaded. Always 0 (a second start is logged).
  int startUp() override;
  /// Frees every sprite (pointers to sprites become invalid) and stops every
  /// sound and track. Sounds and tracks stay loaded, so pointers to them stay
  /// valid and getSound() and getMusic() still find them, until the next
  /// startUp() or the end of the program.
  void shutDown() override;

  /// Reads a sprite file and keeps the sprite under label. 0, or -1 (logged)
  /// when the manager is not started, MAX_SPRITES are loaded, the file is not a
  /// readable regular file, or its text is not a valid sprite.
  int loadSprite(std::string filename, std::string label);
  /// The same from sprite text already open as a stream.
  int loadSprite(std::istream &in, std::string label);
  /// Takes the first sprite with label out of the lookup. It is freed at once
  /// when no object's animation shows it, else as soon as the last such object
  /// lets go of it (changes its sprite or is deleted; checked at the end of the
  /// world's update), so the animations of objects stay valid. A pointer kept
  /// elsewhere (from getSprite(), or in a copied Animation) may then dangle.
  /// 0, or -1 when none has it or the manager is not started (logged).
  int unloadSprite(std::string label);
  /// The first sprite loaded with label, or null (logged). Owned by the manager.
  Sprite *getSprite(std::string label) const;
  /// Returns the number of sprites in the lookup.
  int getSpriteCount() const { return sprite_count; }
  /// Returns the number of unloaded sprites kept because objects still show them.
  int getUnloadedSpriteCount() const { return static_cast<int>(unloaded_sprites.size()); }
  /// Notes that an object's animation no longer shows p_sprite (which is only
  /// compared, never read, so it may be freed already). Object calls it.
  void spriteLetGo(const Sprite *p_sprite);
  /// Frees the unloaded sprites that objects have let go of and that no object
  /// shows any more. The world manager calls it at the end of every update;
  /// it costs nothing when no object let go of an unloaded sprite.
  void freeReleasedSprites();

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
