#ifndef SORBELANE_SHAPE_H
#define SORBELANE_SHAPE_H

#include <cstddef>

#include <SFML/Graphics/CircleShape.hpp>

#include "Color.h"
#include "Vector.h"

namespace sb {

/// The figure a Shape draws.
enum ShapeType : int {
  UNDEFINED_SHAPE = -1,  ///< No figure; an object with this shape draws only its sprite.
  CIRCLE = 0,            ///< A filled circle (3 to 10 points).
  SQUARE = 1,            ///< A filled square.
  TRIANGLE = 2,          ///< A filled triangle.
};

/// A filled circle, square or triangle drawn in pixels at a world position.
/// Every object holds one and draws it after its sprite unless its type is
/// UNDEFINED_SHAPE; particles are custom-coloured circles. Copied by value.
class Shape {
 private:
  // Ten bytes, so that an object with its shape fits one cache line; red,
  // green, blue and opacity in a row, as a colour holds them.
  float size;
  signed char color;  // a Color; one beyond a signed char is kept as UNSUPPORTED_COLOR
  unsigned char red;
  unsigned char green;
  unsigned char blue;
  unsigned char opacity;
  signed char type;  // a ShapeType

  static constexpr signed char UNSUPPORTED_COLOR = -128;
  // Polygons handed to the display at once by drawAll().
  static constexpr std::size_t DRAW_ALL_BATCH = 256;
  void place(float px, float py);
  // place() into another figure's settings (of the source file's one type).
  template <typename Figure>
  void placeInto(Figure &figure, float px, float py);
  struct Offsets {
    float x, y;
  };
  Offsets cornerOffsets() const;

 public:
  /// Makes a white, opaque circle about the size of a glyph: the smaller cell
  /// side in pixels, truncated, times the font scale (0 before the display has sizes).
  Shape();

  /// Sets the figure; an unknown value is logged and ignored.
  void setType(ShapeType new_type);
  /// Returns the figure.
  ShapeType getType() const;
  /// Sets the size in pixels (not checked); for a circle it is the radius.
  void setSize(float new_size);
  /// Returns the size in pixels.
  float getSize() const;
  /// Sets a named colour; the stored RGB values are left as they are.
  void setColor(Color new_color);
  /// Sets an RGB colour; the named colour becomes CUSTOM.
  void setColor(unsigned char r, unsigned char g, unsigned char b);
  /// Returns the named colour, CUSTOM after setColor(r, g, b).
  Color getColor() const;
  /// Sets the alpha of the fill, 0 (clear) to 255 (opaque, the default).
  void setOpacity(unsigned char new_opacity);
  /// Returns the alpha of the fill.
  unsigned char getOpacity() const;
  /// Returns the red used for drawing (a named colour's value once it has been drawn).
  unsigned char getRed() const { return red; }
  /// Returns the green used for drawing.
  unsigned char getGreen() const { return green; }
  /// Returns the blue used for drawing.
  unsigned char getBlue() const { return blue; }

  /// Draws the figure at a world position; nothing without a window.
  /// Does not allocate: every shape is drawn with the one shared figure().
  void draw(Vector world_pos);

  /// A shape to be drawn at a world position, for drawAll().
  struct Placed {
    Vector world_pos;  ///< Where draw() would be given.
    Shape *p_shape;    ///< The shape (a named colour's value is stored, as draw() does).
  };
  /// Whether drawAll() may stand in for draw() now: drawing goes into a
  /// terminal and no line is logged for each draw.
  static bool drawsInBatches();
  /// Draws count shapes, in order, into exactly the cells that draw() one
  /// after the other would fill, with the view's corner at view_corner; the
  /// display gets them in batches. Only while drawsInBatches().
  static void drawAll(const Placed *p_placed, std::size_t count, Vector view_corner);
  /// The SFML figure that every shape is drawn with, for inspection.
  /// It holds the settings of the last draw (what a figure does not set is kept
  /// from the draws before).
  static const sf::CircleShape &figure();
};

}  // namespace sb

#endif
