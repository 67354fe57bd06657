#ifndef SORBELANE_PARTICLE_H
#define SORBELANE_PARTICLE_H

#include <string>

#include "Object.h"

namespace sb {

/// A light, short-lived object drawn as a small coloured circle. It flies with
/// a fixed velocity and is removed when its age runs out or it leaves the world.
/// Usually made with addParticles(); like every object it is owned by the world
/// manager once made. Spectral, at altitude 3, and uses up no object id.
class Particle : public Object {
 private:
  int age;  // steps still to live

 public:
  /// Makes a particle in the world: a circle of size pixels in colour (r, g, b)
  /// with the given opacity, living age steps. Place it with setPosition() and
  /// setVelocity().
  Particle(float size, int age, unsigned char opacity, unsigned char r, unsigned char g,
           unsigned char b);
  /// Removes the particle; called by the world manager.
  ~Particle() override;

  /// Sets the number of steps still to live.
  void setAge(int new_age) { age = new_age; }
  /// Returns the number of steps still to live.
  int getAge() const { return age; }

  /// Step: ages by one and dies at 0. Out: dies.
  /// Returns 1 for these two events, 0 for any other.
  int eventHandler(const Event *p_e) override;

  /// Particles are not meant to be written: logs a warning (level 1), then
  /// returns what Object::serialize() returns.
  std::string serialize(std::string attr = "") override;
  /// Particles are not meant to be read back: logs a warning (level 1), then
  /// returns what Object::deserialize() returns.
  int deserialize(std::string str) override;
};

}  // namespace sb

#endif
