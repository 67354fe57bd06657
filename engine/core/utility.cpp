#include "utility.h"


#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

#include "DisplayManager.h"
#include "EventKeyboard.h"
#include "Firework.h"
#include "GameManager.h"
#include "LogManager.h"
#include "Object.h"
#include "Particle.h"
#include "Precipitation.h"
#include "Shape.h"
#include "Splash.h"
#include "WorldManager.h"

namespace sb {

// ---------------------------------------------------------------------------
// Geometry tests

bool boxContainsPosition(Box b, Vector p) {
  float x1 = b.getCorner().getX(), y1 = b.getCorner().getY();
  return valueInRange(p.getX(), x1, x1 + b.getHorizontal()) &&
         valueInRange(p.getY(), y1, y1 + b.getVertical());
}

bool boxContainsBox(Box a, Box b) {
  if (!boxContainsPosition(a, b.getCorner())) return false;
  Vector opposite = b.getCorner() + Vector(b.getHorizontal(), b.getVertical());
  return boxContainsPosition(a, opposite);
}

bool lineIntersectsLine(Line a, Line b) {
  Vector a1 = a.getP1(), a2 = a.getP2(), b1 = b.getP1(), b2 = b.getP2();
  float denominator = (b2.getY() - b1.getY()) * (a2.getX() - a1.getX()) -
                      (b2.getX() - b1.getX()) * (a2.getY() - a1.getY());
  if (denominator == 0) return false;
  float ua = ((b2.getX() - b1.getX()) * (a1.getY() - b1.getY()) -
              (b2.getY() - b1.getY()) * (a1.getX() - b1.getX())) /
             denominator;
  if (ua < 0 || ua > 1) return false;
  float ub = ((a2.getX() - a1.getX()) * (a1.getY() - b1.getY()) -
              (a2.getY() - a1.getY()) * (a1.getX() - b1.getX())) /
             denominator;
  return ub >= 0 && ub <= 1;
}

bool lineIntersectsBox(Line l, Box b) {
  Vector top_left = b.getCorner();
  Vector top_right = top_left + Vector(b.getHorizontal(), 0);
  Vector bottom_left = top_left + Vector(0, b.getVertical());
  Vector bottom_right = top_left + Vector(b.getHorizontal(), b.getVertical());
  bool crosses = false;
  crosses |= lineIntersectsLine(l, Line(top_left, top_right));
  crosses |= lineIntersectsLine(l, Line(top_right, bottom_right));
  crosses |= lineIntersectsLine(l, Line(bottom_left, bottom_right));
  crosses |= lineIntersectsLine(l, Line(top_left, bottom_left));
  if (crosses) return true;
  return boxContainsPosition(b, l.getP1()) && boxContainsPosition(b, l.getP2());
}

bool circleIntersectsBox(Circle c, Box b) {
  Vector top_left = b.getCorner();
  const Vector corners[4] = {top_left, top_left + Vector(b.getHorizontal(), 0),
                             top_left + Vector(0, b.getVertical()),
                             top_left + Vector(b.getHorizontal(), b.getVertical())};
  for (const Vector &corner : corners)
    if (distance(corner, c.getCenter()) < c.getRadius()) return true;
  return false;
}

float distance(Vector a, Vector b) {
  float dx = a.getX() - b.getX(), dy = a.getY() - b.getY();
  return std::sqrt(dx * dx + dy * dy);
}

float distance(Object *p_a, Object *p_b) {
  if (!p_a || !p_b) return -1.0f;
  return distance(p_a->getPosition(), p_b->getPosition());
}

bool valueInRange(float value, float min, float max) { return min <= value && value <= max; }

Box getWorldBox(const Object *p_o) { return p_o->worldBox(); }

Box getWorldBox(const Object *p_o, Vector where) { return p_o->worldBoxAt(where); }

Vector getNormal(const Object *p_o, const Object *p_other) {
  Vector velocity = p_o->getVelocity();
  Vector start = p_o->getPosition();
  Box other_box = getWorldBox(p_other, p_other->getPosition());

  // Halve in on the last position short of the other box.
  float fraction = 0.5f;
  for (int power = 1; power <= 7; power++) {
    velocity.scale(fraction);
    Vector trial = p_o->getPosition() + velocity;
    float step = static_cast<float>(std::pow(0.5, power));
    if (boxIntersectsBox(getWorldBox(p_o, trial), other_box)) {
      fraction -= step;
    } else {
      start = trial;
      fraction += step;
    }
  }
  Box mover = getWorldBox(p_o, start);

  Vector corner = other_box.getCorner();
  float h = other_box.getHorizontal(), v = other_box.getVertical();
  struct Side {
    float dx, dy;
    Vector normal;
  };
  const Side sides[8] = {{0, -v, Vector(0, -1)},  {0, v, Vector(0, 1)},    {-h, 0, Vector(-1, 0)},
                         {h, 0, Vector(1, 0)},    {-h, -v, Vector(-1, -1)}, {h, -v, Vector(1, -1)},
                         {-h, v, Vector(-1, 1)},  {h, v, Vector(1, 1)}};
  for (const Side &side : sides) {
    Box neighbour(corner + Vector(side.dx, side.dy), h, v);
    if (boxIntersectsBox(mover, neighbour)) return side.normal;
  }
  LogManager::getInstance().writeLog("getNormal(): collision not detected. Returning (0,0).");
  return Vector(0, 0);
}

// ---------------------------------------------------------------------------
// World and view conversion, cells and pixels

Vector viewToWorld(Vector view_pos) {
  return view_pos + WorldManager::getInstance().getView().getCorner();
}

Vector worldToView(Vector world_pos) {
  return world_pos - WorldManager::getInstance().getView().getCorner();
}

namespace {

// pixels / chars as a float, kept for the sizes of the last call: shapes ask
// for the cell size at every draw, and the sizes change only at start-up.
struct CellSide {
  int pixels = 0, chars = 0;
  float size = NAN;  // 0 / 0
  float of(int new_pixels, int new_chars) {
    if (new_pixels != pixels || new_chars != chars) {
      pixels = new_pixels;
      chars = new_chars;
      size = static_cast<float>(pixels) / static_cast<float>(chars);
    }
    return size;
  }
};

}  // namespace

float charWidth() {
  static CellSide width;
  const DisplayManager &display_manager = DisplayManager::getInstance();
  return width.of(display_manager.getHorizontalPixels(), display_manager.getHorizontal());
}

float charHeight() {
  static CellSide height;
  const DisplayManager &display_manager = DisplayManager::getInstance();
  return height.of(display_manager.getVerticalPixels(), display_manager.getVertical());
}

Vector spacesToPixels(Vector spaces) {
  Vector pixels(spaces.getX() * charWidth(), spaces.getY() * charHeight());
  // Shapes convert every draw: the line costs a call only when kept.
  LogManager &log_manager = LogManager::getInstance();
  if (log_manager.logs(30))
    log_manager.writeLog(30, "spacesToPixels(int): spaces (%.2f,%.2f) = pixels (%.2f,%.2f)",
                         spaces.getX(), spaces.getY(), pixels.getX(), pixels.getY());
  return pixels;
}

Vector pixelsToSpaces(Vector pixels) {
  Vector spaces(pixels.getX() / charWidth(), pixels.getY() / charHeight());
  LogManager::getInstance().writeLog(30,
                                     "pixelsToSpaces(): pixels (%.2f,%.2f) = spaces (%.2f,%.2f)",
                                     pixels.getX(), pixels.getY(), spaces.getX(), spaces.getY());
  return spaces;
}

// ---------------------------------------------------------------------------
// Text conversions

int clampToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(value);
}

bool readInt(const std::string &text, int &value) {
  errno = 0;
  long long number = std::strtoll(text.c_str(), nullptr, 10);
  if (errno == ERANGE || number < INT_MIN || number > INT_MAX) return false;
  value = static_cast<int>(number);
  return true;
}

bool readFloat(const std::string &text, float &value, float limit) {
  double number = std::strtod(text.c_str(), nullptr);
  if (!std::isfinite(number) || std::fabs(number) > static_cast<double>(limit)) return false;
  value = static_cast<float>(number);
  return true;
}

std::string toString(bool value) { return value ? "true" : "false"; }

std::string toString(char value) { return std::string(1, value); }

std::string toString(int value) { return std::to_string(value); }

std::string toString(float value) {
  std::ostringstream out;
  out << static_cast<double>(value);
  return out.str();
}

std::string toString(Path path) {
  std::string text;
  for (const Vector &node : path.getPath())
    text += toString(node.getX()) + " " + toString(node.getY()) + "|";
  return text;
}

std::string toString(Keyboard::Key key) {
  if (key >= Keyboard::A && key <= Keyboard::Z)
    return std::string(1, static_cast<char>('A' + (key - Keyboard::A)));
  if (key >= Keyboard::NUM1 && key <= Keyboard::NUM9)
    return std::string(1, static_cast<char>('1' + (key - Keyboard::NUM1)));
  switch (key) {
    case Keyboard::NUM0:
      return "0";
    case Keyboard::SPACE:
      return " ";
    case Keyboard::MINUS:
      return "-";
    case Keyboard::PLUS:
      return "+";
    case Keyboard::TILDE:
      return "~";
    case Keyboard::PERIOD:
      return ".";
    case Keyboard::COMMA:
      return ",";
    case Keyboard::SLASH:
      return "/";
    case Keyboard::EQUAL:
      return "=";
    case Keyboard::BACKSLASH:
      return "\\";
    case Keyboard::MULTIPLY:
      return "*";
    case Keyboard::QUOTE:
      return "\"";
    case Keyboard::SEMICOLON:
      return ";";
    default:
      return "";
  }
}

std::string toString(Shape shape) {
  switch (shape.getType()) {
    case CIRCLE:
      return "circle";
    case SQUARE:
      return "square";
    case TRIANGLE:
      return "triangle";
    default:
      return "undefined";
  }
}

// ---------------------------------------------------------------------------
// Colours

const ColorEntry COLOR_TABLE[COLOR_TABLE_SIZE] = {
    {BLACK, "black", 0, 0, 0},       {RED, "red", 255, 0, 0},
    {GREEN, "green", 0, 255, 0},     {YELLOW, "yellow", 255, 255, 0},
    {BLUE, "blue", 0, 0, 255},       {MAGENTA, "magenta", 255, 0, 255},
    {CYAN, "cyan", 0, 255, 255},     {WHITE, "white", 255, 255, 255},
};

bool colorFromName(const std::string &name, Color &color) {
  for (const ColorEntry &entry : COLOR_TABLE)
    if (name == entry.name) {
      color = entry.color;
      return true;
    }
  return false;
}

void colorToRGB(Color color, unsigned char &r, unsigned char &g, unsigned char &b) {
  if (color >= BLACK && color <= WHITE) {
    const ColorEntry &entry = COLOR_TABLE[color];
    r = entry.r, g = entry.g, b = entry.b;
  } else if (color != CUSTOM) {  // CUSTOM: the caller holds the RGB values
    LogManager::getInstance().writeLog(5, "colorToRGB(): Color %d not supported.",
                                       static_cast<int>(color));
  }
}

sf::Color colorToSFML(Color color) {
  if (color >= BLACK && color <= WHITE) {
    const ColorEntry &entry = COLOR_TABLE[color];
    return sf::Color(entry.r, entry.g, entry.b);
  }
  if (color == CUSTOM)
    LogManager::getInstance().writeLog(5, "colorToSFML(): Color is CUSTOM.");
  else
    LogManager::getInstance().writeLog(5, "colorToSFML(): Color %d not supported.",
                                       static_cast<int>(color));
  return sf::Color::White;
}

// ---------------------------------------------------------------------------
// Particles

namespace {

const float RAND_SCALE = 1.0f / 2147483648.0f;  // 2^-31: rand() into [0, 1)

// value spread uniformly over [value - spread/2, value + spread/2); no rand() call for 0.
float spreadFloat(float value, float spread) {
  if (spread == 0) return value;
  float u = static_cast<float>(rand()) * RAND_SCALE;
  return value + (u * spread - spread * 0.5f);
}

int spreadInt(int value, int spread) {
  if (spread == 0) return value;
  return value + (rand() % spread - spread / 2);
}

// One random offset for all non-zero components, so pure colours keep their hue.
void spreadColor(unsigned char &r, unsigned char &g, unsigned char &b, unsigned char spread) {
  if (spread == 0) return;
  int d = rand() % spread - (spread >> 1);
  for (unsigned char *p_c : {&r, &g, &b}) {
    if (*p_c == 0) continue;
    int c = *p_c + d;
    *p_c = static_cast<unsigned char>(c < 0 ? 0 : (c > 255 ? 255 : c));
  }
}

// (rand() - rand()) * 2^-31, the first call taken first.
float randomComponent() {
  int a = rand();
  int b = rand();
  return static_cast<float>(a - b) * RAND_SCALE;
}

Vector particleDirection(Vector direction, float direction_spread) {
  Vector heading;
  if (!direction) {
    float x = randomComponent();
    heading.setXY(x, randomComponent());
  } else {
    heading = direction;
    if (direction_spread != 0) {
      heading.setX(spreadFloat(heading.getX(), direction_spread));
      heading.setY(spreadFloat(heading.getY(), direction_spread));
    }
  }
  heading.normalize();
  return heading;
}

// The full form's parameters, filled in by a preset.
struct Burst {
  int count;
  int count_spread;
  Vector direction;
  float direction_spread;
  float size;
  float size_spread;
  float speed;
  float speed_spread;
  int age;
  int age_spread;
  unsigned char opacity;
  char opacity_spread;
  unsigned char r, g, b;
  unsigned char color_spread;
  ParticleClass particle_class;
};

// Field order: count, count_spread, direction, direction_spread, size, size_spread,
// speed, speed_spread, age, age_spread, opacity, opacity_spread, r, g, b,
// color_spread, class.
Burst presetBurst(ParticleType type, float f) {
  Burst burst = {0, 0, Vector(), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, PARTICLE};
  float spark_speed = (0.25f * f + 1) * 0.08f;
  float firework_speed = (f / 3 + 1) * 0.1f;
  // clang-format off
  switch (type) {
    case SMOKE:
      burst = {int(20 * f), 0, Vector(0, -1), (0.3f * f) * 0.5f, (5 * f) / 1.5f, 0.15f * f,
               0.2f, 0.05f, int(20 * f), int(5 * f), 128, 50, 128, 128, 128, 50, PARTICLE};
      break;
    case SPARKS:
      burst = {int(50 * f), int(20 * f), Vector(0, 0), 0, 1.5f * f, 0,
               spark_speed, spark_speed, int(15 * f), int(15 * f), 255, 75, 255, 69, 0, 0,
               PARTICLE};
      break;
    case BURST:
      burst = {int(50 * f), 0, Vector(0, 0), 0, 2.5f * f, 0,
               spark_speed, 0, int(10 * f), 0, 255, 75, 255, 20, 147, 0, PARTICLE};
      break;
    case FIREWORKS:
      burst = {int(4 * f), int(5 * f), Vector(0, -1), 1.5f, f + f, 0,
               firework_speed, firework_speed, int(20 * f), int(20 * f), 255, 75, 255, 69, 0, 255,
               FIREWORK};
      break;
    default:
      break;  // count 0: nothing is made
  }
  // clang-format on
  return burst;
}

// Size and speed of one particle of a precipitation field.
void precipitationDrop(PrecipitationType type, float &size, float &speed) {
  switch (type) {
    case SNOW:
      size = static_cast<float>(rand() % 20) / 10 + 3;
      speed = 0.25f;
      break;
    case RAIN:
      size = 3;
      speed = 0.75f;
      break;
    default: {  // STARS: larger stars are faster
      int k = rand() % 10 + 4;
      size = 20.0f / k;
      speed = 1.0f / k;
      break;
    }
  }
}

}  // namespace

// count_spread is accepted and not used: exactly count particles are made, so
// that a burst's load is known to callers.
int addParticles(int count, int /*count_spread*/, Vector position, float position_spread,
                 Vector direction, float direction_spread, float size, float size_spread,
                 float speed, float speed_spread, int age, int age_spread, unsigned char opacity,
                 char opacity_spread, unsigned char r, unsigned char g, unsigned char b,
                 unsigned char color_spread, ParticleClass particle_class) {
  int opacity_range = static_cast<signed char>(opacity_spread);
  for (int i = 0; i < count; i++) {
    unsigned char p_opacity = opacity;
    if (opacity_range != 0)
      p_opacity =
          static_cast<unsigned char>(opacity + (rand() % opacity_range - opacity_range / 2));
    int p_age = spreadInt(age, age_spread);
    float p_size = spreadFloat(size, size_spread);
    unsigned char p_r = r, p_g = g, p_b = b;
    spreadColor(p_r, p_g, p_b, color_spread);

    Particle *p_particle = nullptr;
    if (particle_class == PARTICLE) {
      p_particle = new Particle(p_size, p_age, p_opacity, p_r, p_g, p_b);
    } else if (particle_class == FIREWORK) {
      p_particle = new Firework(p_size, p_age, p_opacity, p_r, p_g, p_b);
    } else {
      LogManager::getInstance().writeLog("addParticles(): Type %d not defined.",
                                         static_cast<int>(particle_class));
      return -1;
    }

    Vector velocity = particleDirection(direction, direction_spread);
    velocity.scale(spreadFloat(speed, speed_spread));
    Vector where = position;
    if (position_spread != 0) {
      where.setX(spreadFloat(where.getX(), position_spread));
      where.setY(spreadFloat(where.getY(), position_spread));
    }
    p_particle->setPosition(where);
    p_particle->setVelocity(velocity);
  }
  return 0;
}

int addParticles(ParticleType type, Vector position, float scale, Color color) {
  // The presets turn scaled amounts into counts and ages.
  if (!std::isfinite(scale) || std::fabs(scale) > MAX_PARTICLE_SCALE) {
    LogManager::getInstance().writeLog("addParticles(): Error! Scale %f out of range.",
                                       static_cast<double>(scale));
    return -1;
  }
  Burst p = presetBurst(type, scale);
  colorToRGB(color, p.r, p.g, p.b);
  return addParticles(p.count, p.count_spread, position, 0, p.direction, p.direction_spread, p.size,
                      p.size_spread, p.speed, p.speed_spread, p.age, p.age_spread, p.opacity,
                      p.opacity_spread, p.r, p.g, p.b, p.color_spread, p.particle_class);
}

// A field of precipitation over the whole world. A named colour replaces the
// table's colour, as for the presets; CUSTOM keeps it.
int addParticles(PrecipitationType type, Direction direction, float density, Color color) {
  float d = 0;
  unsigned char r = 255, g = 255, b = 255, opacity = 128;
  int altitude = 4;
  bool turbulence = false;
  switch (type) {
    case SNOW:
      d = 60;
      turbulence = true;
      break;
    case RAIN:
      d = 60;
      r = g = b = 128;
      break;
    case STARS:
      d = 120;
      opacity = 255;
      altitude = 0;
      break;
    default:
      return 0;
  }
  colorToRGB(color, r, g, b);

  if (!std::isfinite(density) || density < 0) {
    LogManager::getInstance().writeLog("addParticles(): Error! Density %f out of range.",
                                       static_cast<double>(density));
    return -1;
  }
  Box boundary = WorldManager::getInstance().getBoundary();
  int n = clampToInt(static_cast<double>(boundary.getVertical()) * boundary.getHorizontal() / d *
                     density);
  if (n <= 0) return 0;
  if (n > MAX_PRECIPITATION) {
    LogManager::getInstance().writeLog("addParticles(): Warning! %d particles of precipitation "
                                       "capped at %d.", n, MAX_PRECIPITATION);
    n = MAX_PRECIPITATION;
  }

  std::vector<float> sizes(n);
  std::vector<Vector> velocities(n);
  for (int i = 0; i < n; i++) {
    float s = 0;
    precipitationDrop(type, sizes[i], s);
    switch (direction) {
      case UP:
        velocities[i].setXY(0, -s);
        break;
      case DOWN:
        velocities[i].setXY(0, s);
        break;
      case LEFT:
        velocities[i].setXY(-s, 0);
        break;
      case RIGHT:
        velocities[i].setXY(s, 0);
        break;
      default:
        LogManager::getInstance().writeLog("addParticles(): Error! Direction %d not supported.",
                                           static_cast<int>(direction));
        return -1;
    }
  }
  for (int i = 0; i < n; i++) {
    Precipitation *p_drop = new Precipitation(sizes[i], direction, opacity, r, g, b);
    p_drop->setVelocity(velocities[i]);
    p_drop->setAltitude(altitude);
    p_drop->setTurbulence(turbulence);
  }
  return 0;
}

// ---------------------------------------------------------------------------
// Attribute strings

namespace {

// The elements of the last parsed attribute string, searched when match()
// is called with an empty string.
std::vector<std::string> match_keys;
std::vector<std::string> match_values;
int item_count = 0;

void parseAttributes(const std::string &str) {
  LogManager &log_manager = LogManager::getInstance();
  std::string compact;
  compact.reserve(str.size());
  for (char c : str)
    if (!std::isspace(static_cast<unsigned char>(c))) compact += c;

  int commas = 0;
  for (char c : compact)
    if (c == ',') commas++;
  int allocated = commas + 1;
  match_keys.clear();
  match_values.clear();
  match_keys.reserve(allocated);
  match_values.reserve(allocated);
  log_manager.writeLog(25, "match(): number of elements allocated is %d", allocated);

  item_count = 0;
  for (const std::string &element : splitRuns(compact, ',')) {
    log_manager.writeLog(25, "\titem number %d", item_count);
    log_manager.writeLog(28, "\tp_element is '%s' (%p)", element.c_str(),
                         static_cast<const void *>(element.c_str()));
    std::vector<std::string> tokens = splitRuns(element, ':');
    if (tokens.empty()) {
      log_manager.writeLog(28, "\ttoken is '%s' (%p)", "(null)", static_cast<const void *>(nullptr));
      break;  // an element of colons only ends the parse
    }
    log_manager.writeLog(28, "\ttoken is '%s' (%p)", tokens[0].c_str(),
                         static_cast<const void *>(tokens[0].c_str()));
    match_keys.push_back(tokens[0]);
    log_manager.writeLog(25, "\tkey %s", tokens[0].c_str());
    match_values.push_back(tokens.size() > 1 ? tokens[1] : std::string());
    log_manager.writeLog(25, "\tval %s", match_values.back().c_str());
    item_count++;
  }

  log_manager.writeLog(25, "match(): parsed.");
  for (int k = 0; k < item_count; k++)
    log_manager.writeLog(28, "\t%d  %s : %s", k, match_keys[k].c_str(), match_values[k].c_str());
}

}  // namespace

std::vector<std::string> splitRuns(const std::string &text, char sep) {
  std::vector<std::string> parts;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && text[i] == sep) i++;
    if (i >= text.size()) break;
    size_t end = text.find(sep, i);
    if (end == std::string::npos) end = text.size();
    parts.push_back(text.substr(i, end - i));
    i = end;
  }
  return parts;
}

std::string match(std::string str, std::string find) {
  LogManager &log_manager = LogManager::getInstance();
  log_manager.writeLog(25, "match(\"%s\", \"%s\")", str.c_str(), find.c_str());
  if (!str.empty()) parseAttributes(str);
  log_manager.writeLog(25, "match(): Looking for match '%s' among %d items.", find.c_str(),
                       item_count);
  for (int i = 0; i < item_count; i++) {
    log_manager.writeLog(28, "match(): %d: %s == %s?", i, match_keys[i].c_str(), find.c_str());
    if (match_keys[i] == find) return match_values[i];
  }
  return "";
}

// ---------------------------------------------------------------------------
// Splash screen

// Runs the splash screen in a game loop of its own; game over stays set.
int splash() {
  LogManager &log_manager = LogManager::getInstance();
  log_manager.writeLog(10, "splash(): Started.");
  GameManager &game_manager = GameManager::getInstance();
  if (!game_manager.isStarted()) {
    log_manager.writeLog("splash(): Error! Cannot run splash screen until game manger is started.");
    return -1;
  }
  new Splash;
  game_manager.run();
  log_manager.writeLog(10, "splash(): Finished.");
  return 0;
}

namespace {

// Code page 437: the glyphs of codes 0 to 31 (0 has none) and 128 to 255.
const unsigned short CP437_LOW[32] = {
    0x0000, 0x263a, 0x263b, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022,
    0x25d8, 0x25cb, 0x25d9, 0x2642, 0x2640, 0x266a, 0x266b, 0x263c,
    0x25ba, 0x25c4, 0x2195, 0x203c, 0x00b6, 0x00a7, 0x25ac, 0x21a8,
    0x2191, 0x2193, 0x2192, 0x2190, 0x221f, 0x2194, 0x25b2, 0x25bc,
};
const unsigned short CP437_HIGH[128] = {
    0x00c7, 0x00fc, 0x00e9, 0x00e2, 0x00e4, 0x00e0, 0x00e5, 0x00e7,
    0x00ea, 0x00eb, 0x00e8, 0x00ef, 0x00ee, 0x00ec, 0x00c4, 0x00c5,
    0x00c9, 0x00e6, 0x00c6, 0x00f4, 0x00f6, 0x00f2, 0x00fb, 0x00f9,
    0x00ff, 0x00d6, 0x00dc, 0x00a2, 0x00a3, 0x00a5, 0x20a7, 0x0192,
    0x00e1, 0x00ed, 0x00f3, 0x00fa, 0x00f1, 0x00d1, 0x00aa, 0x00ba,
    0x00bf, 0x2310, 0x00ac, 0x00bd, 0x00bc, 0x00a1, 0x00ab, 0x00bb,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255d, 0x255c, 0x255b, 0x2510,
    0x2514, 0x2534, 0x252c, 0x251c, 0x2500, 0x253c, 0x255e, 0x255f,
    0x255a, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256c, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256b,
    0x256a, 0x2518, 0x250c, 0x2588, 0x2584, 0x258c, 0x2590, 0x2580,
    0x03b1, 0x00df, 0x0393, 0x03c0, 0x03a3, 0x03c3, 0x00b5, 0x03c4,
    0x03a6, 0x0398, 0x03a9, 0x03b4, 0x221e, 0x03c6, 0x03b5, 0x2229,
    0x2261, 0x00b1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00f7, 0x2248,
    0x00b0, 0x2219, 0x00b7, 0x221a, 0x207f, 0x00b2, 0x25a0, 0x00a0,
};

}  // namespace

unsigned int characterCodePoint(unsigned char code, bool cp437) {
  if (!cp437 || code == 0 || (code >= 32 && code < 128)) return code;
  return code < 32 ? CP437_LOW[code] : CP437_HIGH[code - 128];
}

}  // namespace sb
