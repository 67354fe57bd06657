#ifndef SORBELANE_BOX_H
#define SORBELANE_BOX_H

#include <string>

#include "Vector.h"

namespace sb {

/// Axis-aligned rectangle: top-left corner and extents, edges included.
/// It covers x from corner.x to corner.x + horizontal and y likewise, both ends
/// included; sizes are in world units and are not checked (0 or negative is kept).
class Box {
 private:
  Vector corner;
  float horizontal;
  float vertical;

 public:
  /// Makes a box at (0,0) of size 0 x 0.
  Box() : horizontal(0), vertical(0) {}
  /// Makes a box with top-left corner init_corner and the given width and height.
  Box(Vector init_corner, float init_horizontal, float init_vertical)
      : corner(init_corner), horizontal(init_horizontal), vertical(init_vertical) {}

  /// Returns the top-left corner.
  Vector getCorner() const { return corner; }
  /// Sets the top-left corner.
  void setCorner(Vector new_corner) { corner = new_corner; }
  /// Returns the width.
  float getHorizontal() const { return horizontal; }
  /// Sets the width.
  void setHorizontal(float new_horizontal) { horizontal = new_horizontal; }
  /// Returns the height.
  float getVertical() const { return vertical; }
  /// Sets the height.
  void setVertical(float new_vertical) { vertical = new_vertical; }

  /// True when the corners and both sizes are exactly equal.
  bool operator==(const Box &other) const {
    return corner == other.corner && horizontal == other.horizontal && vertical == other.vertical;
  }
  /// Negation of operator==.
  bool operator!=(const Box &other) const { return !(*this == other); }

  /// Returns the text "(x,y) h: W v: H": for example "(1,2) h: 3 v: 4".
  std::string toString() const;
};

}  // namespace sb

#endif
