#ifndef SORBELANE_PARTICLE_TYPES_H
#define SORBELANE_PARTICLE_TYPES_H

namespace sb {

// Which class addParticles() creates.
enum ParticleClass : int {
  PARTICLE = 0,
  FIREWORK = 1,
};

// Presets of addParticles().
enum ParticleType : int {
  SMOKE = 0,
  SPARKS = 1,
  BURST = 2,
  FIREWORKS = 3,
};

// Kinds of precipitation covering the world.
enum PrecipitationType : int {
  SNOW = 0,
  RAIN = 1,
  STARS = 2,
};

// Direction of travel of precipitation.
enum Direction : int {
  UP = 0,
  DOWN = 1,
  LEFT = 2,
  RIGHT = 3,
};

}  // namespace sb

#endif
