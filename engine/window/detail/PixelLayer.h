#ifndef SORBELANE_PIXEL_LAYER_H
#define SORBELANE_PIXEL_LAYER_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include <SFML/Graphics/Color.hpp>
#include <SFML/Graphics/Vertex.hpp>

namespace sb {

/// Small opaque polygons resolved to pixels on the CPU: of a run of them the
/// last one to cover a pixel gives it its colour, so the run can be handed to
/// GL as a few pixel-aligned quads instead of one triangle fan each. Which
/// pixels a triangle covers follows the software rasterizer's rules: window
/// coordinates from the viewport transform, snapped to 1/256 pixel, pixel
/// centres tested against integer edge functions with a fill convention for
/// pixels on edges. The details that differ between GL drivers are Rules,
/// chosen by comparing with what the driver really draws. The display
/// manager uses it; games need not.
class PixelLayer {
 public:
  /// The rasterizer details that differ between GL drivers.
  struct Rules {
    bool fused = true;         ///< The viewport transform is one fused multiply-add.
    bool bottom_edge = false;  ///< Pixels on bottom edges are in, not on top edges.
    bool flipped = false;      ///< The rasterizer counts rows from the bottom.
  };
  /// Largest polygon resolved here, in corners.
  static const std::size_t MAX_CORNERS = 16;
  /// Largest triangle resolved here, in pixels across either way.
  static const int MAX_SPAN = 16;

  /// A layer for a frame buffer of this many pixels (negative sizes count
  /// as 0); empties it.
  void resize(int new_width, int new_height);
  /// The frame buffer's width in pixels.
  int getWidth() const { return width; }
  /// The frame buffer's height in pixels.
  int getHeight() const { return height; }
  /// Sets the rules used from now on.
  void setRules(const Rules &new_rules) { rules = new_rules; }

  /// Takes a polygon (a fan from its first corner, corners in clip
  /// coordinates) of an opaque colour; false, taking nothing, when it is not
  /// small and well inside the frame buffer or has fewer than three or more
  /// than MAX_CORNERS corners.
  bool addPolygon(const sf::Vector2f *corners, std::size_t count, sf::Color color);
  /// Whether no pixel is covered.
  bool empty() const { return touched.empty(); }
  /// Appends the covered pixels as quads, in clip coordinates with the given
  /// texture coordinates, row by row in runs of one colour; then empties.
  void emit(std::vector<sf::Vertex> &out, sf::Vector2f texel);

  /// Pixel indices (y * width + x) one triangle can cover, at most.
  static const int MAX_COVERED = (MAX_SPAN + 2) * (MAX_SPAN + 2);
  /// Writes the indices of the pixels that the triangle (corners in clip
  /// coordinates) covers under the rules into covered (MAX_COVERED long) and
  /// returns their number; -1 when the triangle is not small and well inside.
  static int triangle(const sf::Vector2f *corners, int width, int height, const Rules &rules,
                      std::uint32_t *covered);

 private:
  int width = 0, height = 0;
  Rules rules;
  std::vector<sf::Color> colors;
  std::vector<std::uint32_t> stamps;  // a pixel is covered when its stamp is the current one
  std::uint32_t stamp = 1;
  std::vector<std::uint32_t> touched;  // covered pixels, by index
};

}  // namespace sb

#endif
