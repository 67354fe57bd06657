#ifndef SORBELANE_CELL_MAP_H
#define SORBELANE_CELL_MAP_H

#include <cstdint>
#include <vector>

namespace sb {

class Object;

/// A rectangle of character cells that field of view and distance maps read:
/// per cell whether it is transparent (light passes) and walkable (movers may
/// enter), and a movement cost. Costs one byte a cell, plus four a cell once a
/// cost other than 1 is set. Cells outside the map are opaque and blocked.
class CellMap {
 private:
  int width;
  int height;
  std::vector<std::uint8_t> flags;  // TRANSPARENT | WALKABLE bits per cell, row-major
  std::vector<float> costs;         // empty while every cost is 1

 public:
  /// Bit of a cell's flags: light passes.
  static constexpr std::uint8_t TRANSPARENT = 1;
  /// Bit of a cell's flags: movers may enter.
  static constexpr std::uint8_t WALKABLE = 2;
  /// The largest cost of a cell: sums of costs over the largest map stay
  /// finite in single precision, whatever the distance maps multiply them by.
  static constexpr float MAX_COST = 1.0e18f;

  /// An empty map of 0 x 0 cells.
  CellMap();
  /// A map of width x height transparent, walkable cells of cost 1 (empty, logged, when
  /// either is negative or the cells exceed MAX_PATH_CELLS).
  CellMap(int width, int height);

  /// Makes the map width x height cells, all transparent, walkable and of cost 1.
  /// Returns 0, or -1 (logged, map unchanged) for a negative size or more than
  /// MAX_PATH_CELLS cells.
  int resize(int width, int height);
  /// Returns the number of columns.
  int getWidth() const { return width; }
  /// Returns the number of rows.
  int getHeight() const { return height; }
  /// True when (x, y) is a cell of the map.
  bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }

  /// True when light passes the cell; false outside the map.
  bool isTransparent(int x, int y) const {
    return contains(x, y) && (flags[index(x, y)] & TRANSPARENT);
  }
  /// True when movers may enter the cell; false outside the map.
  bool isWalkable(int x, int y) const { return contains(x, y) && (flags[index(x, y)] & WALKABLE); }
  /// Sets both properties of a cell; cells outside the map are ignored.
  void setProperties(int x, int y, bool transparent, bool walkable);
  /// Sets whether light passes a cell; cells outside the map are ignored.
  void setTransparent(int x, int y, bool transparent);
  /// Sets whether movers may enter a cell; cells outside the map are ignored.
  void setWalkable(int x, int y, bool walkable);
  /// Gives every cell the same properties; costs are kept.
  void fill(bool transparent, bool walkable);

  /// Returns the cost of entering the cell (1 unless set); 0 outside the map.
  float getCost(int x, int y) const {
    if (!contains(x, y)) return 0;
    return costs.empty() ? 1.0f : costs[index(x, y)];
  }
  /// Sets the cost of entering a cell, a number above 0 and at most MAX_COST.
  /// Returns 0, or -1 (logged) for a cell outside the map or a bad cost.
  int setCost(int x, int y, float cost);
  /// True once some cell's cost was set (distance maps then read the costs).
  bool hasCosts() const { return !costs.empty(); }
  /// Every cost back to 1, freeing the cost table.
  void clearCosts();

  /// Row-major flags of all cells (TRANSPARENT and WALKABLE bits), width x height bytes.
  const std::uint8_t *data() const { return flags.data(); }
  /// Row-major costs of all cells, or null while every cost is 1.
  const float *costData() const { return costs.empty() ? nullptr : costs.data(); }
  /// Returns the cell number of (x, y): y x width + x.
  int index(int x, int y) const { return y * width + x; }

  /// Makes the map the world boundary's size and fills it from the world's
  /// active objects: a cell is opaque and blocked where the path finder finds it
  /// hard for the mover p_mover, that is where the mover's box placed at the
  /// cell meets a HARD object other than the mover; every other cell is
  /// transparent and walkable. With a null mover the default box (just under one
  /// cell, centred) stands in. Costs are kept when the size is unchanged.
  /// Returns 0, or -1 (logged) when the boundary is too large.
  int buildFromWorld(const Object *p_mover = nullptr);
};

}  // namespace sb

#endif
