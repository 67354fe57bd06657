#ifndef SORBELANE_DISTANCE_MAP_H
#define SORBELANE_DISTANCE_MAP_H

#include <cstdint>
#include <limits>
#include <vector>

#include "PathFind.h"

namespace sb {

class CellMap;

/// For every walkable cell of a CellMap, the cost of the cheapest walk to the
/// nearest of some goal cells (a "Dijkstra map"). A step enters a walkable
/// cell and costs the cell's cost, times the diagonal cost for a diagonal
/// step; with eight-way moves a diagonal step may pass one blocked corner but
/// (unless told otherwise) not squeeze between two, as in path finding. Objects chase by stepping
/// downhill (nextStep()); a flee map (makeFleeMap()) leads away from the goals
/// towards open space. After its first computation on a map of a given size
/// a computation allocates nothing.
class DistanceMap {
 private:
  struct Entry {
    float cost;
    std::int32_t cell;
  };
  int width;
  int height;
  bool eight_way;
  bool squeeze;  // diagonal steps between two blocked corners allowed
  float diagonal_cost;
  // Per cell, in rows of width + 2 with a blocked border all round, so that
  // a step needs no bounds test: the distance (UNREACHABLE where no goal is
  // reached), whether the cell can be entered, and its cost when costs are set.
  std::vector<float> costs;
  std::vector<std::uint8_t> open;
  std::vector<float> step_costs;
  std::vector<Entry> heap;                  // work space of the computation
  std::vector<std::vector<Entry>> buckets;  // or, where step costs allow, a ring of buckets
  double bucket_width = 1;
  std::size_t ring_mask = 0;
  std::uint64_t current_bucket = 0;
  std::size_t bucket_entries = 0;

  void prepare(const CellMap &map);
  int padded(int x, int y) const { return (y + 1) * (width + 2) + x + 1; }
  void push(float cost, std::int32_t cell);
  Entry pop();
  template <bool BUCKETS>
  void relax(const CellMap &map);
  bool useBuckets(const CellMap &map);
  void pushBucket(float cost, std::int32_t cell);
  bool popBucket(Entry &e);

 public:
  /// The distance of a cell from which no goal is reached (and of cells outside the map).
  static constexpr float UNREACHABLE = std::numeric_limits<float>::infinity();
  /// The largest diagonal cost and flee coefficient (in size): with the cells'
  /// costs bounded too, no sum of steps overflows.
  static constexpr float MAX_FACTOR = 1.0e6f;

  /// An empty map, eight-way moves, diagonal cost sqrt(2).
  DistanceMap();
  /// Chooses the moves: eight_way false allows only the four side steps; a
  /// diagonal step costs diagonal (above 0, at most MAX_FACTOR) times the entered cell's
  /// cost. With squeeze, a diagonal step may also pass between two blocked
  /// corners (libtcod's rule). Returns 0, or -1 (logged, unchanged) for a bad
  /// diagonal cost.
  int setMoves(bool eight_way, float diagonal = 1.41421356f, bool squeeze = false);
  /// True when diagonal steps may pass between two blocked corners.
  bool getSqueeze() const { return squeeze; }
  /// True when diagonal steps are allowed.
  bool getEightWay() const { return eight_way; }
  /// Returns the cost factor of a diagonal step.
  float getDiagonalCost() const { return diagonal_cost; }

  /// Computes the distances to the nearest goal. Goals off the map or on
  /// blocked cells are left out (logged). Returns 0, or -1 (logged, every cell
  /// unreachable) when no goal is left.
  int compute(const CellMap &map, const std::vector<coord_struct> &goals);
  /// Turns a distance map into a flee map on the same cell map: every reached
  /// cell starts at its distance times coefficient (below 0; -1.2 is usual) and
  /// the walks are scanned again, so that downhill leads away from the goals and
  /// past them towards open space rather than into dead ends. Returns 0, or -1
  /// (logged, unchanged) for a map of another size or a coefficient not below 0
  /// or below -MAX_FACTOR.
  int makeFleeMap(const CellMap &map, const DistanceMap &chase, float coefficient = -1.2f);

  /// Returns the distance of a cell to the nearest goal, UNREACHABLE when none is reached.
  float getDistance(int x, int y) const {
    return x >= 0 && y >= 0 && x < width && y < height ? costs[(y + 1) * (width + 2) + x + 1]
                                                       : UNREACHABLE;
  }
  /// True when some goal is reached from the cell.
  bool isReachable(int x, int y) const { return getDistance(x, y) != UNREACHABLE; }
  /// The neighbour one step downhill from (x, y): the allowed step to the lowest
  /// distance below the cell's own (the first in reading order among equals).
  /// Returns false, leaving next unchanged, at a goal, a local minimum or an
  /// unreached cell.
  bool nextStep(const CellMap &map, int x, int y, coord_struct &next) const;
  /// Returns the width of the map last computed on.
  int getWidth() const { return width; }
  /// Returns the height of the map last computed on.
  int getHeight() const { return height; }
};

}  // namespace sb

#endif
