#include "DisplayBackEnd.h"

namespace sb {

DisplayBackEnd::~DisplayBackEnd() = default;

int DisplayBackEnd::drawPolygons(const Polygon *p_polygons, std::size_t count) {
  int result = 0;
  for (std::size_t i = 0; i < count; i++) {
    const Polygon &polygon = p_polygons[i];
    if (drawPolygon(polygon.x, polygon.y, polygon.radius, polygon.points, polygon.rotation,
                    polygon.color) != 0)
      result = -1;
  }
  return result;
}

}  // namespace sb
