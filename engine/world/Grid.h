#ifndef SORBELANE_GRID_H
#define SORBELANE_GRID_H

#include <string>
#include <utility>
#include <vector>

#include "BoxList.h"
#include "ObjectList.h"
#include "Vector.h"

namespace sb {

class Object;
class SceneGraph;

/// A cell as (column, row); (-1, -1) names the out-of-bounds list.
typedef std::pair<int, int> Cell;

/// Spatial index of the active solid objects: width x height cells of
/// width x height world units each, plus a list for objects reaching outside.
/// An object is filed in every cell its box touches. Only the grid build
/// has one, inside the scene graph, which keeps it current.
class Grid {
 private:
  BoxList *cells;  // height rows of width lists, row-major; null when not started
  BoxList out_of_bounds;
  const SceneGraph *p_scene_graph;  // the scene graph it belongs to, or null
  int width;
  int height;

  // The cells a box covers, without building a list.
  struct Span {
    int first_col, first_row, last_col, last_row;
    bool out;    // reaches outside the covered area
    bool empty;  // covers no cell at all
  };
  Span spanOf(const Object *p_o, Vector where) const;
  Span spanOfCorners(Vector top_left, Vector bottom_right) const;
  BoxList &cellAt(int col, int row) const { return cells[row * width + col]; }
  void collectFrom(const BoxList &list, int col, int row, const Object *p_o, const Box &moved,
                   const Span &span, ObjectList &result) const;
  static bool spanHas(const Span &span, int col, int row);
  bool usable(const char *operation, const Object *p_o) const;
  template <class Visit>
  void forEachCell(const Span &span, Visit visit) const;

 public:
  /// A grid of the configured size (grid_width, grid_height), without
  /// cells until startUp(). p_owner is the scene graph the grid belongs to:
  /// setDimensions() files its solid objects again. A grid without one
  /// stands alone.
  explicit Grid(const SceneGraph *p_owner = nullptr);
  ~Grid();

  /// Allocates the empty cells; 0, or -1 (logged) when they exist already,
  /// the size is not positive or the allocation fails.
  int startUp();
  /// Frees the cells and forgets every object.
  void shutDown();
  /// Number of columns, which is also the width of each cell in world units.
  int getWidth() const;
  /// Number of rows, which is also the height of each cell in world units.
  int getHeight() const;
  /// Remakes the grid at the new size and files its scene graph's solid
  /// objects again; nothing for the same size. A size that cannot start is
  /// logged and leaves the grid without cells. While it has no cells and its
  /// scene graph is not started, it only sets the size that startUp()
  /// allocates.
  void setDimensions(int new_width, int new_height);

  /// The cell holding world position p; it may lie outside the grid.
  Cell positionToCell(Vector p) const;
  /// The cells p_o's box placed at where touches, inside the grid, led by
  /// (-1, -1) when the box reaches outside.
  std::vector<Cell> positionToCells(const Object *p_o, Vector where) const;

  /// Files p_o by its box at its position; 0, or -1 (logged) without cells
  /// or for a null object.
  int insertObject(Object *p_o);
  /// Takes p_o out of its cells (nothing for an inactive or spectral
  /// object); 0, or -1 (logged) without cells or for a null object.
  int removeObject(Object *p_o);
  /// Re-files p_o from its position to where, changing only the cells that
  /// differ; called before the position changes. 0, or -1 (logged) without
  /// cells or for a null object.
  int updatePosition(Object *p_o, Vector where);
  /// The filed objects, other than p_o, whose boxes overlap p_o's box placed
  /// at where, each once; empty (logged) without cells or for a null object.
  ObjectList getCollisions(const Object *p_o, Vector where) const;
  /// As getCollisions, appending to a caller's list so the hot path allocates nothing.
  void collectCollisions(const Object *p_o, Vector where, ObjectList &result) const;
  /// A copy of the objects filed in cell; the out-of-bounds list for a cell
  /// outside the grid; empty (logged) without cells.
  ObjectList getObjects(Cell cell) const;

  /// The size and every cell's objects as "type(id)" lines, then the
  /// out-of-bounds list; "" (logged) without cells.
  std::string toString() const;
  /// Writes the size, the first two by two cells and the out-of-bounds
  /// list to the log.
  void print() const;
};

}  // namespace sb

#endif
