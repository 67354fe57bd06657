#include "Ball.h"

#include <cstdlib>

#include "Box.h"
#include "DisplayManager.h"
#include "Vector.h"
#include "WorldManager.h"

namespace {

// The world's size along one axis in whole cells; at least 1, so that a world
// without a boundary yet places balls at 0 instead of dividing by zero.
int cells(float extent) {
  int count = static_cast<int>(extent);
  return count < 1 ? 1 : count;
}

}  // namespace

Ball::Ball() {
  setType("ball");
  setVel();
  color = static_cast<sb::Color>(rand() % 8);
  sb::Box boundary = sb::WorldManager::getInstance().getBoundary();
  int y = rand() % cells(boundary.getVertical());
  int x = rand() % cells(boundary.getHorizontal());
  setPosition(sb::Vector(x, y));
}

void Ball::setVel() {
  // Four draws in a fixed order, so a seeded run launches balls identically.
  double x_sign = rand() % 2 ? -1.0 : 1.0;
  float x = x_sign / (rand() % 10 + 1);
  double y_sign = rand() % 2 ? -1.0 : 1.0;
  float y = y_sign / (rand() % 80 + 1);
  setVelocity(sb::Vector(x, y));
}

void Ball::out() {
  sb::Box boundary = sb::WorldManager::getInstance().getBoundary();
  float h = boundary.getHorizontal();
  float v = boundary.getVertical();
  // Each test reads the state anew, so a corner is handled on both axes.
  if (getPosition().getX() < 0) {
    setVelocity(sb::Vector(-getVelocity().getX(), getVelocity().getY()));
    setPosition(sb::Vector(1, getPosition().getY()));
  }
  if (getPosition().getX() > h - 1) {
    setVelocity(sb::Vector(-getVelocity().getX(), getVelocity().getY()));
    setPosition(sb::Vector(h - 2, getPosition().getY()));
  }
  if (getPosition().getY() < 0) {
    setVelocity(sb::Vector(getVelocity().getX(), -getVelocity().getY()));
    setPosition(sb::Vector(getPosition().getX(), 1));
  }
  if (getPosition().getY() > v - 1) {
    setVelocity(sb::Vector(getVelocity().getX(), -getVelocity().getY()));
    setPosition(sb::Vector(getPosition().getX(), v - 2));
  }
}

int Ball::eventHandler(const sb::Event *p_e) {
  sb::EventKind kind = p_e->getKind();
  if (kind == sb::EVENT_COLLISION) {
    setVel();
    return 1;
  }
  if (kind == sb::EVENT_OUT) {
    out();
    return 1;
  }
  return 0;
}

int Ball::draw() { return sb::DisplayManager::getInstance().drawCh(getPosition(), 'o', color); }
