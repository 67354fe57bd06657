#ifndef PINGLE_BALL_H
#define PINGLE_BALL_H

#include "Color.h"
#include "Event.h"
#include "Object.h"

// The load of the object test: a one-character hard object that starts at a
// random cell, moves at a random velocity, takes a fresh random velocity on
// every collision and reflects off the edges of the world.
class Ball : public sb::Object {
 private:
  sb::Color color;

 public:
  Ball();

  // A random velocity: +-1/1..1/10 cells per step across, +-1/1..1/80 down.
  void setVel();
  // Reflects the ball back inside the world boundary, on both axes if needed.
  void out();

  int eventHandler(const sb::Event *p_e) override;
  int draw() override;

  sb::Color getColor() const { return color; }
};

#endif
