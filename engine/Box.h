#ifndef SORBELANE_BOX_H
#define SORBELANE_BOX_H

#include <string>

#include "Vector.h"

namespace sb {

// Axis-aligned rectangle: top-left corner and extents, edges included.
class Box {
 private:
  Vector corner;
  float horizontal;
  float vertical;

 public:
  Box() : horizontal(0), vertical(0) {}
  Box(Vector init_corner, float init_horizontal, float init_vertical)
      : corner(init_corner), horizontal(init_horizontal), vertical(init_vertical) {}

  Vector getCorner() const { return corner; }
  void setCorner(Vector new_corner) { corner = new_corner; }
  float getHorizontal() const { return horizontal; }
  void setHorizontal(float new_horizontal) { horizontal = new_horizontal; }
  float getVertical() const { return vertical; }
  void setVertical(float new_vertical) { vertical = new_vertical; }

  bool operator==(const Box &other) const {
    return corner == other.corner && horizontal == other.horizontal && vertical == other.vertical;
  }
  bool operator!=(const Box &other) const { return !(*this == other); }

  std::string toString() const;
};

}  // namespace sb

#endif
