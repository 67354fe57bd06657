// Placeholder: drawing arrives with the display issue.
#include "Shape.h"

namespace sb {

Shape::Shape()
    : color(COLOR_DEFAULT), red(0), green(0), blue(0), type(CIRCLE), size(1), opacity(255) {}

void Shape::setType(ShapeType new_type) { type = new_type; }
ShapeType Shape::getType() const { return type; }
void Shape::setSize(float new_size) { size = new_size; }
float Shape::getSize() const { return size; }
void Shape::setColor(Color new_color) { color = new_color; }
void Shape::setColor(unsigned char r, unsigned char g, unsigned char b) {
  color = CUSTOM;
  red = r;
  green = g;
  blue = b;
}
Color Shape::getColor() const { return color; }
void Shape::setOpacity(unsigned char new_opacity) { opacity = new_opacity; }
unsigned char Shape::getOpacity() const { return opacity; }
void Shape::draw(Vector) {}

}  // namespace sb
