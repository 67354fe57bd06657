#ifndef SORBELANE_POLYGON_GEOMETRY_H
#define SORBELANE_POLYGON_GEOMETRY_H

#include <cstddef>

#include <SFML/System/Vector2.hpp>

namespace sb {

struct Placement;

/// The corners of a regular polygon exactly as sf::CircleShape puts them:
/// `count` corners on a circle of `radius` pixels, the first at the top, then
/// clockwise, relative to the corner of the circle's bounding square. The
/// cosines and sines of polygons with fewer than CACHED_CORNERS corners are
/// kept after their first use.
class PolygonGeometry {
 public:
  /// Polygons with fewer corners than this have their angles cached; more
  /// are as good as a circle.
  static const std::size_t CACHED_CORNERS = 64;

  /// Corner `index` of `count` on a circle of `radius`.
  static sf::Vector2f point(std::size_t index, std::size_t count, float radius);
  /// The `count` corners (at most CACHED_CORNERS) mapped through placement
  /// into corners.
  static void corners(const Placement &placement, float radius, std::size_t count,
                      sf::Vector2f *corners);
  /// Extremes of a polygon's corners, in pixels.
  struct Bounds {
    float left = 0;    ///< Smallest x.
    float top = 0;     ///< Smallest y.
    float right = 0;   ///< Largest x.
    float bottom = 0;  ///< Largest y.
  };

  /// The bounds in pixels of the polygon with the corner of its bounding
  /// square at (x, y), turned by rotation degrees about that corner (a circle's
  /// bounds for more than CACHED_CORNERS corners).
  static Bounds bounds(float x, float y, float radius, std::size_t count, float rotation);

  /// The smallest and largest cosine and sine among the corners' angles.
  struct Extremes {
    float min_cosine = 0;  ///< Of the leftmost corner (for a positive radius).
    float max_cosine = 0;  ///< Of the rightmost corner.
    float min_sine = 0;    ///< Of the top corner.
    float max_sine = 0;    ///< Of the bottom corner.
  };
  /// The extremes of a polygon of count corners (1 to CACHED_CORNERS - 1),
  /// from the same cosines and sines as point(): an upright polygon's
  /// bounds are x + (radius + min_cosine * radius) and so on.
  static Extremes extremes(std::size_t count);
};

}  // namespace sb

#endif
