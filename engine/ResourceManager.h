#ifndef SORBELANE_RESOURCE_MANAGER_H
#define SORBELANE_RESOURCE_MANAGER_H

#include <string>

#include "Manager.h"

namespace sb {

class Sprite;

// Owns sprites, sounds and music. Loading from files comes later; until then
// no sprite is known.
class ResourceManager : public Manager {
 private:
  ResourceManager();
  ResourceManager(const ResourceManager &) = delete;
  void operator=(const ResourceManager &) = delete;

 public:
  static ResourceManager &getInstance();

  int startUp() override;
  void shutDown() override;

  Sprite *getSprite(std::string label) const;
};

}  // namespace sb

#endif
