#ifndef SORBELANE_MAP_GENERATOR_H
#define SORBELANE_MAP_GENERATOR_H

#include <vector>

namespace sb {

class CellMap;
class Random;

/// A room that MapGenerator::bsp() carved: its top-left cell and size.
struct MapRoom {
  int x = 0;       ///< Leftmost column.
  int y = 0;       ///< Top row.
  int width = 0;   ///< Columns.
  int height = 0;  ///< Rows.
};

/// Knobs of MapGenerator::bsp().
struct BspOptions {
  int min_room_size = 4;   ///< Smallest room side, 2 or more.
  int max_room_size = 12;  ///< Largest room side, at least 2 x min_room_size + 1.
};

/// Knobs of MapGenerator::caves().
struct CaveOptions {
  double fill = 0.45;         ///< Share of the inner cells that start as wall, 0.3 to 0.7.
  int passes = 5;             ///< Rounds of the 4-5 rule, 0 to 20.
  double floor_share = 0.25;  ///< Least share of the map left as floor, 0 to 0.6.
};

/// Knobs of MapGenerator::drunkard().
struct DrunkardOptions {
  double floor_share = 0.4;  ///< Share of the map the walk digs out, 0.05 to 0.7.
};

/// Knobs of MapGenerator::maze().
struct MazeOptions {
  double loop_share =
      0;  ///< Share of the remaining walls between passages knocked out (0: a perfect maze).
};

/// Level generators for roguelikes. Each fills a CellMap of the size it has:
/// walls opaque and blocked, floors transparent and walkable (costs are kept).
/// For every seed the border is wall and every floor cell reaches every other
/// by four-way moves; the same stream state gives the same map everywhere (no
/// generator looks at the clock). Each returns 0, or -1 (logged, map unchanged)
/// for a map too small or options out of range.
class MapGenerator {
 public:
  /// Smallest map side bsp() takes with the default options.
  static constexpr int MIN_BSP_SIDE = 6;
  /// Smallest map side the other generators take.
  static constexpr int MIN_SIDE = 5;

  /// Rooms in a binary space partition joined by corridors; at least 15 %
  /// floor on maps of 31 x 17 and more.
  static int bsp(CellMap &map, Random &random);
  /// bsp() with its knobs.
  static int bsp(CellMap &map, Random &random, const BspOptions &options);
  /// bsp() that also reports the rooms it carved (for stairs and monsters).
  static int bsp(CellMap &map, Random &random, const BspOptions &options,
                 std::vector<MapRoom> &rooms);
  /// Caves by a cellular automaton (the 4-5 rule): random wall, smoothed;
  /// caves of 8 cells or more are joined to the largest by tunnels, smaller
  /// ones filled, then a random walk widens them until floor_share of the map
  /// is floor (at least 25 % with the defaults).
  static int caves(CellMap &map, Random &random);
  /// caves() with its knobs.
  static int caves(CellMap &map, Random &random, const CaveOptions &options);
  /// Random walks from the centre, each starting on dug floor, until the
  /// floor share is reached (40 % with the defaults).
  static int drunkard(CellMap &map, Random &random);
  /// drunkard() with its knobs.
  static int drunkard(CellMap &map, Random &random, const DrunkardOptions &options);
  /// A maze of one-cell passages on the odd columns and rows (randomised
  /// depth-first search); perfect (one way between any two cells) by default.
  static int maze(CellMap &map, Random &random);
  /// maze() with its knobs.
  static int maze(CellMap &map, Random &random, const MazeOptions &options);
};

}  // namespace sb

#endif
