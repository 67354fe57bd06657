#include "Shape.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include <SFML/Graphics/RenderWindow.hpp>

#include "Config.h"
#include "DisplayManager.h"
#include "LogManager.h"
#include "utility.h"

namespace sb {

namespace {

// The settings of the one SFML figure of the program. Each draw sets what its
// type needs and keeps the rest from the draws before, as that figure would;
// the display draws from the settings, and the figure takes them when it is
// inspected, so drawing neither allocates nor rebuilds SFML geometry.
struct FigureSettings {
  std::size_t points = 30;
  float radius = 0;
  float rotation = 0;
  float x = 0, y = 0;
  sf::Color color = sf::Color::White;
};

FigureSettings settings;
bool figure_stale = false;

// Whether two floats have the same bits (NaNs and zeros of either sign alike or not).
bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

sf::CircleShape &sharedFigure() {
  static sf::CircleShape figure(0, 30);
  if (figure_stale) {
    if (figure.getPointCount() != settings.points) figure.setPointCount(settings.points);
    if (figure.getRadius() != settings.radius) figure.setRadius(settings.radius);
    figure.setRotation(settings.rotation);
    figure.setPosition(settings.x, settings.y);
    figure.setFillColor(settings.color);
    figure_stale = false;
  }
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
    : size(defaultSize()),
      color(COLOR_DEFAULT),
      red(0),
      green(0),
      blue(0),
      opacity(255),
      type(CIRCLE) {}

void Shape::setType(ShapeType new_type) {
  switch (new_type) {
    case UNDEFINED_SHAPE:
    case CIRCLE:
    case SQUARE:
    case TRIANGLE: type = new_type; break;
    default:
      LogManager::getInstance().writeLog("Shape::setType(): Unknown shape type %d. Ignoring.",
                                         static_cast<int>(new_type));
  }
}

ShapeType Shape::getType() const { return static_cast<ShapeType>(type); }
void Shape::setSize(float new_size) { size = new_size; }
float Shape::getSize() const { return size; }
void Shape::setColor(Color new_color) {
  bool fits = new_color >= SCHAR_MIN && new_color <= SCHAR_MAX;
  color = fits ? static_cast<signed char>(new_color) : UNSUPPORTED_COLOR;
}

void Shape::setColor(unsigned char r, unsigned char g, unsigned char b) {
  color = CUSTOM;
  red = r;
  green = g;
  blue = b;
}

Color Shape::getColor() const { return static_cast<Color>(color); }
void Shape::setOpacity(unsigned char new_opacity) { opacity = new_opacity; }
unsigned char Shape::getOpacity() const { return opacity; }

const sf::CircleShape &Shape::figure() { return sharedFigure(); }

template <typename Figure>
inline void Shape::placeInto(Figure &figure, float px, float py) {
  if (color != CUSTOM) colorToRGB(getColor(), red, green, blue);
  figure.color.r = red;  // member by member: sf::Color's constructor is not inline
  figure.color.g = green;
  figure.color.b = blue;
  figure.color.a = opacity;

  // Only squares are turned; the others are set upright again so that a
  // square drawn before them does not leave them rotated.
  float s = size;
  switch (type) {
    case CIRCLE:
      figure.points = !(s >= 3) ? 3 : (s > 10 ? 10 : static_cast<std::size_t>(s));  // NaN: 3
      figure.radius = s;
      figure.rotation = 0;
      break;
    case SQUARE:
      figure.points = 4;
      figure.rotation = 45;
      figure.radius = s / Config::getInstance().getFontScale();
      break;
    case TRIANGLE:
      figure.points = 3;
      figure.radius = s / 2;
      figure.rotation = 0;
      break;
    default: return;
  }
  Offsets offsets = cornerOffsets();
  figure.x = px + offsets.x;
  figure.y = py - offsets.y;
}

// Where the figure's corner lies from the reference point: right by x, up by y.
inline Shape::Offsets Shape::cornerOffsets() const {
  float half = size / 2;
  if (type == SQUARE) return {half, size / 1.75f};
  return {-half, half};
}

// The figure's settings for this shape with its reference point at pixel
// (px, py) of the view: what its type needs, the rest kept from before.
inline void Shape::place(float px, float py) {
  placeInto(settings, px, py);
  figure_stale = true;
}

void Shape::draw(Vector world_pos) {
  DisplayManager &display_manager = DisplayManager::getInstance();
  if (!display_manager.hasWindow() && !display_manager.isTerminal()) {
    // Headless games draw every shape every step: the line costs a call only when kept.
    LogManager &log_manager = LogManager::getInstance();
    if (log_manager.logs(5))
      log_manager.writeLog(5, "Shape::draw(): DisplayManager window not defined.");
    return;
  }
  Vector pixel = spacesToPixels(worldToView(world_pos));
  float px = pixel.getX(), py = pixel.getY();
  place(px, py);

  LogManager &log_manager = LogManager::getInstance();
  if (log_manager.logs(20))
    log_manager.writeLog(20, "Shape::draw(): Drawing at (%.2f, %.2f)", px, py);
  display_manager.drawPolygon(settings.x, settings.y, settings.radius, settings.points,
                              settings.rotation, settings.color);
}

bool Shape::drawsInBatches() {
  const DisplayManager &display_manager = DisplayManager::getInstance();
  return display_manager.isTerminal() && display_manager.isStarted() &&
         !LogManager::getInstance().logs(20);
}

void Shape::drawAll(const Placed *p_placed, std::size_t count, Vector view_corner) {
  const DisplayManager &display_manager = DisplayManager::getInstance();
  const float cell_width = charWidth(), cell_height = charHeight();
  // Made once: a colour would cost a call to construct.
  static DisplayBackEnd::PolygonAt places[DRAW_ALL_BATCH];
  DisplayBackEnd::Polygon batch_shape;
  std::size_t batch = 0;
  FigureSettings figure = settings;  // as each draw() leaves the shared figure
  // A shape of the type and size of the one before has its figure and the
  // same offsets to its corner (SQUARE, CIRCLE or TRIANGLE; none yet: -1).
  int same_type = -1;
  float same_size = 0;
  Offsets offsets = {0, 0};
  for (std::size_t i = 0; i < count; i++) {
    const Placed &placed = p_placed[i];
    Shape &shape = *placed.p_shape;
    // As draw() converts: to the view, then to pixels.
    Vector view = placed.world_pos - view_corner;
    float px = view.getX() * cell_width, py = view.getY() * cell_height;
    if (shape.type == same_type && sameBits(shape.size, same_size) && batch < DRAW_ALL_BATCH) {
      if (shape.color != CUSTOM) colorToRGB(shape.getColor(), shape.red, shape.green, shape.blue);
      DisplayBackEnd::PolygonAt &at = places[batch++];
      at.x = px + offsets.x;
      at.y = py - offsets.y;
      at.color.r = shape.red;
      at.color.g = shape.green;
      at.color.b = shape.blue;
      at.color.a = shape.opacity;
      continue;
    }
    shape.placeInto(figure, px, py);
    bool drawn = shape.type == CIRCLE || shape.type == SQUARE || shape.type == TRIANGLE;
    same_type = drawn ? shape.type : -1;
    same_size = shape.size;
    offsets = shape.cornerOffsets();
    // A batch holds polygons of one radius, corner count and rotation.
    bool same_shape = sameBits(figure.radius, batch_shape.radius) &&
                      figure.points == batch_shape.points &&
                      sameBits(figure.rotation, batch_shape.rotation);
    if (batch > 0 && (!same_shape || batch == DRAW_ALL_BATCH)) {
      display_manager.drawPolygons(batch_shape, places, batch);
      batch = 0;
    }
    batch_shape.radius = figure.radius;
    batch_shape.points = figure.points;
    batch_shape.rotation = figure.rotation;
    DisplayBackEnd::PolygonAt &at = places[batch++];
    at.x = figure.x;
    at.y = figure.y;
    at.color = figure.color;
  }
  if (batch > 0) display_manager.drawPolygons(batch_shape, places, batch);
  if (count > 0) {  // the last one, as draw() leaves it
    Vector view = p_placed[count - 1].world_pos - view_corner;
    p_placed[count - 1].p_shape->placeInto(figure, view.getX() * cell_width,
                                           view.getY() * cell_height);
  }
  settings = figure;
  figure_stale = true;
}

std::string toString(Shape shape) {
  switch (shape.getType()) {
    case CIRCLE: return "circle";
    case SQUARE: return "square";
    case TRIANGLE: return "triangle";
    default: return "undefined";
  }
}

}  // namespace sb
