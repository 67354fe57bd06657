#ifndef SORBELANE_PATH_MANAGER_H
#define SORBELANE_PATH_MANAGER_H

#include "Manager.h"

namespace sb {

class PathFind;

// Runs path searches within the frame's spare time. Searches come later; until
// then there is nothing to run.
class PathManager : public Manager {
 private:
  PathManager();
  PathManager(const PathManager &) = delete;
  void operator=(const PathManager &) = delete;

 public:
  static PathManager &getInstance();

  int startUp() override;
  void shutDown() override;

  // Gives running searches up to budget_ms milliseconds.
  void cycle(int budget_ms);
  int unregisterPathFind(PathFind *p_path_find);
};

}  // namespace sb

#endif
