#ifndef SORBELANE_CIRCLE_H
#define SORBELANE_CIRCLE_H

#include <string>

#include "Vector.h"

namespace sb {

/// A circle in world units: a centre and a radius. Used with circleIntersectsBox().
class Circle {
 private:
  Vector center;
  float radius;

 public:
  /// Makes a circle at (0,0) of radius 0.
  Circle() : radius(0) {}
  /// Makes a circle at init_center of radius init_radius.
  Circle(Vector init_center, float init_radius) : center(init_center), radius(init_radius) {}

  /// Returns the centre.
  Vector getCenter() const { return center; }
  /// Sets the centre.
  void setCenter(Vector new_center) { center = new_center; }
  /// Returns the radius.
  float getRadius() const { return radius; }
  /// Sets the radius (not checked).
  void setRadius(float new_radius) { radius = new_radius; }

  /// Returns the text "(x,y) r: R": for example "(2,2) r: 1.5".
  std::string toString() const;
};

}  // namespace sb

#endif
