#ifndef SORBELANE_PRECIPITATION_H
#define SORBELANE_PRECIPITATION_H

#include "Particle.h"
#include "ParticleTypes.h"

namespace sb {

// A particle that never ages and, on leaving the world, re-enters at the
// opposite edge: snow, rain, a star field. With turbulence on its velocity
// wanders within a quarter of the first velocity it had.
class Precipitation : public Particle {
 private:
  Direction direction;
  Vector reference_velocity;
  bool turbulence;

  void wander();
  int reenter();

 public:
  // Starts at a random point inside a random cell of the world.
  Precipitation(float size, Direction direction, unsigned char opacity, unsigned char r,
                unsigned char g, unsigned char b);
  ~Precipitation() override;

  Direction getDirection() const { return direction; }
  void setTurbulence(bool new_turbulence = true) { turbulence = new_turbulence; }
  bool getTurbulence() const { return turbulence; }

  int eventHandler(const Event *p_e) override;
};

}  // namespace sb

#endif
