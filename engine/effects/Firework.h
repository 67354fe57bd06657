#ifndef SORBELANE_FIREWORK_H
#define SORBELANE_FIREWORK_H

#include "Particle.h"

namespace sb {

/// A particle that falls under a small acceleration and drops a trail of
/// half-size particles. It takes the step event twice per game step, so it
/// ages by two and leaves two trail particles each step.
class Firework : public Particle {
 private:
  unsigned char r;
  unsigned char g;
  unsigned char b;
  unsigned char opacity;  // kept as made, not used afterwards
  int initial_age;
  float size;

 public:
  /// Makes a firework in the world, as Particle() does, accelerating down by 0.01
  /// cells per step per step. Its trail particles live a quarter of age.
  Firework(float size, int age, unsigned char opacity, unsigned char r, unsigned char g,
           unsigned char b);
  /// Removes the firework; called by the world manager.
  ~Firework() override;

  /// Handles the event as a Particle, and on each step event drops one
  /// opaque trail particle at its position. Returns 1 for a step event, else
  /// what Particle::eventHandler() returns.
  int eventHandler(const Event *p_e) override;
};

}  // namespace sb

#endif
