#include "PathManager.h"

namespace sb {

PathManager::PathManager() { setType("PathManager"); }

PathManager &PathManager::getInstance() {
  static PathManager path_manager;
  return path_manager;
}

int PathManager::startUp() { return Manager::startUp(); }

void PathManager::shutDown() { Manager::shutDown(); }

void PathManager::cycle(int) {}

int PathManager::unregisterPathFind(PathFind *) { return 0; }

}  // namespace sb
