#include "PolygonGeometry.h"

#include <algorithm>
#include <cmath>

#include "Placement.h"

namespace sb {

namespace {

const float PI = 3.141592654f;

struct CornerTable {
  bool ready = false;
  float cosine[PolygonGeometry::CACHED_CORNERS];
  float sine[PolygonGeometry::CACHED_CORNERS];
};

// The angle of corner `index` of `count`, as sf::CircleShape computes it.
float cornerAngle(std::size_t index, std::size_t count) {
  return static_cast<float>(index * 2) * PI / static_cast<float>(count) - PI / 2;
}

// The cached angles of a polygon of count (below CACHED_CORNERS) corners.
const CornerTable &cornerTable(std::size_t count) {
  static CornerTable tables[PolygonGeometry::CACHED_CORNERS];
  CornerTable &table = tables[count];
  if (!table.ready) {
    for (std::size_t i = 0; i < count; i++) {
      float angle = cornerAngle(i, count);
      table.cosine[i] = std::cos(angle);
      table.sine[i] = std::sin(angle);
    }
    table.ready = true;
  }
  return table;
}

}  // namespace

sf::Vector2f PolygonGeometry::point(std::size_t index, std::size_t count, float radius) {
  float cosine, sine;
  if (count < CACHED_CORNERS && index < count) {
    const CornerTable &table = cornerTable(count);
    cosine = table.cosine[index];
    sine = table.sine[index];
  } else {
    float angle = cornerAngle(index, count);
    cosine = std::cos(angle);
    sine = std::sin(angle);
  }
  float x = cosine * radius;
  float y = sine * radius;
  return sf::Vector2f(radius + x, radius + y);
}

void PolygonGeometry::corners(const Placement &placement, float radius, std::size_t count,
                              sf::Vector2f *corners) {
  for (std::size_t i = 0; i < count; i++) {
    sf::Vector2f p = point(i, count, radius);
    corners[i] = placement.apply(p.x, p.y);
  }
}

PolygonGeometry::Extremes PolygonGeometry::extremes(std::size_t count) {
  Extremes found;
  if (count == 0 || count >= CACHED_CORNERS) return found;
  const CornerTable &table = cornerTable(count);
  found.min_cosine = found.max_cosine = table.cosine[0];
  found.min_sine = found.max_sine = table.sine[0];
  for (std::size_t i = 1; i < count; i++) {
    found.min_cosine = std::min(found.min_cosine, table.cosine[i]);
    found.max_cosine = std::max(found.max_cosine, table.cosine[i]);
    found.min_sine = std::min(found.min_sine, table.sine[i]);
    found.max_sine = std::max(found.max_sine, table.sine[i]);
  }
  return found;
}

PolygonGeometry::Bounds PolygonGeometry::bounds(float x, float y, float radius, std::size_t count,
                                                float rotation) {
  float left = 0, right = 0, top = 0, bottom = 0;
  float cosine = 1, sine = 0;  // upright: circles, triangles and particles
  if (rotation != 0) {
    float angle = rotation * PI / 180.0f;
    cosine = std::cos(angle);
    sine = std::sin(angle);
  }
  if (count > CACHED_CORNERS) {
    float cx = x + radius * cosine - radius * sine, cy = y + radius * sine + radius * cosine;
    left = cx - radius, right = cx + radius, top = cy - radius, bottom = cy + radius;
  }
  for (std::size_t i = 0; i < count && count <= CACHED_CORNERS; i++) {
    sf::Vector2f p = point(i, count, radius);
    float cx = x + p.x * cosine - p.y * sine, cy = y + p.x * sine + p.y * cosine;
    if (i == 0 || cx < left) left = cx;
    if (i == 0 || cx > right) right = cx;
    if (i == 0 || cy < top) top = cy;
    if (i == 0 || cy > bottom) bottom = cy;
  }
  Bounds extremes;
  extremes.left = left;
  extremes.top = top;
  extremes.right = right;
  extremes.bottom = bottom;
  return extremes;
}

}  // namespace sb
