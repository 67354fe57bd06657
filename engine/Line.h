#ifndef SORBELANE_LINE_H
#define SORBELANE_LINE_H

#include <string>

#include "Vector.h"

namespace sb {

// A segment between two points.
class Line {
 private:
  Vector p1;
  Vector p2;

 public:
  Line() {}
  Line(Vector init_p1, Vector init_p2) : p1(init_p1), p2(init_p2) {}

  Vector getP1() const { return p1; }
  void setP1(Vector new_p1) { p1 = new_p1; }
  Vector getP2() const { return p2; }
  void setP2(Vector new_p2) { p2 = new_p2; }

  std::string toString() const;
};

}  // namespace sb

#endif
