#ifndef SORBELANE_GRID_H
#define SORBELANE_GRID_H

#include <string>
#include <utility>
#include <vector>

#include "ObjectList.h"
#include "Vector.h"

namespace sb {

class Object;

// A cell as (column, row); (-1, -1) names the out-of-bounds list.
typedef std::pair<int, int> Cell;

// Spatial index of the active solid objects: width x height cells of
// width x height world units each, plus a list for objects reaching outside.
class Grid {
 private:
  ObjectList *cells;  // height rows of width lists, row-major; null when not started
  ObjectList out_of_bounds;
  int width;
  int height;
  mutable unsigned int query_stamp;  // distinguishes one collision query from the next
  mutable ObjectList candidates;     // reused by getCollisions

  // The cells a box covers, without building a list.
  struct Span {
    int first_col, first_row, last_col, last_row;
    bool out;    // reaches outside the covered area
    bool empty;  // covers no cell at all
  };
  Span spanOf(const Object *p_o, Vector where) const;
  ObjectList &cellAt(int col, int row) const { return cells[row * width + col]; }

 public:
  Grid();
  ~Grid();

  int startUp();
  void shutDown();
  int getWidth() const;
  int getHeight() const;
  void setDimensions(int new_width, int new_height);

  Cell positionToCell(Vector p) const;
  std::vector<Cell> positionToCells(const Object *p_o, Vector where) const;

  int insertObject(Object *p_o);
  int removeObject(Object *p_o);
  int updatePosition(Object *p_o, Vector where);
  ObjectList getCollisions(const Object *p_o, Vector where) const;
  // As getCollisions, appending to a caller's list so the hot path allocates nothing.
  void collectCollisions(const Object *p_o, Vector where, ObjectList &result) const;
  ObjectList getObjects(Cell cell) const;

  std::string toString() const;
  void print() const;
};

}  // namespace sb

#endif
