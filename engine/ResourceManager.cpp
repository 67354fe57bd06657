#include "ResourceManager.h"

namespace sb {

ResourceManager::ResourceManager() { setType("ResourceManager"); }

ResourceManager &ResourceManager::getInstance() {
  static ResourceManager resource_manager;
  return resource_manager;
}

int ResourceManager::startUp() { return Manager::startUp(); }

void ResourceManager::shutDown() { Manager::shutDown(); }

Sprite *ResourceManager::getSprite(std::string) const { return nullptr; }

}  // namespace sb
