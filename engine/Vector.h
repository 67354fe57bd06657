#ifndef SORBELANE_VECTOR_H
#define SORBELANE_VECTOR_H

#include <string>

namespace sb {

// A position, displacement or velocity in world units (character cells).
class Vector {
 private:
  float x;
  float y;

 public:
  Vector() : x(0), y(0) {}
  Vector(float init_x, float init_y) : x(init_x), y(init_y) {}

  float getX() const { return x; }
  void setX(float new_x) { x = new_x; }
  float getY() const { return y; }
  void setY(float new_y) { y = new_y; }
  void setXY(float new_x, float new_y) {
    x = new_x;
    y = new_y;
  }

  float getMagnitude() const;
  void normalize();
  void scale(float s) {
    x *= s;
    y *= s;
  }

  Vector operator+(const Vector &other) const { return Vector(x + other.x, y + other.y); }
  Vector operator-(const Vector &other) const { return Vector(x - other.x, y - other.y); }
  Vector &operator+=(const Vector &other) {
    x += other.x;
    y += other.y;
    return *this;
  }
  bool operator==(const Vector &other) const { return x == other.x && y == other.y; }
  bool operator!=(const Vector &other) const { return !(*this == other); }
  bool operator!() const { return x == 0 && y == 0; }

  std::string toString() const;
};

}  // namespace sb

#endif
