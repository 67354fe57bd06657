// The engine's free functions: attribute strings, text conversions, geometry
// tests, world and view conversion, cells and pixels, colours and particles.
#ifndef SORBELANE_UTILITY_H
#define SORBELANE_UTILITY_H

#include <string>
#include <vector>

#include <SFML/Graphics/Color.hpp>

#include "Box.h"
#include "Circle.h"
#include "Color.h"
#include "Constants.h"
#include "EventKeyboard.h"
#include "Line.h"
#include "Path.h"
#include "ParticleTypes.h"
#include "Vector.h"

namespace sb {

class Object;
class Shape;

// Attribute strings: the value of the first element whose key is find.
// An empty str searches the elements parsed by the previous call.
std::string match(std::string str, std::string find);
// The pieces of text between runs of sep, leading separators skipped.
std::vector<std::string> splitRuns(const std::string &text, char sep);

// Shows the engine's splash screen until it ends or a key is pressed.
// -1 when the game manager is not started.
int splash();

// A number as an int for counts, cells and sizes: NaN gives 0, and values
// beyond the int range give the nearest limit (a plain cast is undefined there).
int clampToInt(double value);

// Numbers read from attribute values, as strtol/strtod read them (text that
// is no number reads as 0). false, and value untouched, for an int out of
// range, or a float that is not finite or larger in magnitude than limit.
bool readInt(const std::string &text, int &value);
bool readFloat(const std::string &text, float &value, float limit = MAX_ATTRIBUTE_MAGNITUDE);

std::string toString(bool value);
std::string toString(char value);
std::string toString(int value);
std::string toString(float value);
// Every node from the first as "x y|".
std::string toString(Path path);
std::string toString(Shape shape);
// A key's printable name; "" for keys without one.
std::string toString(Keyboard::Key key);

// Geometry; every test is inclusive of edges except circleIntersectsBox.
inline bool boxIntersectsBox(const Box &a, const Box &b) {
  float ax1 = a.getCorner().getX(), ax2 = ax1 + a.getHorizontal();
  float bx1 = b.getCorner().getX(), bx2 = bx1 + b.getHorizontal();
  float ay1 = a.getCorner().getY(), ay2 = ay1 + a.getVertical();
  float by1 = b.getCorner().getY(), by2 = by1 + b.getVertical();
  bool x_overlap = (bx1 <= ax1 && ax1 <= bx2) || (ax1 <= bx1 && bx1 <= ax2);
  bool y_overlap = (by1 <= ay1 && ay1 <= by2) || (ay1 <= by1 && by1 <= ay2);
  return x_overlap && y_overlap;
}
bool boxContainsPosition(Box b, Vector p);
bool boxContainsBox(Box a, Box b);
bool lineIntersectsLine(Line a, Line b);
bool lineIntersectsBox(Line l, Box b);
bool circleIntersectsBox(Circle c, Box b);
float distance(Vector a, Vector b);
float distance(Object *p_a, Object *p_b);
bool valueInRange(float value, float min, float max);
Box getWorldBox(const Object *p_o);
Box getWorldBox(const Object *p_o, Vector where);
Vector viewToWorld(Vector view_pos);
Vector worldToView(Vector world_pos);
// The side of other that the moving object p_o meets, as (-1|0|1, -1|0|1).
Vector getNormal(const Object *p_o, const Object *p_other);

// Cells and pixels.
float charWidth();
float charHeight();
Vector spacesToPixels(Vector spaces);
Vector pixelsToSpaces(Vector pixels);

// Colours.
void colorToRGB(Color color, unsigned char &r, unsigned char &g, unsigned char &b);
sf::Color colorToSFML(Color color);

// Particles: the full form, a preset, and a field of precipitation.
int addParticles(int count, int count_spread, Vector position, float position_spread,
                 Vector direction, float direction_spread, float size, float size_spread,
                 float speed, float speed_spread, int age, int age_spread, unsigned char opacity,
                 char opacity_spread, unsigned char r, unsigned char g, unsigned char b,
                 unsigned char color_spread, ParticleClass particle_class);
int addParticles(ParticleType type, Vector position, float scale = 1.0f, Color color = CUSTOM);
int addParticles(PrecipitationType type, Direction direction, float density = 1.0f,
                 Color color = CUSTOM);

// Network messages: the length field at the front of a message, 4 bytes
// little-endian whatever the machine; and "\t<error> - <its text>" in the log.
void putMessageLength(unsigned char *header, int length);
int getMessageLength(const unsigned char *header);
void log_network_error(int error);

}  // namespace sb

#endif
