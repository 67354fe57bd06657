#ifndef SORBELANE_PATH_MANAGER_H
#define SORBELANE_PATH_MANAGER_H

#include <cstdint>
#include <vector>

#include "Manager.h"

namespace sb {

class Object;
class PathFind;

/// Runs the registered path searches a little every step, within the time the
/// game loop can spare, and hands each finished search's result to its object.
/// A singleton started by the game manager; games reach it through Object::pathTo().
class PathManager : public Manager {
 private:
  PathManager();
  PathManager(const PathManager &) = delete;
  void operator=(const PathManager &) = delete;

  std::vector<PathFind *> searches;  // registered, in order of registration; not owned
  std::vector<PathFind *> live;      // every search in existence, registered or not
  int min_cycle_time;                // milliseconds
  std::uint64_t cycle_count;         // cycle() calls so far
  int step_work = 0;                 // > 0: expansions per cycle instead of a time budget

 public:
  /// Returns the one path manager.
  static PathManager &getInstance();

  /// Starts the manager; the minimum cycle time becomes a tenth of the frame
  /// time. Always 0 (a second start is logged).
  int startUp() override;
  /// Stops the manager and frees the node graphs kept for reuse.
  void shutDown() override;

  /// Adds a search (not owned) to be cycled. 0, or -1 when it is null, already
  /// registered or has no object (logged).
  int registerPathFind(PathFind *p_path_find);
  /// Stops cycling a search. 0, or -1 when it is null or not registered.
  int unregisterPathFind(PathFind *p_path_find);
  /// True when the search is registered.
  bool isRegistered(const PathFind *p_path_find) const;
  /// Returns the number of registered searches.
  int getSearchCount() const { return static_cast<int>(searches.size()); }

  /// Sets the least time in milliseconds that cycle() gives the searches.
  void setMinCycleTime(int new_min_cycle_time) { min_cycle_time = new_min_cycle_time; }
  /// Returns the least time in milliseconds that cycle() gives the searches.
  int getMinCycleTime() const { return min_cycle_time; }

  /// Gives the running searches about budget_ms milliseconds (at least the minimum cycle time).
  /// Each finished search sends its object one path event, at most once per cycle.
  /// A search whose object was set to null is dropped.
  void cycle(int budget_ms);
  /// Search expansions per cycle in recorded and replayed games.
  static const int DETERMINISTIC_STEP_WORK = 20000;
  /// With expansions > 0, cycle() gives the searches that many expansions
  /// (whatever the time they take) instead of its time budget, so that a
  /// search ends at the same step on any machine; 0 goes back to time.
  void setStepWork(int expansions) { step_work = expansions; }

  /// Bookkeeping of searches and objects, so that none is used after it is gone:
  /// every PathFind records itself here when made.
  void trackSearch(PathFind *p_path_find);
  /// Unregisters a search and forgets it; PathFind calls this when it is destroyed.
  void forgetSearch(PathFind *p_path_find);
  /// Clears p_o from every search: a search it was moving stops being cycled,
  /// and one heading for it goes on to its last known cell. Called by Object on deletion.
  void objectGone(const Object *p_o);
};

}  // namespace sb

#endif
