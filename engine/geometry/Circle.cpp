#include "Circle.h"

namespace sb {

std::string Circle::toString() const { return center.toString() + " r: " + sb::toString(radius); }

}  // namespace sb
