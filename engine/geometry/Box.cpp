#include "Box.h"

namespace sb {

std::string Box::toString() const {
  return corner.toString() + " h: " + sb::toString(horizontal) + " v: " + sb::toString(vertical);
}

}  // namespace sb
