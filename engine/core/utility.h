/// @file
/// The engine's free functions: geometry tests, world and view conversion,
/// text conversions, colours, the particle functions, attribute strings
/// (match) and the splash screen.
#ifndef SORBELANE_UTILITY_H
#define SORBELANE_UTILITY_H

#include <cstddef>
#include <string>
#include <vector>

#include <SFML/Graphics/Color.hpp>

#include "Box.h"
#include "Circle.h"
#include "Color.h"
#include "Constants.h"
#include "Line.h"
#include "ParticleTypes.h"
#include "Vector.h"

namespace sb {

class Object;
class Path;
class Shape;
namespace Keyboard {
enum Key : int;
}  // namespace Keyboard

// Geometry; every test is inclusive of edges except circleIntersectsBox.

/// True when the boxes overlap; boxes that only touch along an edge or at a
/// corner intersect.
inline bool boxIntersectsBox(const Box &a, const Box &b) {
  float ax1 = a.getCorner().getX(), ax2 = ax1 + a.getHorizontal();
  float bx1 = b.getCorner().getX(), bx2 = bx1 + b.getHorizontal();
  float ay1 = a.getCorner().getY(), ay2 = ay1 + a.getVertical();
  float by1 = b.getCorner().getY(), by2 = by1 + b.getVertical();
  bool x_overlap = (bx1 <= ax1 && ax1 <= bx2) || (ax1 <= bx1 && bx1 <= ax2);
  bool y_overlap = (by1 <= ay1 && ay1 <= by2) || (ay1 <= by1 && by1 <= ay2);
  return x_overlap && y_overlap;
}
/// True when p lies in b, edges included.
bool boxContainsPosition(Box b, Vector p);
/// True when a holds both b's top-left and bottom-right corners, edges included.
bool boxContainsBox(Box a, Box b);
/// True when the segments cross or meet at an end; parallel and collinear
/// segments never intersect, even when they overlap.
bool lineIntersectsLine(Line a, Line b);
/// True when the segment crosses one of the box's edges or lies wholly inside it.
bool lineIntersectsBox(Line l, Box b);
/// True when one of the box's four corners lies strictly closer than the radius
/// to the centre. Only corners count: a circle inside the box does not intersect it.
bool circleIntersectsBox(Circle c, Box b);
/// Returns the Euclidean distance between two points.
float distance(Vector a, Vector b);
/// Returns the distance between two objects' positions, or -1 when either is null.
float distance(Object *p_a, Object *p_b);
/// True when min <= value <= max.
bool valueInRange(float value, float min, float max);
/// Returns the object's bounding box in world coordinates. p_o must not be null.
Box getWorldBox(const Object *p_o);
/// Returns the object's bounding box as if it stood at where. p_o must not be null.
Box getWorldBox(const Object *p_o, Vector where);
/// The side of other that the moving object p_o meets, as (-1|0|1, -1|0|1);
/// (0,0), logged, when no side is found. Neither pointer may be null.
Vector getNormal(const Object *p_o, const Object *p_other);

// World and view conversion, cells and pixels.

/// Converts a position on the view (the window) into a world position.
Vector viewToWorld(Vector view_pos);
/// Converts a world position into a position on the view (the window).
Vector worldToView(Vector world_pos);
/// Returns the width of a character cell in pixels (window width / columns).
float charWidth();
/// Returns the height of a character cell in pixels (window height / rows).
float charHeight();
/// Converts a distance or position in cells into pixels.
Vector spacesToPixels(Vector spaces);
/// Converts a distance or position in pixels into cells.
Vector pixelsToSpaces(Vector pixels);

// Text conversions.

/// A number as an int for counts, cells and sizes: NaN gives 0, and values
/// beyond the int range give the nearest limit (a plain cast is undefined there).
int clampToInt(double value);

/// How much of a text a number must fill; every reader of numbers names its
/// rule (docs/formats.md lists which format reads by which).
enum class NumberRule : int {
  /// Leading blanks, then the longest number at the front, as strtol and strtod
  /// read; the rest is ignored, and text without a number reads as 0.
  PREFIX,
  /// PREFIX, and the number reaches the end of the text: text without a
  /// number, or with anything after it, fails.
  WHOLE,
  /// WHOLE, and nothing but a plain decimal number: for an integer an optional
  /// '-' and digits, at most 11 characters; for a fraction digits, '+', '-',
  /// '.' and 'e', at most 24 characters (no blanks, hex, inf or nan).
  PLAIN,
};
/// Reads a decimal integer from text as strtoll does, saturating beyond the
/// range of long long. value holds what the front of the text gave whatever
/// the answer; false when the text does not meet rule.
bool readNumber(const std::string &text, long long &value, NumberRule rule);
/// Reads a number from text as strtod does; as readNumber for integers otherwise.
bool readNumber(const std::string &text, double &value, NumberRule rule);
/// Reads a number from text as strtof does (rounded once, straight to float);
/// as readNumber for integers otherwise.
bool readNumber(const std::string &text, float &value, NumberRule rule);

/// Reads an int from an attribute value by NumberRule::PREFIX (text that is no
/// number reads as 0). false, and value untouched, when it is out of the int range.
bool readInt(const std::string &text, int &value);
/// Reads a float from an attribute value by NumberRule::PREFIX (text that is no
/// number reads as 0). false, and value untouched, when it is not finite or
/// larger in magnitude than limit.
bool readFloat(const std::string &text, float &value, float limit = MAX_ATTRIBUTE_MAGNITUDE);

/// Returns "true" or "false".
std::string toString(bool value);
/// Returns the one character as a string.
std::string toString(char value);
/// Returns the number in decimal.
std::string toString(int value);
// toString(float) is declared with Vector, whose text it writes.
/// Every node from the first as "x y|".
std::string toString(Path path);
/// Returns "circle", "square" or "triangle", and "undefined" for any other type.
std::string toString(Shape shape);
/// A key's printable name; "" for keys without one.
std::string toString(Keyboard::Key key);

// Colours.

/// One of the eight named colours: its value, its name in configuration and
/// sprite files, and its red, green and blue values.
struct ColorEntry {
  Color color;       ///< BLACK to WHITE.
  const char *name;  ///< "black", "red", ..., "white".
  unsigned char r;   ///< Red, 0 to 255.
  unsigned char g;   ///< Green, 0 to 255.
  unsigned char b;   ///< Blue, 0 to 255.
};
/// How many colours have names: BLACK to WHITE.
constexpr int COLOR_TABLE_SIZE = 8;
/// The named colours, indexed by their value.
extern const ColorEntry COLOR_TABLE[COLOR_TABLE_SIZE];
/// Sets color to the colour called name ("black" ... "white", exact and
/// lower case) and returns true; false, color untouched, for any other name.
bool colorFromName(const std::string &name, Color &color);
/// Writes a named colour's RGB values into r, g and b; they are left as they are
/// for CUSTOM, and for an unknown colour (logged at level 5).
void colorToRGB(Color color, unsigned char &r, unsigned char &g, unsigned char &b);
/// Returns the SFML colour of a named colour; white, logged at level 5, for
/// CUSTOM or an unknown colour.
sf::Color colorToSFML(Color color);

// Particles: the full form, a preset, and a field of precipitation. The
// particles are made in the world, which owns them.

/// Makes count particles (count_spread is not used) of the given class at
/// position, each value spread at random by up to half its spread either way:
/// direction (made unit length; (0,0) gives a random one), size (pixels),
/// speed (cells per step), age (steps), opacity and colour. Returns 0, or -1
/// (logged) for an unknown particle_class, in which case none is made.
int addParticles(int count, int count_spread, Vector position, float position_spread,
                 Vector direction, float direction_spread, float size, float size_spread,
                 float speed, float speed_spread, int age, int age_spread, unsigned char opacity,
                 char opacity_spread, unsigned char r, unsigned char g, unsigned char b,
                 unsigned char color_spread, ParticleClass particle_class);
/// Makes a preset burst at position, larger, more numerous and longer-lived as
/// scale grows; a named color replaces the preset's colour, CUSTOM keeps it.
/// Returns 0, or -1 (logged) when scale is not finite or beyond MAX_PARTICLE_SCALE.
/// An unknown type makes nothing and returns 0.
int addParticles(ParticleType type, Vector position, float scale = 1.0f, Color color = CUSTOM);
/// Covers the whole world with precipitation travelling in direction, about one
/// drop per 60 cells (120 for stars) times density, at most MAX_PRECIPITATION
/// (logged). A named color replaces the kind's colour, CUSTOM keeps it.
/// Returns 0, or -1 (logged) for a negative or non-finite density or an unknown
/// direction. An unknown type, or a field of no drops, makes nothing and returns 0.
int addParticles(PrecipitationType type, Direction direction, float density = 1.0f,
                 Color color = CUSTOM);

// Attribute strings.

/// Attribute strings ("key:value,key:value"): the value of the first element
/// whose key is find, "" when there is none. Blanks are removed before parsing.
/// An empty str searches the elements parsed by the previous call.
/// Not thread-safe: the parsed elements are shared; AttributeList is the
/// parse-once alternative.
std::string match(std::string str, std::string find);
/// The pieces of text between runs of sep, leading separators skipped
/// (so no piece is empty; "" gives none).
std::vector<std::string> splitRuns(const std::string &text, char sep);

// The splash screen.

/// Shows the engine's splash screen until it ends or a key is pressed, in a game
/// loop of its own; call it after starting the game manager and before the game's
/// own run(). Returns 0, or -1 (logged) when the game manager is not started.
int splash();

/// The Unicode code point of a character code as the engine draws it: with
/// cp437, codes 1 to 31 and 128 to 255 are the glyphs of code page 437 (box
/// lines, blocks, shades, arrows, card suits, accented letters); otherwise,
/// and for every other code, the code itself (Latin-1).
unsigned int characterCodePoint(unsigned char code, bool cp437);

}  // namespace sb

#endif
