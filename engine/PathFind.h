#ifndef SORBELANE_PATH_FIND_H
#define SORBELANE_PATH_FIND_H

#include <cstdint>

#include "ObjectList.h"
#include "Path.h"
#include "Vector.h"

namespace sb {

class Object;

// A grid cell: column x, row y.
struct coord_struct {
  int x;
  int y;
};

enum SearchResult {
  FAILED = 0,     // no path: nothing left to search, or the search could not be set up
  SEARCHING = 1,  // not finished
  FOUND = 2,
};

struct PathNodeGraph;

// One incremental A* search over the world's cells, one expansion per
// cycleOnce(). A cell is hard when the first HARD object the mover would
// touch there does not cover the goal. Among open cells of equal estimate the
// one opened last is expanded first.
class PathFind {
 private:
  Object *p_object;
  Object *p_target_object;
  coord_struct start;
  coord_struct end;
  PathNodeGraph *p_graph;  // null when the search could not be set up
  int rows;                // size of the graph as allocated
  int columns;
  int num_plies;  // cells expanded so far
  bool found;
  SearchResult result;  // SEARCHING until the search has finished
  int open_count;
  unsigned long long serial;    // unique over the process, never reused
  std::uint32_t search_stamp;   // marks the graph's nodes this search has touched
  std::uint32_t hard_stamp;     // marks hard-cell answers still valid for this search
  std::uint32_t probe_stamp;    // marks the world's answers still valid for this mover
  unsigned int world_version;   // scene-graph version the hard-cell answers belong to
  std::uint32_t next_order;     // order of opening, for the tie rule
  ObjectList collisions;        // reused by the hard-cell test
  std::uint64_t delivered;      // the manager's cycle that last delivered this search's result

  const Object *firstHardAt(int x, int y);
  bool hardAt(int x, int y);
  bool hardCell(int x, int y);
  void setUp(Vector start_position, Vector end_position);

 public:
  PathFind(Object *p_o, Vector start_position, Vector end_position);
  ~PathFind();
  PathFind(const PathFind &) = delete;
  PathFind &operator=(const PathFind &) = delete;

  // One expansion; returns a SearchResult. A finished search returns its result again.
  int cycleOnce();
  // The path found, start cell first, index 0; empty when none was found.
  Path getPath() const;

  void setObject(Object *p_o) { p_object = p_o; }
  Object *getObject() const { return p_object; }
  void setTargetObject(Object *p_o) { p_target_object = p_o; }
  Object *getTargetObject() const { return p_target_object; }
  int getNumPlies() const { return num_plies; }

  coord_struct getStart() const { return start; }
  coord_struct getEnd() const { return end; }
  bool hasNodeGraph() const { return p_graph != nullptr; }
  unsigned long long getSerial() const { return serial; }
  std::uint64_t getDelivered() const { return delivered; }
  void setDelivered(std::uint64_t cycle) { delivered = cycle; }

  // Frees the node graphs kept for reuse by later searches.
  static void releaseGraphs();
};

}  // namespace sb

#endif
