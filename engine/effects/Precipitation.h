#ifndef SORBELANE_PRECIPITATION_H
#define SORBELANE_PRECIPITATION_H

#include "Particle.h"
#include "ParticleTypes.h"

namespace sb {

/// A particle that never ages and, on leaving the world, re-enters at the
/// opposite edge: snow, rain, a star field. With turbulence on its velocity
/// wanders within a quarter of the first velocity it had.
/// Usually made by the precipitation form of addParticles().
class Precipitation : public Particle {
 private:
  Direction direction;
  Vector reference_velocity;
  bool turbulence;

  void wander();
  int reenter();

 public:
  /// Makes a drop in the world, at a random point inside a random cell of it.
  /// direction is where it travels, and so the edge it re-enters from; give it a
  /// matching velocity with setVelocity().
  Precipitation(float size, Direction direction, unsigned char opacity, unsigned char r,
                unsigned char g, unsigned char b);
  /// Removes the drop; called by the world manager.
  ~Precipitation() override;

  /// Returns the direction of travel.
  Direction getDirection() const { return direction; }
  /// Turns the wandering of the velocity on or off (off at first).
  void setTurbulence(bool new_turbulence = true) { turbulence = new_turbulence; }
  /// True when the velocity wanders.
  bool getTurbulence() const { return turbulence; }

  /// Step: wanders when turbulence is on, and returns 0. Out: re-enters just beyond
  /// the opposite edge and returns 1, or -1 (logged) for an unknown direction.
  /// Other events: 0.
  int eventHandler(const Event *p_e) override;
};

}  // namespace sb

#endif
