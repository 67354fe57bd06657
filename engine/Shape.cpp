#include "Shape.h"

#include <cmath>

#include <SFML/Graphics/RenderWindow.hpp>

#include "Config.h"
#include "DisplayManager.h"
#include "LogManager.h"
#include "utility.h"

namespace sb {

namespace {

// The one SFML figure of the program: made on first use, re-configured for
// every shape, so drawing allocates nothing.
sf::CircleShape &sharedFigure() {
  static sf::CircleShape figure(0, 30);
  return figure;
}

// About the size of a glyph: the smaller cell side, truncated, times the font scale.
float defaultSize() {
  float cell_width = charWidth(), cell_height = charHeight();
  float smaller = cell_width < cell_height ? cell_width : cell_height;
  // Before the display has its sizes the cell size is not a number.
  if (!std::isfinite(smaller) || smaller < 0) return 0;
  return static_cast<float>(static_cast<unsigned int>(smaller)) *
         Config::getInstance().getFontScale();
}

}  // namespace

Shape::Shape()
    : color(COLOR_DEFAULT),
      red(0),
      green(0),
      blue(0),
      type(CIRCLE),
      size(defaultSize()),
      opacity(255) {}

void Shape::setType(ShapeType new_type) {
  switch (new_type) {
    case UNDEFINED_SHAPE:
    case CIRCLE:
    case SQUARE:
    case TRIANGLE:
      type = new_type;
      break;
    default:
      LogManager::getInstance().writeLog("Shape::setType(): Unknown shape type %d. Ignoring.",
                                         static_cast<int>(new_type));
  }
}

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

const sf::CircleShape &Shape::figure() { return sharedFigure(); }

void Shape::draw(Vector world_pos) {
  sf::RenderWindow *p_window = DisplayManager::getInstance().getWindow();
  if (!p_window) {
    LogManager::getInstance().writeLog(5, "Shape::draw(): DisplayManager window not defined.");
    return;
  }
  Vector pixel = spacesToPixels(worldToView(world_pos));
  float px = pixel.getX(), py = pixel.getY();
  sf::CircleShape &figure = sharedFigure();

  if (color != CUSTOM) colorToRGB(color, red, green, blue);
  figure.setFillColor(sf::Color(red, green, blue, opacity));

  // Only squares are turned; the others are set upright again so that a
  // square drawn before them does not leave them rotated.
  float s = size;
  switch (type) {
    case CIRCLE: {
      int points = !(s >= 3) ? 3 : (s > 10 ? 10 : static_cast<int>(s));  // NaN gives 3
      figure.setPointCount(static_cast<std::size_t>(points));
      figure.setRadius(s);
      figure.setRotation(0);
      figure.setPosition(px - s / 2, py - s / 2);
      break;
    }
    case SQUARE:
      figure.setPointCount(4);
      figure.setRotation(45);
      figure.setRadius(s / Config::getInstance().getFontScale());
      figure.setPosition(px + s / 2, py - s / 1.75f);
      break;
    case TRIANGLE:
      figure.setPointCount(3);
      figure.setRadius(s / 2);
      figure.setRotation(0);
      figure.setPosition(px - s / 2, py - s / 2);
      break;
    default:
      break;
  }

  LogManager::getInstance().writeLog(20, "Shape::draw(): Drawing at (%.2f, %.2f)", px, py);
  p_window->draw(figure);
}

}  // namespace sb
