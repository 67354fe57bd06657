#ifndef SORBELANE_RESOURCE_MANAGER_H
#define SORBELANE_RESOURCE_MANAGER_H

#include <iosfwd>
#include <string>
#include <vector>

#include "Constants.h"
#include "Manager.h"

namespace sb {

class Sprite;

// Loads the game's assets and keeps them under labels until shut-down.
// Sprites come from the engine's text sprite files.
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
};

}  // namespace sb

#endif
