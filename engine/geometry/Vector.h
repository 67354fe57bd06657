#ifndef SORBELANE_VECTOR_H
#define SORBELANE_VECTOR_H

#include <string>

namespace sb {

/// A position, displacement or velocity in world units (character cells).
/// x grows to the right and y downwards. Copied by value everywhere.
class Vector {
 private:
  float x;
  float y;

 public:
  /// Makes the vector (0,0).
  Vector() : x(0), y(0) {}
  /// Makes the vector (init_x, init_y).
  Vector(float init_x, float init_y) : x(init_x), y(init_y) {}

  /// Returns the x component.
  float getX() const { return x; }
  /// Sets the x component.
  void setX(float new_x) { x = new_x; }
  /// Returns the y component.
  float getY() const { return y; }
  /// Sets the y component.
  void setY(float new_y) { y = new_y; }
  /// Sets both components.
  void setXY(float new_x, float new_y) {
    x = new_x;
    y = new_y;
  }

  /// Returns the length, the square root of x*x + y*y.
  float getMagnitude() const;
  /// Scales the vector to length 1; a zero vector stays (0,0).
  void normalize();
  /// Multiplies both components by s in place.
  void scale(float s) {
    x *= s;
    y *= s;
  }

  /// Returns the component-wise sum.
  Vector operator+(const Vector &other) const { return Vector(x + other.x, y + other.y); }
  /// Returns the component-wise difference.
  Vector operator-(const Vector &other) const { return Vector(x - other.x, y - other.y); }
  /// Adds other in place and returns this vector.
  Vector &operator+=(const Vector &other) {
    x += other.x;
    y += other.y;
    return *this;
  }
  /// True when both components are exactly equal (no tolerance; NaN is never equal).
  bool operator==(const Vector &other) const { return x == other.x && y == other.y; }
  /// Negation of operator==.
  bool operator!=(const Vector &other) const { return !(*this == other); }
  /// True when both components are exactly 0.
  bool operator!() const { return x == 0 && y == 0; }

  /// Returns the text "(x,y)": for example "(3,4.5)".
  std::string toString() const;
};

/// Returns the number as a stream writes it by default, such as "3", "4.5", "1e+10";
/// the text of the values' numbers.
std::string toString(float value);

}  // namespace sb

#endif
