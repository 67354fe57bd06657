#include "Circle.h"

#include "utility.h"

namespace sb {

std::string Circle::toString() const { return center.toString() + " r: " + sb::toString(radius); }

}  // namespace sb
