#include "Line.h"

namespace sb {

std::string Line::toString() const { return "[" + p1.toString() + p2.toString() + "]"; }

}  // namespace sb
