#include "Vector.h"

#include <cmath>
#include <sstream>

namespace sb {

float Vector::getMagnitude() const { return std::sqrt(x * x + y * y); }

void Vector::normalize() {
  float length = getMagnitude();
  if (length > 0) {
    x /= length;
    y /= length;
  }
}

std::string toString(float value) {
  std::ostringstream out;
  out << static_cast<double>(value);
  return out.str();
}

std::string Vector::toString() const { return "(" + sb::toString(x) + "," + sb::toString(y) + ")"; }

}  // namespace sb
