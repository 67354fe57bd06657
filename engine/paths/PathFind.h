#ifndef SORBELANE_PATH_FIND_H
#define SORBELANE_PATH_FIND_H

#include <cstdint>

#include "Box.h"
#include "ObjectList.h"
#include "Path.h"
#include "Vector.h"

namespace sb {

class Object;

/// A grid cell: column x, row y.
struct coord_struct {
  int x;  ///< Column, from 0 at the world's left edge.
  int y;  ///< Row, from 0 at the world's top edge.
};

/// The state of a path search, also carried by its path event.
enum SearchResult {
  FAILED = 0,     ///< No path: nothing left to search, or the search could not be set up.
  SEARCHING = 1,  ///< Not finished.
  FOUND = 2,      ///< A path to the goal (or to touching the target object) was found.
};

struct PathNodeGraph;

/// One incremental A* search over the world's cells, one expansion per
/// cycleOnce(). A cell is hard when the first HARD object the mover would
/// touch there does not cover the goal. Among open cells of equal estimate the
/// one opened last is expanded first.
/// Games normally use Object::pathTo(), which makes, owns and registers the
/// search; the path manager runs it and delivers the result as a path event.
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
  unsigned long long serial;   // unique over the process, never reused
  std::uint32_t search_stamp;  // marks the graph's nodes this search has touched
  std::uint32_t probe_stamp;   // marks the world's answers still valid for this mover
  unsigned int world_version;  // scene-graph version the kept answers belong to
  std::uint32_t next_order;    // order of opening, for the tie rule
  ObjectList collisions;       // reused by the hard-cell test
  std::uint64_t delivered;     // the manager's cycle that last delivered this search's result
  // Cells where the mover may touch a HARD object that covers the goal (and
  // so does not block): there the world is asked afresh. Empty when x0 > x1.
  int cover_x0, cover_x1, cover_y0, cover_y1;

  const Object *firstHardAt(int x, int y);
  bool hardAt(int x, int y);
  bool hardCell(int cell, int x, int y);
  void findGoalCover();
  void refreshWorldAnswers();
  void setUp(Vector start_position, Vector end_position);
  void chooseStart(Vector start_position);
  bool withinBoundary(const Box &boundary, Vector start_position, Vector end_position);
  bool allocateGraph(const Box &boundary);
  void openStart();
  int popOpenCell();
  bool reachedGoal(int x, int y);
  void openNeighbours(int current, int x, int y);

 public:
  /// Sets up a search for the mover p_o (not owned) from start_position to
  /// end_position, both world positions rounded to cells. The start is the first
  /// free cell around start_position. Problems are logged and leave the search
  /// without a node graph, so that it fails: a null p_o, a position outside the
  /// world boundary, an empty world, more than MAX_PATH_CELLS cells, node
  /// graphs already holding MAX_PATH_MEMORY bytes, or no memory.
  PathFind(Object *p_o, Vector start_position, Vector end_position);
  /// Leaves the path manager's lists and keeps the node graph for reuse.
  ~PathFind();
  /// Not copyable.
  PathFind(const PathFind &) = delete;
  /// Not copyable.
  PathFind &operator=(const PathFind &) = delete;

  /// One expansion; returns a SearchResult. A finished search returns its result again.
  /// FAILED (logged) without a node graph, and FAILED once the mover is gone.
  int cycleOnce();
  /// The path found, start cell first, index 0; empty when none was found.
  Path getPath() const;

  /// Sets the mover (not owned); null stops the search.
  void setObject(Object *p_o) { p_object = p_o; }
  /// Returns the mover, null once it is gone.
  Object *getObject() const { return p_object; }
  /// Sets an object to reach (not owned): the search ends as soon as the mover
  /// would touch it placed at the goal cell. Null: reach the goal cell itself.
  void setTargetObject(Object *p_o) { p_target_object = p_o; }
  /// Returns the object to reach, or null.
  Object *getTargetObject() const { return p_target_object; }
  /// Returns the number of cells expanded so far.
  int getNumPlies() const { return num_plies; }

  /// Returns the start cell.
  coord_struct getStart() const { return start; }
  /// Returns the goal cell; once a target object is touched, the cell where it was.
  coord_struct getEnd() const { return end; }
  /// True when the search was set up and can run.
  bool hasNodeGraph() const { return p_graph != nullptr; }
  /// Returns the search's number, unique in the process; its path event carries it.
  unsigned long long getSerial() const { return serial; }
  /// Returns the path manager cycle that last delivered the result (0: none).
  std::uint64_t getDelivered() const { return delivered; }
  /// Records the path manager cycle that delivered the result.
  void setDelivered(std::uint64_t cycle) { delivered = cycle; }

  /// Frees the node graphs kept for reuse by later searches.
  static void releaseGraphs();
  /// Bytes of node graph a world of the given number of cells costs a search.
  static long long graphBytes(long long cells);
  /// Bytes held by node graphs: of running searches, and kept for reuse.
  static long long graphMemory(bool pooled);
};

}  // namespace sb

#endif
