#ifndef SORBELANE_CIRCLE_H
#define SORBELANE_CIRCLE_H

#include <string>

#include "Vector.h"

namespace sb {

class Circle {
 private:
  Vector center;
  float radius;

 public:
  Circle() : radius(0) {}
  Circle(Vector init_center, float init_radius) : center(init_center), radius(init_radius) {}

  Vector getCenter() const { return center; }
  void setCenter(Vector new_center) { center = new_center; }
  float getRadius() const { return radius; }
  void setRadius(float new_radius) { radius = new_radius; }

  std::string toString() const;
};

}  // namespace sb

#endif
