#ifndef SORBELANE_FIELD_OF_VIEW_H
#define SORBELANE_FIELD_OF_VIEW_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sb {

class CellMap;

/// How a field of view decides what is seen.
enum FovAlgorithm : int {
  /// Symmetric shadowcasting: a floor cell is seen when its centre lies in the
  /// light; if A sees B, B sees A, and lit walls show no gaps. The default.
  FOV_SYMMETRIC = 0,
  /// Precise permissive: a cell is seen when some line from inside the origin
  /// cell reaches inside it unobstructed. Sees more around corners.
  FOV_PERMISSIVE = 1,
};

/// The cells seen from one cell of a CellMap, kept as one byte a cell (1 seen,
/// 0 not), plus the cells ever seen since the last forget(), for fog of war.
/// Reuse one object: after its first computation on a map of a given size a
/// computation allocates nothing.
class FieldOfView {
 private:
  struct Row;
  struct View;
  struct Bump;
  int width;
  int height;
  std::vector<std::uint8_t> visible;  // 1 where seen by the last computation
  std::vector<std::uint8_t> seen;     // 1 where seen by any computation since forget()
  std::vector<Row> rows;              // work stack of symmetric shadowcasting
  std::vector<View> views;            // work lists of precise permissive
  std::vector<Bump> bumps;
  std::uint8_t lit_mask = 0;  // flags a permissive cell needs to be seen

  void prepare(int map_width, int map_height);
  void reveal(int x, int y) {
    int i = y * width + x;
    visible[i] = 1;
    seen[i] = 1;
  }
  void castSymmetric(const CellMap &map, int ox, int oy, int radius);
  void castPermissive(const CellMap &map, int ox, int oy, int radius, bool light_walls);
  void permissiveQuadrant(const CellMap &map, int ox, int oy, int dx, int dy, int extent_x,
                          int extent_y);
  void addShallowBump(int x, int y, std::size_t view);
  void addSteepBump(int x, int y, std::size_t view);
  bool checkView(std::size_t view);

 public:
  /// Nothing seen, on a 0 x 0 map.
  FieldOfView();
  /// Not copyable (it holds work space).
  FieldOfView(const FieldOfView &) = delete;
  /// Not copyable.
  FieldOfView &operator=(const FieldOfView &) = delete;
  /// Destroys the work space.
  ~FieldOfView();

  /// Computes what the cell (x, y) sees on the map: cells within radius
  /// (0 means unlimited) that the algorithm finds visible. The radius bounds a
  /// circle, dx² + dy² < radius², for symmetric shadowcasting, and a square,
  /// |dx| and |dy| <= radius, for precise permissive. With light_walls, opaque cells that bound the
  /// view are seen too; without, only transparent cells are. The origin is seen unless it is opaque
  /// and light_walls is false. A map of another size first clears the memory of seen cells. Returns
  /// 0, or -1 (logged, nothing seen) for an origin outside the map or a negative radius.
  int compute(const CellMap &map, int x, int y, int radius = 0, bool light_walls = true,
              FovAlgorithm algorithm = FOV_SYMMETRIC);

  /// True when the last computation saw the cell; false outside the map.
  bool isVisible(int x, int y) const {
    return x >= 0 && y >= 0 && x < width && y < height && visible[y * width + x];
  }
  /// True when some computation since forget() saw the cell; false outside the map.
  bool wasSeen(int x, int y) const {
    return x >= 0 && y >= 0 && x < width && y < height && seen[y * width + x];
  }
  /// Row-major bytes of the last computation, 1 where seen; width x height of them.
  const std::uint8_t *visibleCells() const { return visible.data(); }
  /// Row-major bytes, 1 where seen since forget().
  const std::uint8_t *seenCells() const { return seen.data(); }
  /// Clears the memory of seen cells (the current view stays).
  void forget();
  /// Returns the width of the map last computed on.
  int getWidth() const { return width; }
  /// Returns the height of the map last computed on.
  int getHeight() const { return height; }
};

}  // namespace sb

#endif
