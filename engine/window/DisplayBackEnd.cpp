#include "DisplayBackEnd.h"

namespace sb {

DisplayBackEnd::~DisplayBackEnd() = default;

int DisplayBackEnd::drawPolygons(const Polygon &shape, const PolygonAt *p_at, std::size_t count) {
  int result = 0;
  for (std::size_t i = 0; i < count; i++) {
    const PolygonAt &at = p_at[i];
    if (drawPolygon(at.x, at.y, shape.radius, shape.points, shape.rotation, at.color) != 0)
      result = -1;
  }
  return result;
}

}  // namespace sb
