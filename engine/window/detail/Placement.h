#ifndef SORBELANE_PLACEMENT_H
#define SORBELANE_PLACEMENT_H

#include <SFML/Graphics/View.hpp>
#include <SFML/System/Vector2.hpp>

namespace sb {

/// Maps a piece's own corners to clip coordinates with the float operations
/// GL uses. A piece drawn on its own reaches GL with the view's projection
/// times the piece's transform as one matrix (multiplied in float, each entry
/// summed left to right), which GL applies to the piece's own corners,
/// multiplying and adding in turn. Collected corners computed here land on
/// exactly the same subpixels. The display's window back end uses it.
struct Placement {
  float xx = 1;        ///< Clip x per unit of the piece's x.
  float xy = 0;        ///< Clip x per unit of the piece's y.
  float x_offset = 0;  ///< Clip x of the piece's origin.
  float yx = 0;        ///< Clip y per unit of the piece's x.
  float yy = 1;        ///< Clip y per unit of the piece's y.
  float y_offset = 0;  ///< Clip y of the piece's origin.

  /// The clip coordinates of the piece's own point (x, y).
  sf::Vector2f apply(float x, float y) const {
    float x_from_x = xx * x, x_from_y = xy * y;
    float y_from_x = yx * x, y_from_y = yy * y;
    float clip_x = x_from_x + x_from_y;
    float clip_y = y_from_x + y_from_y;
    return sf::Vector2f(clip_x + x_offset, clip_y + y_offset);
  }

  /// The placement of a piece at (x, y) in pixels, turned by rotation
  /// degrees about that point, under view.
  static Placement of(const sf::View &view, float x, float y, float rotation) {
    Placement placement;
    if (rotation != 0 || !placement.moved(view.getTransform().getMatrix(), x, y))
      placement.turned(view, x, y, rotation);
    return placement;
  }

 private:
  // A piece that is only moved, without the work of the full product: the
  // terms left out are zeros, which change no sum. False, changing nothing,
  // for a turned view.
  bool moved(const float *projection, float x, float y) {
    if (projection[1] != 0 || projection[4] != 0) return false;
    xx = projection[0];
    xy = 0;
    yx = 0;
    yy = projection[5];
    float x_moved = projection[0] * x;
    float y_moved = projection[5] * y;
    x_offset = x_moved + projection[12];
    y_offset = y_moved + projection[13];
    return true;
  }
  void turned(const sf::View &view, float x, float y, float rotation);
};

}  // namespace sb

#endif
