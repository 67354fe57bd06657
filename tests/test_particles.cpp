// Particles: bursts replayed from a fixed seed, presets, precipitation fields,
// lifetimes, fireworks' trails, re-entry at the opposite edge and turbulence.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "EventOut.h"
#include "EventStep.h"
#include "Firework.h"
#include "GameManager.h"
#include "LogManager.h"
#include "Particle.h"
#include "Precipitation.h"
#include "WorldManager.h"
#include "support/TestEngine.h"
#include "utility.h"

namespace {

const float U = 4.656613e-10f;  // 2^-31
// The default window: 80 x 24 cells of 12.8 x 32 pixels.
using sbtest::HEADLESS;

// The full form's arguments (count_spread left out), in its order.
struct Burst {
  int count;
  sb::Vector position;
  float position_spread;
  sb::Vector direction;
  float direction_spread, size, size_spread, speed, speed_spread;
  int age, age_spread;
  unsigned char opacity;
  char opacity_spread;
  unsigned char r, g, b, color_spread;
  sb::ParticleClass particle_class;
};

int make(const Burst &a) {
  return sb::addParticles(a.count, 0, a.position, a.position_spread, a.direction,
                          a.direction_spread, a.size, a.size_spread, a.speed, a.speed_spread, a.age,
                          a.age_spread, a.opacity, a.opacity_spread, a.r, a.g, a.b, a.color_spread,
                          a.particle_class);
}

// What can be seen of one particle.
struct ParticleSeen {
  sb::Vector position, velocity;
  float size;
  int age, opacity, r, g, b;
  bool operator==(const ParticleSeen &o) const {
    return position == o.position && std::fabs(velocity.getX() - o.velocity.getX()) < 1e-5f &&
           std::fabs(velocity.getY() - o.velocity.getY()) < 1e-5f && size == o.size &&
           age == o.age && opacity == o.opacity && r == o.r && g == o.g && b == o.b;
  }
};

std::ostream &operator<<(std::ostream &out, const ParticleSeen &s) {
  return out << "pos " << s.position.toString() << " vel " << s.velocity.toString() << " size "
             << s.size << " age " << s.age << " opacity " << s.opacity << " rgb " << s.r << ","
             << s.g << "," << s.b;
}

ParticleSeen see(const sb::Particle *p) {
  sb::Shape shape = p->getShape();
  return {p->getPosition(),   p->getVelocity(), shape.getSize(),  p->getAge(),
          shape.getOpacity(), shape.getRed(),   shape.getGreen(), shape.getBlue()};
}

float spread(float value, float s) {
  if (s == 0) return value;
  float u = static_cast<float>(rand()) * U;
  float part = u * s;
  part -= s * 0.5f;
  return value + part;
}

int clampColor(int c) { return std::min(255, std::max(0, c)); }

// Replays a burst's rules on the current random sequence.
std::vector<ParticleSeen> replay(const Burst &a) {
  std::vector<ParticleSeen> out;
  for (int i = 0; i < a.count; i++) {
    ParticleSeen e;
    int os = static_cast<signed char>(a.opacity_spread);
    e.opacity = os ? (a.opacity + rand() % os - os / 2) & 0xff : a.opacity;
    e.age = a.age_spread ? a.age + rand() % a.age_spread - a.age_spread / 2 : a.age;
    e.size = spread(a.size, a.size_spread);
    int d = a.color_spread ? rand() % a.color_spread - a.color_spread / 2 : 0;
    e.r = a.r ? clampColor(a.r + d) : 0;
    e.g = a.g ? clampColor(a.g + d) : 0;
    e.b = a.b ? clampColor(a.b + d) : 0;
    float x, y;
    if (a.direction == sb::Vector(0, 0)) {
      int r1 = rand(), r2 = rand(), r3 = rand(), r4 = rand();
      x = static_cast<float>(r1 - r2) * U;
      y = static_cast<float>(r3 - r4) * U;
    } else {
      x = spread(a.direction.getX(), a.direction_spread);
      y = spread(a.direction.getY(), a.direction_spread);
    }
    float length = std::sqrt(x * x + y * y), speed = spread(a.speed, a.speed_spread);
    e.velocity = sb::Vector(x / length * speed, y / length * speed);
    float px = spread(a.position.getX(), a.position_spread);
    e.position = sb::Vector(px, spread(a.position.getY(), a.position_spread));
    out.push_back(e);
  }
  return out;
}

std::vector<sb::Particle *> ofType(const std::string &type) {
  std::vector<sb::Particle *> found;
  sb::ObjectList list = sb::WorldManager::getInstance().objectsOfType(type);
  for (int i = 0; i < list.getCount(); i++) found.push_back(dynamic_cast<sb::Particle *>(list[i]));
  return found;
}

// Runs make_burst from seed and checks every particle against the replay, and
// that the call used exactly as many random numbers as the replay.
template <typename MakeBurst>
void checkBurst(MakeBurst make_burst, const Burst &rules, unsigned seed) {
  srand(seed);
  ASSERT_EQ(make_burst(), 0);
  int next_after_call = rand();
  srand(seed);
  std::vector<ParticleSeen> expected = replay(rules);
  EXPECT_EQ(next_after_call, rand());
  std::vector<sb::Particle *> made =
      ofType(rules.particle_class == sb::FIREWORK ? "Firework" : "Particle");
  ASSERT_EQ(made.size(), expected.size());
  for (size_t i = 0; i < made.size(); i++) EXPECT_EQ(see(made[i]), expected[i]) << i;
}

using sbtest::clearWorld;

void stepWorld() {
  sb::EventStep step_event(0);
  sb::GameManager::getInstance().onEvent(&step_event);
  sb::WorldManager::getInstance().update();
}

int objectCount() { return sb::WorldManager::getInstance().getAllObjects(true).getCount(); }

TEST(ParticleBurst, FullFormReplaysFromAFixedSeed) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  // Opacity 255 + spread 75 wraps round; red 250 clamps at 255, blue 12 at 0, green 0 stays.
  Burst wide = {25, {40, 12}, 6,   {1, -0.5f}, 0.8f, 3, 1.5f, 0.4f, 0.3f,
                20, 9,        255, 75,         250,  0, 12,   50,   sb::PARTICLE};
  checkBurst([&] { return make(wide); }, wide, 1234);
  srand(1234);
  bool wrapped = false, high = false, low = false;
  for (const ParticleSeen &e : replay(wide)) {
    wrapped |= e.opacity < 100;
    high |= e.r == 255;
    low |= e.b == 0;
  }
  EXPECT_TRUE(wrapped && high && low) << "the seed should exercise wrapping and clamping";
  clearWorld();

  // A zero direction draws every heading, whatever the direction spread; negative spreads work.
  Burst zero = {12, {5, 5}, 0, {0, 0}, 3, 1, 0, 1, 0, 7, -4, 128, -20, 10, 200, 0, 0, sb::PARTICLE};
  checkBurst([&] { return make(zero); }, zero, 99);
  clearWorld();

  Burst fireworks = {5, {3, 3}, 0,   {0, 2}, 0, 2, 0, 0.5f, 0,
                     9, 0,      255, 0,      1, 2, 3, 0,    sb::FIREWORK};
  checkBurst([&] { return make(fireworks); }, fireworks, 7);
  for (sb::Particle *p : ofType("Firework")) EXPECT_EQ(p->getDirection(), sb::Vector(0, 1));
}

TEST(ParticleBurst, NothingToMakeAndUnknownClass) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  Burst none = {0, {1, 1}, 1, {0, 0}, 1, 1, 1, 1, 1, 5, 3, 255, 10, 1, 1, 1, 9, sb::PARTICLE};
  srand(5);
  EXPECT_EQ(make(none), 0);
  int next = rand();
  srand(5);
  EXPECT_EQ(next, rand());  // no random number was used

  none.count = 4;
  none.particle_class = static_cast<sb::ParticleClass>(7);
  EXPECT_EQ(make(none), -1);
  EXPECT_EQ(objectCount(), 0);
  EXPECT_EQ(sbtest::countOf(sbtest::readLog(), "addParticles(): Type 7 not defined."), 1);
}

TEST(ParticlePreset, PresetsFillTheFullForm) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  const float f = 1.5f;
  Burst smoke = {30,
                 {20, 10},
                 0,
                 {0, -1},
                 (0.3f * f) * 0.5f,
                 (5 * f) / 1.5f,
                 0.15f * f,
                 0.2f,
                 0.05f,
                 30,
                 7,
                 128,
                 50,
                 128,
                 128,
                 128,
                 50,
                 sb::PARTICLE};
  checkBurst([&] { return sb::addParticles(sb::SMOKE, sb::Vector(20, 10), f); }, smoke, 42);
  clearWorld();

  // A named colour replaces the preset's colour.
  ASSERT_EQ(sb::addParticles(sb::BURST, sb::Vector(1, 1), 1, sb::BLUE), 0);
  std::vector<sb::Particle *> burst = ofType("Particle");
  ASSERT_EQ(burst.size(), 50u);
  ParticleSeen first = see(burst[0]);
  EXPECT_EQ(first.size, 2.5f);
  EXPECT_EQ(first.age, 10);
  EXPECT_EQ(first.r + first.g, 0);
  EXPECT_EQ(first.b, 255);

  // int(4 f) fireworks falling by 0.01 a step.
  ASSERT_EQ(sb::addParticles(sb::FIREWORKS, sb::Vector(40, 20), 2), 0);
  std::vector<sb::Particle *> fireworks = ofType("Firework");
  ASSERT_EQ(fireworks.size(), 8u);
  EXPECT_EQ(fireworks[0]->getAcceleration(), sb::Vector(0, 0.01f));
  EXPECT_EQ(fireworks[0]->getShape().getSize(), 4.0f);

  int before = objectCount();
  EXPECT_EQ(sb::addParticles(static_cast<sb::ParticleType>(9), sb::Vector(1, 1)), 0);
  EXPECT_EQ(objectCount(), before);
}

// The start of one precipitation particle on an 80 x 24 world, replayed.
sb::Vector replayStart() {
  int y = rand() % 24;
  int x = rand() % 80;
  x += rand() % 10;
  float py = y * 32.0f + rand() % 32;
  float px = x * 12.8f + rand() % 12;
  return sb::Vector(px / 12.8f, py / 32.0f);
}

void expectNear(sb::Vector a, sb::Vector b) {
  EXPECT_NEAR(a.getX(), b.getX(), 1e-4);
  EXPECT_NEAR(a.getY(), b.getY(), 1e-4);
}

TEST(PrecipitationField, RainAndStarsReplayFromAFixedSeed) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  srand(11);
  ASSERT_EQ(sb::addParticles(sb::RAIN, sb::DOWN, 0.1f), 0);  // int(24*80/60*0.1) = 3
  int next = rand();
  srand(11);
  std::vector<sb::Vector> starts;
  for (int i = 0; i < 3; i++) starts.push_back(replayStart());
  EXPECT_EQ(next, rand());
  std::vector<sb::Particle *> rain = ofType("Precipitation");
  ASSERT_EQ(rain.size(), 3u);
  for (size_t i = 0; i < rain.size(); i++) {
    expectNear(rain[i]->getPosition(), starts[i]);
    EXPECT_EQ(rain[i]->getVelocity(), sb::Vector(0, 0.75f));
    EXPECT_EQ(rain[i]->getAltitude(), 4);
    EXPECT_EQ(see(rain[i]), (ParticleSeen{rain[i]->getPosition(), {0, 0.75f}, 3, 0, 128, 128, 128, 128}));
  }
  clearWorld();

  // Stars: all sizes and speeds first (one k each), then the placements.
  srand(12);
  ASSERT_EQ(sb::addParticles(sb::STARS, sb::LEFT, 0.5f), 0);  // int(1920/120*0.5) = 8
  next = rand();
  srand(12);
  std::vector<int> ks;
  for (int i = 0; i < 8; i++) ks.push_back(rand() % 10 + 4);
  starts.clear();
  for (int i = 0; i < 8; i++) starts.push_back(replayStart());
  EXPECT_EQ(next, rand());
  std::vector<sb::Particle *> stars = ofType("Precipitation");
  ASSERT_EQ(stars.size(), 8u);
  for (size_t i = 0; i < stars.size(); i++) {
    EXPECT_EQ(stars[i]->getShape().getSize(), 20.0f / ks[i]);
    expectNear(stars[i]->getVelocity(), sb::Vector(-1.0f / ks[i], 0));
    expectNear(stars[i]->getPosition(), starts[i]);
    EXPECT_EQ(stars[i]->getAltitude(), 0);
  }
}

TEST(PrecipitationField, DirectionCheckEmptyFieldAndColour) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  sb::Direction bad = static_cast<sb::Direction>(9);
  EXPECT_EQ(sb::addParticles(sb::SNOW, bad, 0.0f), 0);  // nothing to make: not checked
  EXPECT_EQ(sb::addParticles(sb::SNOW, bad, 1.0f), -1);
  EXPECT_EQ(sb::addParticles(static_cast<sb::PrecipitationType>(5), sb::UP, 1.0f), 0);
  EXPECT_EQ(objectCount(), 0);
  EXPECT_EQ(sbtest::countOf(sbtest::readLog(), "addParticles(): Error! Direction 9 not supported."),
            1);

  // Snow: 32 wavering flakes of 3.0 to 4.9; a named colour replaces white.
  ASSERT_EQ(sb::addParticles(sb::SNOW, sb::DOWN, 1.0f, sb::RED), 0);
  std::vector<sb::Particle *> snow = ofType("Precipitation");
  ASSERT_EQ(snow.size(), 32u);
  for (sb::Particle *p : snow) {
    EXPECT_TRUE(dynamic_cast<sb::Precipitation *>(p)->getTurbulence());
    ParticleSeen s = see(p);
    EXPECT_TRUE(s.size >= 3.0f && s.size < 5.0f) << s.size;
    EXPECT_EQ(s.r + s.g + s.b, 255);
    EXPECT_EQ(s.velocity, sb::Vector(0, 0.25f));
  }
}

TEST(ParticleLife, AgeRunsOutAndLeavingTheWorldEnds) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  sb::Object *before = new sb::Object;
  new sb::Particle(2, 1, 255, 1, 2, 3);
  new sb::Particle(2, 0, 255, 1, 2, 3);
  sb::Particle *three = new sb::Particle(2, 3, 255, 1, 2, 3);
  sb::Particle *leaving = new sb::Particle(2, 100, 255, 1, 2, 3);
  leaving->setPosition(sb::Vector(79, 12));
  leaving->setVelocity(sb::Vector(2, 0));
  // Particles use up no object ids.
  EXPECT_EQ(three->getId(), 0);
  EXPECT_EQ((new sb::Object)->getId(), before->getId() + 1);
  EXPECT_EQ(three->getSolidness(), sb::SPECTRAL);
  EXPECT_EQ(three->getAltitude(), 3);

  stepWorld();  // ages 1 and 0 end, and so does the one that left the world
  EXPECT_EQ(ofType("Particle").size(), 1u);
  EXPECT_EQ(three->getAge(), 2);
  stepWorld();
  stepWorld();
  EXPECT_EQ(ofType("Particle").size(), 0u);
}

TEST(ParticleLife, SerializationWarns) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  sb::LogManager::getInstance().setLogLevel(1);
  sb::Particle *p = new sb::Particle(2, 5, 255, 1, 2, 3);
  EXPECT_EQ(p->serialize("ALL"), p->sb::Object::serialize("ALL"));
  p->deserialize("type:Particle,");
  std::string log = sbtest::readLog();
  EXPECT_EQ(sbtest::countOf(log,
                            "Particle::serialize(): Warning!  Particles attributes are not "
                            "serialized"),
            1);
  EXPECT_EQ(sbtest::countOf(log, "Particle::deserialize(): Warning! Cannot deserialize particles."),
            1);
}

TEST(Firework, TwoTrailParticlesPerGameStep) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  sb::Firework *f = new sb::Firework(4, 20, 100, 255, 69, 0);
  f->setPosition(sb::Vector(10, 10));
  f->setVelocity(sb::Vector(0, -0.5f));
  stepWorld();
  EXPECT_EQ(f->getAge(), 18);
  std::vector<sb::Particle *> trail = ofType("Particle");
  ASSERT_EQ(trail.size(), 2u);
  for (sb::Particle *p : trail)  // dropped where the firework was, half size, a quarter of its age
    EXPECT_EQ(see(p), (ParticleSeen{{10, 10}, {0, 0}, 2, 5, 255, 255, 69, 0}));
  EXPECT_EQ(f->getPosition(), sb::Vector(10, 9.5f));
  EXPECT_NEAR(f->getVelocity().getY(), -0.49f, 1e-6);

  // The trail is dropped even on the step that ends the firework, and only on steps.
  sb::Firework *last = new sb::Firework(4, 1, 255, 1, 1, 1);
  sb::EventStep step_event(1);
  sb::EventOut out;
  EXPECT_EQ(last->eventHandler(&step_event), 1);
  EXPECT_EQ(last->eventHandler(&out), 1);
  EXPECT_EQ(ofType("Particle").size(), 3u);
}

TEST(PrecipitationMotion, ReentersAtTheOppositeEdge) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  sb::Precipitation *star = new sb::Precipitation(5, sb::LEFT, 255, 255, 255, 255);
  star->setPosition(sb::Vector(0.2f, 7));
  star->setVelocity(sb::Vector(-1, 0));
  srand(77);
  stepWorld();  // out at the left, back in beyond the right edge at a random height
  srand(77);
  int x = 80 + rand() % 5;
  int y = rand() % 24;
  float py = y * 32.0f + rand() % 32;
  expectNear(star->getPosition(), sb::Vector((x * 12.8f + rand() % 12) / 12.8f, py / 32.0f));

  struct Case {
    sb::Direction direction;
    float min_x, max_x, min_y, max_y;
  };
  const Case cases[] = {
      {sb::UP, 0, 80, 24, 29}, {sb::DOWN, 0, 80, -4, 1}, {sb::RIGHT, -4, 1, 0, 24}};
  sb::EventOut out;
  for (const Case &c : cases) {
    sb::Precipitation *p = new sb::Precipitation(3, c.direction, 128, 1, 1, 1);
    for (int i = 0; i < 50; i++) {
      EXPECT_EQ(p->eventHandler(&out), 1);
      float px = p->getPosition().getX(), py = p->getPosition().getY();
      EXPECT_TRUE(px >= c.min_x && px < c.max_x && py >= c.min_y && py < c.max_y)
          << c.direction << ": " << p->getPosition().toString();
    }
  }

  sb::LogManager::getInstance().setLogLevel(1);
  sb::Precipitation *odd = new sb::Precipitation(3, static_cast<sb::Direction>(6), 128, 1, 1, 1);
  EXPECT_EQ(odd->eventHandler(&out), -1);
  EXPECT_EQ(sbtest::countOf(sbtest::readLog(),
                            "Precipitation::eventHandler(): warning! Direction 6 not supported."),
            1);
}

TEST(PrecipitationMotion, TurbulenceStaysNearTheFirstVelocity) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  sb::Precipitation *flake = new sb::Precipitation(3, sb::DOWN, 128, 255, 255, 255);
  flake->setVelocity(sb::Vector(0, 0.4f));
  flake->setTurbulence(true);
  sb::EventStep step_event(0);
  bool wandered_x = false, wandered_y = false;
  for (int i = 0; i < 300; i++) {
    EXPECT_EQ(flake->eventHandler(&step_event), 0);
    sb::Vector v = flake->getVelocity();
    ASSERT_LE(std::fabs(v.getX()), 0.1f + 1e-6f) << i;  // a quarter of the speed 0.4
    ASSERT_LE(std::fabs(v.getY() - 0.4f), 0.1f + 1e-6f) << i;
    wandered_x |= v.getX() != 0;
    wandered_y |= v.getY() != 0.4f;
  }
  EXPECT_TRUE(wandered_x && wandered_y);

  // With no reference speed, y may not change at all.
  sb::Precipitation *still = new sb::Precipitation(3, sb::DOWN, 128, 255, 255, 255);
  still->setTurbulence(true);
  for (int i = 0; i < 20; i++) {
    still->setVelocity(sb::Vector(0, 0));
    still->eventHandler(&step_event);
    EXPECT_EQ(still->getVelocity().getY(), 0);
  }
}

}  // namespace
