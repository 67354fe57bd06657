#ifndef SORBELANE_PARTICLE_TYPES_H
#define SORBELANE_PARTICLE_TYPES_H

namespace sb {

/// Which class addParticles() creates.
enum ParticleClass : int {
  PARTICLE = 0,  ///< A plain Particle.
  FIREWORK = 1,  ///< A Firework, which falls and leaves a trail.
};

/// Presets of addParticles(); a scale makes them larger and longer-lived.
enum ParticleType : int {
  SMOKE = 0,      ///< A grey puff rising upwards.
  SPARKS = 1,     ///< An orange-red burst in all directions.
  BURST = 2,      ///< A pink burst in all directions.
  FIREWORKS = 3,  ///< A few fireworks shot upwards.
};

/// Kinds of precipitation covering the world, made by addParticles().
enum PrecipitationType : int {
  SNOW = 0,   ///< Slow, wavering, half-transparent white flakes.
  RAIN = 1,   ///< Grey drops.
  STARS = 2,  ///< A white star field in the background, larger stars faster.
};

/// Direction of travel of precipitation.
enum Direction : int {
  UP = 0,     ///< Towards the top (y decreasing).
  DOWN = 1,   ///< Towards the bottom (y increasing).
  LEFT = 2,   ///< Towards the left (x decreasing).
  RIGHT = 3,  ///< Towards the right (x increasing).
};

}  // namespace sb

#endif
