#include "Vector.h"

#include <cmath>

#include "utility.h"

namespace sb {

float Vector::getMagnitude() const { return std::sqrt(x * x + y * y); }

void Vector::normalize() {
  float length = getMagnitude();
  if (length > 0) {
    x /= length;
    y /= length;
  }
}

std::string Vector::toString() const {
  return "(" + sb::toString(x) + "," + sb::toString(y) + ")";
}

}  // namespace sb
