#include "Precipitation.h"

#include <cmath>
#include <cstdlib>

#include "LogManager.h"
#include "WorldManager.h"
#include "utility.h"

namespace sb {

namespace {

// rand() % n, but 0 for an empty range (a world or cell without extent);
// rand() is called either way so the random sequence stays the same.
int randBelow(int n) {
  int value = rand();
  return n != 0 ? value % n : 0;
}

// (rand() % 100) / 1000: a nudge in [0, 0.1).
float nudge() { return static_cast<float>(rand() % 100) / 1000.0f; }

// A random point inside the cell at (x, y): y's pixel offset is drawn first.
Vector jitter(int x, int y) {
  Vector pixels = spacesToPixels(Vector(static_cast<float>(x), static_cast<float>(y)));
  pixels.setY(pixels.getY() + randBelow(clampToInt(charHeight())));
  pixels.setX(pixels.getX() + randBelow(clampToInt(charWidth())));
  return pixelsToSpaces(pixels);
}

}  // namespace

Precipitation::Precipitation(float size, Direction init_direction, unsigned char opacity,
                             unsigned char r, unsigned char g, unsigned char b)
    : Particle(size, 0, opacity, r, g, b),
      direction(init_direction),
      reference_velocity(0, 0),
      turbulence(false) {
  setType("Precipitation");
  Box boundary = WorldManager::getInstance().getBoundary();
  int y = randBelow(clampToInt(boundary.getVertical()));
  int x = randBelow(clampToInt(boundary.getHorizontal()));
  x += rand() % 10;
  Object::setPosition(jitter(x, y));
}

Precipitation::~Precipitation() {}

// Draws a candidate velocity near the current one and keeps each component
// only while it stays within a quarter of the reference speed.
void Precipitation::wander() {
  if (!reference_velocity) reference_velocity = getVelocity();
  float m = reference_velocity.getMagnitude();
  Vector v = getVelocity();
  float y = nudge() + v.getY();
  y -= nudge();
  float x = v.getX() + nudge();
  x -= nudge();
  if (m > 0 && std::fabs(x - reference_velocity.getX()) / m > 0.25f) x = v.getX();
  // With m = 0 any change is too large (the division gives inf or nan).
  float dy = std::fabs(y - reference_velocity.getY());
  if (dy != 0 && (m == 0 || dy / m > 0.25f)) y = v.getY();
  setVelocity(Vector(x, y));
}

// Puts the particle back just beyond the edge opposite to where it left.
int Precipitation::reenter() {
  Box boundary = WorldManager::getInstance().getBoundary();
  int h = clampToInt(boundary.getHorizontal());
  int v = clampToInt(boundary.getVertical());
  int x = 0, y = 0;
  switch (direction) {
    case UP:
      x = randBelow(h);
      y = v + rand() % 5;
      break;
    case DOWN:
      x = randBelow(h);
      y = -(rand() % 5);
      break;
    case LEFT:
      x = h + rand() % 5;
      y = randBelow(v);
      break;
    case RIGHT:
      x = -(rand() % 5);
      y = randBelow(v);
      break;
    default:
      LogManager::getInstance().writeLog(
          1, "Precipitation::eventHandler(): warning! Direction %d not supported.", direction);
      return -1;
  }
  setPosition(jitter(x, y));
  return 1;
}

int Precipitation::eventHandler(const Event *p_e) {
  if (!p_e) return 0;
  EventKind kind = p_e->getKind();
  if (kind == EVENT_STEP) {
    if (turbulence) wander();
    return 0;
  }
  if (kind == EVENT_OUT) return reenter();
  return 0;
}

}  // namespace sb
