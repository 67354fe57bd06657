#ifndef SORBELANE_PATH_MANAGER_H
#define SORBELANE_PATH_MANAGER_H

#include <cstdint>
#include <vector>

#include "Manager.h"

namespace sb {

class Object;
class PathFind;

// Runs the registered path searches a little every step, within the time the
// game loop can spare, and hands each finished search's result to its object.
class PathManager : public Manager {
 private:
  PathManager();
  PathManager(const PathManager &) = delete;
  void operator=(const PathManager &) = delete;

  std::vector<PathFind *> searches;  // registered, in order of registration; not owned
  std::vector<PathFind *> live;      // every search in existence, registered or not
  int min_cycle_time;                // milliseconds
  std::uint64_t cycle_count;         // cycle() calls so far
  bool registered_in_cycle;          // a search was registered during the running cycle

 public:
  static PathManager &getInstance();

  int startUp() override;
  void shutDown() override;

  int registerPathFind(PathFind *p_path_find);
  int unregisterPathFind(PathFind *p_path_find);
  bool isRegistered(const PathFind *p_path_find) const;
  int getSearchCount() const { return static_cast<int>(searches.size()); }

  void setMinCycleTime(int new_min_cycle_time) { min_cycle_time = new_min_cycle_time; }
  int getMinCycleTime() const { return min_cycle_time; }

  // Gives the running searches about budget_ms milliseconds (at least the minimum cycle time).
  void cycle(int budget_ms);

  // Bookkeeping of searches and objects, so that none is used after it is gone.
  void trackSearch(PathFind *p_path_find);
  void forgetSearch(PathFind *p_path_find);
  void objectGone(const Object *p_o);
};

}  // namespace sb

#endif
