#ifndef SORBELANE_SHAPE_H
#define SORBELANE_SHAPE_H

#include <SFML/Graphics/CircleShape.hpp>

#include "Color.h"
#include "Vector.h"

namespace sb {

enum ShapeType : int {
  UNDEFINED_SHAPE = -1,
  CIRCLE = 0,
  SQUARE = 1,
  TRIANGLE = 2,
};

// A filled circle, square or triangle drawn in pixels at a world position.
class Shape {
 private:
  Color color;
  unsigned char red;
  unsigned char green;
  unsigned char blue;
  ShapeType type;
  float size;
  unsigned char opacity;

 public:
  Shape();

  void setType(ShapeType new_type);
  ShapeType getType() const;
  void setSize(float new_size);
  float getSize() const;
  void setColor(Color new_color);
  void setColor(unsigned char r, unsigned char g, unsigned char b);
  Color getColor() const;
  void setOpacity(unsigned char new_opacity);
  unsigned char getOpacity() const;
  unsigned char getRed() const { return red; }
  unsigned char getGreen() const { return green; }
  unsigned char getBlue() const { return blue; }

  // Draws the figure at a world position; nothing without a window.
  void draw(Vector world_pos);

  // The SFML figure that every shape is drawn with, for inspection.
  static const sf::CircleShape &figure();
};

}  // namespace sb

#endif
