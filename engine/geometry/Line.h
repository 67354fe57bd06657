#ifndef SORBELANE_LINE_H
#define SORBELANE_LINE_H

#include <string>

#include "Vector.h"

namespace sb {

/// A segment between two points, in world units. Used with lineIntersectsLine()
/// and lineIntersectsBox().
class Line {
 private:
  Vector p1;
  Vector p2;

 public:
  /// Makes a segment with both ends at (0,0).
  Line() {}
  /// Makes the segment from init_p1 to init_p2.
  Line(Vector init_p1, Vector init_p2) : p1(init_p1), p2(init_p2) {}

  /// Returns the first end.
  Vector getP1() const { return p1; }
  /// Sets the first end.
  void setP1(Vector new_p1) { p1 = new_p1; }
  /// Returns the second end.
  Vector getP2() const { return p2; }
  /// Sets the second end.
  void setP2(Vector new_p2) { p2 = new_p2; }

  /// Returns the text "[(x1,y1)(x2,y2)]".
  std::string toString() const;
};

}  // namespace sb

#endif
