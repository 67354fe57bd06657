// The particle bursts of utility.h: the full form, the presets and a field of
// precipitation.
#include "utility.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "Firework.h"
#include "LogManager.h"
#include "Particle.h"
#include "Precipitation.h"
#include "WorldManager.h"

namespace sb {

namespace {

const float RAND_SCALE = 1.0f / 2147483648.0f;  // 2^-31: rand() into [0, 1)

// value spread uniformly over [value - spread/2, value + spread/2); no rand() call for 0.
float spreadFloat(float value, float spread) {
  if (spread == 0) return value;
  float u = static_cast<float>(rand()) * RAND_SCALE;
  return value + (u * spread - spread * 0.5f);
}

int spreadInt(int value, int spread) {
  if (spread == 0) return value;
  return value + (rand() % spread - spread / 2);
}

// One random offset for all non-zero components, so pure colours keep their hue.
void spreadColor(unsigned char &r, unsigned char &g, unsigned char &b, unsigned char spread) {
  if (spread == 0) return;
  int d = rand() % spread - (spread >> 1);
  for (unsigned char *p_c : {&r, &g, &b}) {
    if (*p_c == 0) continue;
    int c = *p_c + d;
    *p_c = static_cast<unsigned char>(c < 0 ? 0 : (c > 255 ? 255 : c));
  }
}

// (rand() - rand()) * 2^-31, the first call taken first.
float randomComponent() {
  int a = rand();
  int b = rand();
  return static_cast<float>(a - b) * RAND_SCALE;
}

Vector particleDirection(Vector direction, float direction_spread) {
  Vector heading;
  if (!direction) {
    float x = randomComponent();
    heading.setXY(x, randomComponent());
  } else {
    heading = direction;
    if (direction_spread != 0) {
      heading.setX(spreadFloat(heading.getX(), direction_spread));
      heading.setY(spreadFloat(heading.getY(), direction_spread));
    }
  }
  heading.normalize();
  return heading;
}

// The full form's parameters, filled in by a preset.
struct Burst {
  int count;
  int count_spread;
  Vector direction;
  float direction_spread;
  float size;
  float size_spread;
  float speed;
  float speed_spread;
  int age;
  int age_spread;
  unsigned char opacity;
  char opacity_spread;
  unsigned char r, g, b;
  unsigned char color_spread;
  ParticleClass particle_class;
};

// Field order: count, count_spread, direction, direction_spread, size, size_spread,
// speed, speed_spread, age, age_spread, opacity, opacity_spread, r, g, b,
// color_spread, class.
Burst presetBurst(ParticleType type, float f) {
  Burst burst = {0, 0, Vector(), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, PARTICLE};
  float spark_speed = (0.25f * f + 1) * 0.08f;
  float firework_speed = (f / 3 + 1) * 0.1f;
  // clang-format off
  switch (type) {
    case SMOKE:
      burst = {int(20 * f), 0, Vector(0, -1), (0.3f * f) * 0.5f, (5 * f) / 1.5f, 0.15f * f,
               0.2f, 0.05f, int(20 * f), int(5 * f), 128, 50, 128, 128, 128, 50, PARTICLE};
      break;
    case SPARKS:
      burst = {int(50 * f), int(20 * f), Vector(0, 0), 0, 1.5f * f, 0,
               spark_speed, spark_speed, int(15 * f), int(15 * f), 255, 75, 255, 69, 0, 0,
               PARTICLE};
      break;
    case BURST:
      burst = {int(50 * f), 0, Vector(0, 0), 0, 2.5f * f, 0,
               spark_speed, 0, int(10 * f), 0, 255, 75, 255, 20, 147, 0, PARTICLE};
      break;
    case FIREWORKS:
      burst = {int(4 * f), int(5 * f), Vector(0, -1), 1.5f, f + f, 0,
               firework_speed, firework_speed, int(20 * f), int(20 * f), 255, 75, 255, 69, 0, 255,
               FIREWORK};
      break;
    default:
      break;  // count 0: nothing is made
  }
  // clang-format on
  return burst;
}

// Size and speed of one particle of a precipitation field.
void precipitationDrop(PrecipitationType type, float &size, float &speed) {
  switch (type) {
    case SNOW:
      size = static_cast<float>(rand() % 20) / 10 + 3;
      speed = 0.25f;
      break;
    case RAIN:
      size = 3;
      speed = 0.75f;
      break;
    default: {  // STARS: larger stars are faster
      int k = rand() % 10 + 4;
      size = 20.0f / k;
      speed = 1.0f / k;
      break;
    }
  }
}

}  // namespace

// count_spread is accepted and not used: exactly count particles are made, so
// that a burst's load is known to callers.
int addParticles(int count, int /*count_spread*/, Vector position, float position_spread,
                 Vector direction, float direction_spread, float size, float size_spread,
                 float speed, float speed_spread, int age, int age_spread, unsigned char opacity,
                 char opacity_spread, unsigned char r, unsigned char g, unsigned char b,
                 unsigned char color_spread, ParticleClass particle_class) {
  int opacity_range = static_cast<signed char>(opacity_spread);
  for (int i = 0; i < count; i++) {
    unsigned char p_opacity = opacity;
    if (opacity_range != 0)
      p_opacity =
          static_cast<unsigned char>(opacity + (rand() % opacity_range - opacity_range / 2));
    int p_age = spreadInt(age, age_spread);
    float p_size = spreadFloat(size, size_spread);
    unsigned char p_r = r, p_g = g, p_b = b;
    spreadColor(p_r, p_g, p_b, color_spread);

    Particle *p_particle = nullptr;
    if (particle_class == PARTICLE) {
      p_particle = new Particle(p_size, p_age, p_opacity, p_r, p_g, p_b);
    } else if (particle_class == FIREWORK) {
      p_particle = new Firework(p_size, p_age, p_opacity, p_r, p_g, p_b);
    } else {
      LogManager::getInstance().writeLog("addParticles(): Type %d not defined.",
                                         static_cast<int>(particle_class));
      return -1;
    }

    Vector velocity = particleDirection(direction, direction_spread);
    velocity.scale(spreadFloat(speed, speed_spread));
    Vector where = position;
    if (position_spread != 0) {
      where.setX(spreadFloat(where.getX(), position_spread));
      where.setY(spreadFloat(where.getY(), position_spread));
    }
    p_particle->setPosition(where);
    p_particle->setVelocity(velocity);
  }
  return 0;
}

int addParticles(ParticleType type, Vector position, float scale, Color color) {
  // The presets turn scaled amounts into counts and ages.
  if (!std::isfinite(scale) || std::fabs(scale) > MAX_PARTICLE_SCALE) {
    LogManager::getInstance().writeLog("addParticles(): Error! Scale %f out of range.",
                                       static_cast<double>(scale));
    return -1;
  }
  Burst p = presetBurst(type, scale);
  colorToRGB(color, p.r, p.g, p.b);
  return addParticles(p.count, p.count_spread, position, 0, p.direction, p.direction_spread, p.size,
                      p.size_spread, p.speed, p.speed_spread, p.age, p.age_spread, p.opacity,
                      p.opacity_spread, p.r, p.g, p.b, p.color_spread, p.particle_class);
}

// A field of precipitation over the whole world. A named colour replaces the
// table's colour, as for the presets; CUSTOM keeps it.
int addParticles(PrecipitationType type, Direction direction, float density, Color color) {
  float d = 0;
  unsigned char r = 255, g = 255, b = 255, opacity = 128;
  int altitude = 4;
  bool turbulence = false;
  switch (type) {
    case SNOW:
      d = 60;
      turbulence = true;
      break;
    case RAIN:
      d = 60;
      r = g = b = 128;
      break;
    case STARS:
      d = 120;
      opacity = 255;
      altitude = 0;
      break;
    default: return 0;
  }
  colorToRGB(color, r, g, b);

  if (!std::isfinite(density) || density < 0) {
    LogManager::getInstance().writeLog("addParticles(): Error! Density %f out of range.",
                                       static_cast<double>(density));
    return -1;
  }
  Box boundary = WorldManager::getInstance().getBoundary();
  int n = clampToInt(static_cast<double>(boundary.getVertical()) * boundary.getHorizontal() / d *
                     density);
  if (n <= 0) return 0;
  if (n > MAX_PRECIPITATION) {
    LogManager::getInstance().writeLog(
        "addParticles(): Warning! %d particles of precipitation "
        "capped at %d.",
        n, MAX_PRECIPITATION);
    n = MAX_PRECIPITATION;
  }

  std::vector<float> sizes(n);
  std::vector<Vector> velocities(n);
  for (int i = 0; i < n; i++) {
    float s = 0;
    precipitationDrop(type, sizes[i], s);
    switch (direction) {
      case UP: velocities[i].setXY(0, -s); break;
      case DOWN: velocities[i].setXY(0, s); break;
      case LEFT: velocities[i].setXY(-s, 0); break;
      case RIGHT: velocities[i].setXY(s, 0); break;
      default:
        LogManager::getInstance().writeLog("addParticles(): Error! Direction %d not supported.",
                                           static_cast<int>(direction));
        return -1;
    }
  }
  for (int i = 0; i < n; i++) {
    Precipitation *p_drop = new Precipitation(sizes[i], direction, opacity, r, g, b);
    p_drop->setVelocity(velocities[i]);
    p_drop->setAltitude(altitude);
    p_drop->setTurbulence(turbulence);
  }
  return 0;
}

}  // namespace sb
