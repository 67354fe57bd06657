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

#include "AttributeList.h"
#include "LogManager.h"

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

bool valueInRange(float value, float min, float max) { return min <= value && value <= max; }

// ---------------------------------------------------------------------------
// Text conversions

int clampToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(value);
}

namespace {

// Whether the used characters at the front of text meet rule; plain lists the
// characters a PLAIN number may hold, at most plain_length of them.
bool meetsRule(const std::string &text, size_t used, NumberRule rule, const char *plain,
               size_t plain_length) {
  if (rule == NumberRule::PREFIX) return true;
  if (used == 0 || used != text.size()) return false;
  if (rule == NumberRule::WHOLE) return true;
  return text.size() <= plain_length && text.find_first_not_of(plain) == std::string::npos;
}

const char PLAIN_INTEGER[] = "-0123456789";
const char PLAIN_FRACTION[] = "+-.e0123456789";
constexpr size_t PLAIN_INTEGER_LENGTH = 11;
constexpr size_t PLAIN_FRACTION_LENGTH = 24;

}  // namespace

bool readNumber(const std::string &text, long long &value, NumberRule rule) {
  char *end = nullptr;
  value = std::strtoll(text.c_str(), &end, 10);
  return meetsRule(text, static_cast<size_t>(end - text.c_str()), rule, PLAIN_INTEGER,
                   PLAIN_INTEGER_LENGTH);
}

bool readNumber(const std::string &text, double &value, NumberRule rule) {
  char *end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return meetsRule(text, static_cast<size_t>(end - text.c_str()), rule, PLAIN_FRACTION,
                   PLAIN_FRACTION_LENGTH);
}

bool readNumber(const std::string &text, float &value, NumberRule rule) {
  char *end = nullptr;
  value = std::strtof(text.c_str(), &end);
  return meetsRule(text, static_cast<size_t>(end - text.c_str()), rule, PLAIN_FRACTION,
                   PLAIN_FRACTION_LENGTH);
}

// Beyond long long the number saturates, and so falls outside the int range.
bool readInt(const std::string &text, int &value) {
  long long number = 0;
  readNumber(text, number, NumberRule::PREFIX);
  if (number < INT_MIN || number > INT_MAX) return false;
  value = static_cast<int>(number);
  return true;
}

bool readFloat(const std::string &text, float &value, float limit) {
  double number = 0;
  readNumber(text, number, NumberRule::PREFIX);
  if (!std::isfinite(number) || std::fabs(number) > static_cast<double>(limit)) return false;
  value = static_cast<float>(number);
  return true;
}

std::string toString(bool value) { return value ? "true" : "false"; }

std::string toString(char value) { return std::string(1, value); }

std::string toString(int value) { return std::to_string(value); }

// ---------------------------------------------------------------------------
// Colours

const ColorEntry COLOR_TABLE[COLOR_TABLE_SIZE] = {
    {BLACK, "black", 0, 0, 0},   {RED, "red", 255, 0, 0},
    {GREEN, "green", 0, 255, 0}, {YELLOW, "yellow", 255, 255, 0},
    {BLUE, "blue", 0, 0, 255},   {MAGENTA, "magenta", 255, 0, 255},
    {CYAN, "cyan", 0, 255, 255}, {WHITE, "white", 255, 255, 255},
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
// Attribute strings

namespace {

// The elements of the last parsed attribute string, searched when match()
// is called with an empty string.
std::vector<AttributeList::Element> match_elements;
int item_count = 0;

// Reads str with the one attribute-string reader and logs each element as it
// was read.
void parseAttributes(const std::string &str) {
  LogManager &log_manager = LogManager::getInstance();
  int commas = 0;
  for (char c : str)
    if (c == ',') commas++;
  log_manager.writeLog(25, "match(): number of elements allocated is %d", commas + 1);

  std::vector<std::string> texts;
  match_elements = AttributeList::read(str, log_manager.logs(25) ? &texts : nullptr);
  item_count = static_cast<int>(match_elements.size());
  for (size_t k = 0; k < texts.size(); k++) {
    log_manager.writeLog(25, "\titem number %d", static_cast<int>(k));
    log_manager.writeLog(28, "\tp_element is '%s' (%p)", texts[k].c_str(),
                         static_cast<const void *>(texts[k].c_str()));
    if (k == match_elements.size()) {  // an element of colons only ended the parse
      log_manager.writeLog(28, "\ttoken is '%s' (%p)", "(null)",
                           static_cast<const void *>(nullptr));
      break;
    }
    const AttributeList::Element &element = match_elements[k];
    log_manager.writeLog(28, "\ttoken is '%s' (%p)", element.key.c_str(),
                         static_cast<const void *>(element.key.c_str()));
    log_manager.writeLog(25, "\tkey %s", element.key.c_str());
    log_manager.writeLog(25, "\tval %s", element.value.c_str());
  }

  log_manager.writeLog(25, "match(): parsed.");
  for (int k = 0; k < item_count; k++)
    log_manager.writeLog(28, "\t%d  %s : %s", k, match_elements[k].key.c_str(),
                         match_elements[k].value.c_str());
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
    const AttributeList::Element &element = match_elements[i];
    log_manager.writeLog(28, "match(): %d: %s == %s?", i, element.key.c_str(), find.c_str());
    if (element.key == find) return element.value;
  }
  return "";
}

namespace {

// Code page 437: the glyphs of codes 0 to 31 (0 has none) and 128 to 255.
const unsigned short CP437_LOW[32] = {
    0x0000, 0x263a, 0x263b, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25d8, 0x25cb, 0x25d9,
    0x2642, 0x2640, 0x266a, 0x266b, 0x263c, 0x25ba, 0x25c4, 0x2195, 0x203c, 0x00b6, 0x00a7,
    0x25ac, 0x21a8, 0x2191, 0x2193, 0x2192, 0x2190, 0x221f, 0x2194, 0x25b2, 0x25bc,
};
const unsigned short CP437_HIGH[128] = {
    0x00c7, 0x00fc, 0x00e9, 0x00e2, 0x00e4, 0x00e0, 0x00e5, 0x00e7, 0x00ea, 0x00eb, 0x00e8, 0x00ef,
    0x00ee, 0x00ec, 0x00c4, 0x00c5, 0x00c9, 0x00e6, 0x00c6, 0x00f4, 0x00f6, 0x00f2, 0x00fb, 0x00f9,
    0x00ff, 0x00d6, 0x00dc, 0x00a2, 0x00a3, 0x00a5, 0x20a7, 0x0192, 0x00e1, 0x00ed, 0x00f3, 0x00fa,
    0x00f1, 0x00d1, 0x00aa, 0x00ba, 0x00bf, 0x2310, 0x00ac, 0x00bd, 0x00bc, 0x00a1, 0x00ab, 0x00bb,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255d, 0x255c, 0x255b, 0x2510, 0x2514, 0x2534, 0x252c, 0x251c, 0x2500, 0x253c, 0x255e, 0x255f,
    0x255a, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256c, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256b, 0x256a, 0x2518, 0x250c, 0x2588, 0x2584, 0x258c, 0x2590, 0x2580,
    0x03b1, 0x00df, 0x0393, 0x03c0, 0x03a3, 0x03c3, 0x00b5, 0x03c4, 0x03a6, 0x0398, 0x03a9, 0x03b4,
    0x221e, 0x03c6, 0x03b5, 0x2229, 0x2261, 0x00b1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00f7, 0x2248,
    0x00b0, 0x2219, 0x00b7, 0x221a, 0x207f, 0x00b2, 0x25a0, 0x00a0,
};

}  // namespace

unsigned int characterCodePoint(unsigned char code, bool cp437) {
  if (!cp437 || code == 0 || (code >= 32 && code < 128)) return code;
  return code < 32 ? CP437_LOW[code] : CP437_HIGH[code - 128];
}

}  // namespace sb
