// Particles: bursts replayed from a fixed seed, presets, precipitation fields,
// lifetimes, fireworks' trails and re-entry at the opposite edge.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "EventOut.h"
#include "EventStep.h"
#include "Firework.h"
#include "GameManager.h"
#include "LogManager.h"
#include "ObjectListIterator.h"
#include "Particle.h"
#include "Precipitation.h"
#include "WorldManager.h"
#include "support/TestEngine.h"
#include "utility.h"

namespace {

const float U = 4.656613e-10f;  // 2^-31

// Default window: 1024 x 768 pixels, 80 x 24 cells, so cells of 12.8 x 32.
const char *HEADLESS = "headless:true,\n";

// What one particle of a burst should look like.
struct Expected {
  sb::Vector position;
  sb::Vector velocity;
  float size;
  int age;
  int opacity;
  int r, g, b;
};

struct BurstArgs {
  int count = 1;
  sb::Vector position;
  float position_spread = 0;
  sb::Vector direction;
  float direction_spread = 0;
  float size = 1;
  float size_spread = 0;
  float speed = 0;
  float speed_spread = 0;
  int age = 1;
  int age_spread = 0;
  unsigned char opacity = 255;
  char opacity_spread = 0;
  unsigned char r = 255, g = 255, b = 255;
  unsigned char color_spread = 0;
  sb::ParticleClass particle_class = sb::PARTICLE;
};

int call(const BurstArgs &a) {
  return sb::addParticles(a.count, 0, a.position, a.position_spread, a.direction,
                          a.direction_spread, a.size, a.size_spread, a.speed, a.speed_spread, a.age,
                          a.age_spread, a.opacity, a.opacity_spread, a.r, a.g, a.b, a.color_spread,
                          a.particle_class);
}

float spread(float value, float s) {
  if (s == 0) return value;
  float u = static_cast<float>(rand()) * U;
  float part = u * s;
  part -= s * 0.5f;
  return value + part;
}

unsigned char clampColor(int c) { return c < 0 ? 0 : (c > 255 ? 255 : c); }

// Replays the rules of a burst on the current random sequence.
std::vector<Expected> replay(const BurstArgs &a) {
  std::vector<Expected> out;
  for (int i = 0; i < a.count; i++) {
    Expected e;
    int os = static_cast<signed char>(a.opacity_spread);
    e.opacity = os ? (a.opacity + rand() % os - os / 2) & 0xff : a.opacity;
    e.age = a.age_spread ? a.age + rand() % a.age_spread - a.age_spread / 2 : a.age;
    e.size = spread(a.size, a.size_spread);
    e.r = a.r, e.g = a.g, e.b = a.b;
    if (a.color_spread) {
      int d = rand() % a.color_spread - a.color_spread / 2;
      if (e.r) e.r = clampColor(e.r + d);
      if (e.g) e.g = clampColor(e.g + d);
      if (e.b) e.b = clampColor(e.b + d);
    }
    float x, y;
    if (a.direction.getX() == 0 && a.direction.getY() == 0) {
      int r1 = rand(), r2 = rand();
      x = static_cast<float>(r1 - r2) * U;
      int r3 = rand(), r4 = rand();
      y = static_cast<float>(r3 - r4) * U;
    } else {
      x = spread(a.direction.getX(), a.direction_spread);
      y = spread(a.direction.getY(), a.direction_spread);
    }
    float length = std::sqrt(x * x + y * y);
    float speed = spread(a.speed, a.speed_spread);
    e.velocity = sb::Vector(x / length * speed, y / length * speed);
    float px = spread(a.position.getX(), a.position_spread);
    float py = spread(a.position.getY(), a.position_spread);
    e.position = sb::Vector(px, py);
    out.push_back(e);
  }
  return out;
}

std::vector<sb::Particle *> particlesOfType(const std::string &type) {
  std::vector<sb::Particle *> found;
  sb::ObjectList list = sb::WorldManager::getInstance().objectsOfType(type);
  for (sb::ObjectListIterator it(&list); !it.isDone(); it.next())
    found.push_back(dynamic_cast<sb::Particle *>(it.currentObject()));
  return found;
}

void expectParticle(const sb::Particle *p, const Expected &e, int index) {
  SCOPED_TRACE("particle " + std::to_string(index));
  ASSERT_NE(p, nullptr);
  sb::Shape shape = p->getShape();
  EXPECT_EQ(p->getPosition(), e.position);
  EXPECT_NEAR(p->getVelocity().getX(), e.velocity.getX(), 1e-5);
  EXPECT_NEAR(p->getVelocity().getY(), e.velocity.getY(), 1e-5);
  EXPECT_EQ(shape.getSize(), e.size);
  EXPECT_EQ(shape.getType(), sb::CIRCLE);
  EXPECT_EQ(p->getAge(), e.age);
  EXPECT_EQ(shape.getOpacity(), e.opacity);
  EXPECT_EQ(shape.getColor(), sb::CUSTOM);
  EXPECT_EQ(shape.getRed(), e.r);
  EXPECT_EQ(shape.getGreen(), e.g);
  EXPECT_EQ(shape.getBlue(), e.b);
}

// Runs a burst from seed, checks every particle against the replay and that
// the call used exactly the random numbers the replay used.
void checkBurst(const BurstArgs &args, unsigned seed, const std::string &type = "Particle") {
  srand(seed);
  ASSERT_EQ(call(args), 0);
  int next_after_call = rand();
  srand(seed);
  std::vector<Expected> expected = replay(args);
  EXPECT_EQ(next_after_call, rand());
  std::vector<sb::Particle *> made = particlesOfType(type);
  ASSERT_EQ(made.size(), expected.size());
  for (size_t i = 0; i < made.size(); i++) expectParticle(made[i], expected[i], i);
}

void step() {
  static int count = 0;
  sb::EventStep step_event(count++);
  sb::GameManager::getInstance().onEvent(&step_event);
  sb::WorldManager::getInstance().update();
}

int objectCount() { return sb::WorldManager::getInstance().getAllObjects(true).getCount(); }

TEST(ParticleBurst, FullFormFollowsTheSpreadRules) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  BurstArgs a;
  a.count = 25;
  a.position = sb::Vector(40, 12);
  a.position_spread = 6;
  a.direction = sb::Vector(1, -0.5f);
  a.direction_spread = 0.8f;
  a.size = 3;
  a.size_spread = 1.5f;
  a.speed = 0.4f;
  a.speed_spread = 0.3f;
  a.age = 20;
  a.age_spread = 9;
  a.opacity = 255;
  a.opacity_spread = 75;  // wraps round past 255
  a.r = 250;              // clamped at 255
  a.g = 0;                // stays 0
  a.b = 12;               // clamped at 0
  a.color_spread = 50;
  checkBurst(a, 1234);

  // The seed really exercises wrapping and clamping.
  srand(1234);
  std::vector<Expected> expected = replay(a);
  bool wrapped = false, clamped_high = false, clamped_low = false;
  for (const Expected &e : expected) {
    wrapped |= e.opacity < 100;
    clamped_high |= e.r == 255;
    clamped_low |= e.b == 0;
    EXPECT_EQ(e.g, 0);
  }
  EXPECT_TRUE(wrapped && clamped_high && clamped_low);
}

TEST(ParticleBurst, ZeroDirectionIgnoresDirectionSpread) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  BurstArgs a;
  a.count = 12;
  a.position = sb::Vector(5, 5);
  a.direction_spread = 3;  // not used: every particle draws its own heading
  a.speed = 1;
  a.age = 7;
  a.age_spread = -4;  // a negative spread is still a spread
  a.opacity = 128;
  a.opacity_spread = -20;
  a.r = 10, a.g = 200, a.b = 0;
  checkBurst(a, 99);

  std::vector<sb::Particle *> made = particlesOfType("Particle");
  ASSERT_GE(made.size(), 2u);
  EXPECT_NE(made[0]->getDirection(), made[1]->getDirection());
}

TEST(ParticleBurst, FixedHeadingWithoutSpreadsIsShared) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  BurstArgs a;
  a.count = 5;
  a.direction = sb::Vector(0, 2);
  a.speed = 0.5f;
  a.particle_class = sb::FIREWORK;
  srand(7);
  checkBurst(a, 7, "Firework");
  for (sb::Particle *p : particlesOfType("Firework")) {
    EXPECT_EQ(p->getDirection(), sb::Vector(0, 1));
    EXPECT_EQ(p->getSpeed(), 0.5f);
  }
}

TEST(ParticleBurst, NothingToMakeAndUnknownClass) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  int before = objectCount();
  BurstArgs a;
  a.count = 0;
  a.opacity_spread = 10;
  a.age_spread = 3;
  srand(5);
  EXPECT_EQ(call(a), 0);
  int next = rand();
  srand(5);
  EXPECT_EQ(next, rand());  // no random number was used

  a.count = 4;
  a.particle_class = static_cast<sb::ParticleClass>(7);
  EXPECT_EQ(call(a), -1);
  EXPECT_EQ(objectCount(), before);
  EXPECT_EQ(sbtest::countOf(sbtest::readLog(), "addParticles(): Type 7 not defined."), 1);
}

TEST(ParticleBurst, ParticlesUseNoObjectIds) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  sb::Object *first = new sb::Object;
  sb::addParticles(sb::SPARKS, sb::Vector(10, 10));
  sb::Object *second = new sb::Object;
  EXPECT_EQ(second->getId(), first->getId() + 1);
  std::vector<sb::Particle *> made = particlesOfType("Particle");
  ASSERT_FALSE(made.empty());
  for (sb::Particle *p : made) {
    EXPECT_EQ(p->getId(), 0);
    EXPECT_EQ(p->getSolidness(), sb::SPECTRAL);
    EXPECT_EQ(p->getAltitude(), 3);
  }
}

TEST(ParticlePreset, SmokeAndColouredBurstAndFireworks) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  const float f = 1.5f;
  BurstArgs smoke;
  smoke.count = static_cast<int>(20 * f);
  smoke.position = sb::Vector(20, 10);
  smoke.direction = sb::Vector(0, -1);
  smoke.direction_spread = (0.3f * f) * 0.5f;
  smoke.size = (5 * f) / 1.5f;
  smoke.size_spread = 0.15f * f;
  smoke.speed = 0.2f;
  smoke.speed_spread = 0.05f;
  smoke.age = static_cast<int>(20 * f);
  smoke.age_spread = static_cast<int>(5 * f);
  smoke.opacity = 128;
  smoke.opacity_spread = 50;
  smoke.r = smoke.g = smoke.b = 128;
  smoke.color_spread = 50;
  srand(42);
  ASSERT_EQ(sb::addParticles(sb::SMOKE, smoke.position, f), 0);
  int next = rand();
  srand(42);
  std::vector<Expected> expected = replay(smoke);
  EXPECT_EQ(next, rand());
  std::vector<sb::Particle *> made = particlesOfType("Particle");
  ASSERT_EQ(made.size(), expected.size());
  for (size_t i = 0; i < made.size(); i++) expectParticle(made[i], expected[i], i);
  sb::WorldManager::getInstance().markForDelete(
      sb::WorldManager::getInstance().objectsOfType("Particle"));
  sb::WorldManager::getInstance().update();

  // A named colour replaces the preset's.
  srand(3);
  sb::addParticles(sb::BURST, sb::Vector(1, 1), 1, sb::BLUE);
  made = particlesOfType("Particle");
  ASSERT_EQ(made.size(), 50u);
  for (sb::Particle *p : made) {
    sb::Shape shape = p->getShape();
    EXPECT_EQ(shape.getRed(), 0);
    EXPECT_EQ(shape.getGreen(), 0);
    EXPECT_EQ(shape.getBlue(), 255);
    EXPECT_EQ(shape.getSize(), 2.5f);
    EXPECT_EQ(p->getAge(), 10);
  }

  sb::addParticles(sb::FIREWORKS, sb::Vector(40, 20), 2);
  std::vector<sb::Particle *> fireworks = particlesOfType("Firework");
  ASSERT_EQ(fireworks.size(), 8u);
  for (sb::Particle *p : fireworks) {
    EXPECT_EQ(p->getAcceleration(), sb::Vector(0, 0.01f));
    EXPECT_EQ(p->getShape().getSize(), 4.0f);
  }

  int before = objectCount();
  EXPECT_EQ(sb::addParticles(static_cast<sb::ParticleType>(9), sb::Vector(1, 1)), 0);
  EXPECT_EQ(objectCount(), before);
}

// The expected start of one precipitation particle, from the current random sequence.
sb::Vector replayPlacement(int h, int v) {
  int y = rand() % v;
  int x = rand() % h;
  x += rand() % 10;
  float py = y * 32.0f + rand() % 32;
  float px = x * 12.8f + rand() % 12;
  return sb::Vector(px / 12.8f, py / 32.0f);
}

TEST(PrecipitationField, RainAndStarsFromFixedSeed) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  srand(11);
  ASSERT_EQ(sb::addParticles(sb::RAIN, sb::DOWN, 0.1f), 0);  // int(24*80/60*0.1) = 3
  int next = rand();
  srand(11);
  std::vector<sb::Vector> starts;
  for (int i = 0; i < 3; i++) starts.push_back(replayPlacement(80, 24));
  EXPECT_EQ(next, rand());
  std::vector<sb::Particle *> rain = particlesOfType("Precipitation");
  ASSERT_EQ(rain.size(), 3u);
  for (size_t i = 0; i < rain.size(); i++) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(rain[i]->getPosition().getX(), starts[i].getX(), 1e-4);
    EXPECT_NEAR(rain[i]->getPosition().getY(), starts[i].getY(), 1e-4);
    EXPECT_EQ(rain[i]->getVelocity(), sb::Vector(0, 0.75f));
    EXPECT_EQ(rain[i]->getAltitude(), 4);
    EXPECT_EQ(rain[i]->getShape().getRed(), 128);
    EXPECT_EQ(rain[i]->getShape().getOpacity(), 128);
    EXPECT_EQ(rain[i]->getShape().getSize(), 3.0f);
    EXPECT_FALSE(dynamic_cast<sb::Precipitation *>(rain[i])->getTurbulence());
  }
  sb::WorldManager::getInstance().markForDelete(
      sb::WorldManager::getInstance().objectsOfType("Precipitation"));
  sb::WorldManager::getInstance().update();

  srand(12);
  ASSERT_EQ(sb::addParticles(sb::STARS, sb::LEFT, 0.5f), 0);  // int(1920/120*0.5) = 8
  next = rand();
  srand(12);
  std::vector<int> ks;
  for (int i = 0; i < 8; i++) ks.push_back(rand() % 10 + 4);
  starts.clear();
  for (int i = 0; i < 8; i++) starts.push_back(replayPlacement(80, 24));
  EXPECT_EQ(next, rand());
  std::vector<sb::Particle *> stars = particlesOfType("Precipitation");
  ASSERT_EQ(stars.size(), 8u);
  for (size_t i = 0; i < stars.size(); i++) {
    SCOPED_TRACE(i);
    EXPECT_EQ(stars[i]->getShape().getSize(), 20.0f / ks[i]);
    EXPECT_NEAR(stars[i]->getVelocity().getX(), -1.0f / ks[i], 1e-6);
    EXPECT_EQ(stars[i]->getVelocity().getY(), 0);
    EXPECT_EQ(stars[i]->getAltitude(), 0);
    EXPECT_EQ(stars[i]->getShape().getOpacity(), 255);
    EXPECT_NEAR(stars[i]->getPosition().getX(), starts[i].getX(), 1e-4);
  }
}

TEST(PrecipitationField, DirectionCheckColourAndEmptyField) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  int before = objectCount();
  EXPECT_EQ(sb::addParticles(sb::SNOW, static_cast<sb::Direction>(9), 0.0f), 0);
  EXPECT_EQ(sb::addParticles(sb::SNOW, static_cast<sb::Direction>(9), 1.0f), -1);
  EXPECT_EQ(objectCount(), before);
  EXPECT_NE(sbtest::readLog().find("addParticles(): Error! Direction 9 not supported."),
            std::string::npos);
  EXPECT_EQ(sb::addParticles(static_cast<sb::PrecipitationType>(5), sb::UP, 1.0f), 0);
  EXPECT_EQ(objectCount(), before);

  // Snow: 32 flakes with turbulence, sizes 3.0 to 4.9; a named colour replaces white.
  ASSERT_EQ(sb::addParticles(sb::SNOW, sb::DOWN, 1.0f, sb::RED), 0);
  std::vector<sb::Particle *> snow = particlesOfType("Precipitation");
  ASSERT_EQ(snow.size(), 32u);
  for (sb::Particle *p : snow) {
    EXPECT_TRUE(dynamic_cast<sb::Precipitation *>(p)->getTurbulence());
    float size = p->getShape().getSize();
    EXPECT_TRUE(size >= 3.0f && size < 5.0f) << size;
    EXPECT_EQ(p->getShape().getRed(), 255);
    EXPECT_EQ(p->getShape().getGreen(), 0);
    EXPECT_EQ(p->getVelocity(), sb::Vector(0, 0.25f));
  }
}

TEST(ParticleLife, AgeRunsOutOnSteps) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  int before = objectCount();
  sb::Particle *one = new sb::Particle(2, 1, 255, 1, 2, 3);
  new sb::Particle(2, 0, 255, 1, 2, 3);
  new sb::Particle(2, -3, 255, 1, 2, 3);
  sb::Particle *three = new sb::Particle(2, 3, 255, 1, 2, 3);
  EXPECT_EQ(one->getType(), "Particle");
  step();
  EXPECT_EQ(objectCount(), before + 1);
  EXPECT_EQ(three->getAge(), 2);
  step();
  step();
  EXPECT_EQ(objectCount(), before);
}

TEST(ParticleLife, LeavingTheWorldDeletes) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  int before = objectCount();
  sb::Particle *p = new sb::Particle(2, 100, 255, 1, 2, 3);
  p->setPosition(sb::Vector(79, 12));
  p->setVelocity(sb::Vector(2, 0));
  step();
  EXPECT_EQ(objectCount(), before);

  sb::Particle *q = new sb::Particle(2, 100, 255, 1, 2, 3);
  sb::EventOut out;
  EXPECT_EQ(q->eventHandler(&out), 1);
  sb::Event other;
  other.setType("game-thing");
  EXPECT_EQ(q->eventHandler(&other), 0);
  sb::WorldManager::getInstance().update();
  EXPECT_EQ(objectCount(), before);
}

TEST(ParticleLife, SerializationWarns) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  sb::LogManager::getInstance().setLogLevel(1);
  sb::Particle *p = new sb::Particle(2, 5, 255, 1, 2, 3);
  // The warning comes on top of the object's own string.
  EXPECT_EQ(p->serialize("ALL"), p->sb::Object::serialize("ALL"));
  p->deserialize("type:Particle,");
  std::string log = sbtest::readLog();
  EXPECT_GE(sbtest::countOf(log,
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
  EXPECT_EQ(f->getType(), "Firework");
  EXPECT_EQ(f->getAcceleration(), sb::Vector(0, 0.01f));

  sb::EventStep step_event(0);
  sb::GameManager::getInstance().onEvent(&step_event);
  EXPECT_EQ(f->getAge(), 18);
  std::vector<sb::Particle *> trail = particlesOfType("Particle");
  ASSERT_EQ(trail.size(), 2u);
  for (sb::Particle *p : trail) {
    EXPECT_EQ(p->getPosition(), sb::Vector(10, 10));
    EXPECT_EQ(p->getVelocity(), sb::Vector(0, 0));
    EXPECT_EQ(p->getShape().getSize(), 2.0f);
    EXPECT_EQ(p->getShape().getOpacity(), 255);
    EXPECT_EQ(p->getShape().getRed(), 255);
    EXPECT_EQ(p->getShape().getGreen(), 69);
    EXPECT_EQ(p->getAge(), 5);
  }
  sb::WorldManager::getInstance().update();
  EXPECT_EQ(f->getPosition(), sb::Vector(10, 9.5f));
  EXPECT_NEAR(f->getVelocity().getY(), -0.49f, 1e-6);

  // A firework drops its trail even on the step that ends it.
  sb::Firework *short_lived = new sb::Firework(4, 1, 255, 1, 1, 1);
  int before = objectCount();
  sb::EventStep last(1);
  EXPECT_EQ(short_lived->eventHandler(&last), 1);
  EXPECT_EQ(objectCount(), before + 1);
  sb::EventOut out;
  EXPECT_EQ(short_lived->eventHandler(&out), 1);
  EXPECT_EQ(objectCount(), before + 1);  // no trail on other events
}

TEST(PrecipitationMotion, ReentersAtTheOppositeEdge) {
  ASSERT_EQ(sbtest::startEngine(HEADLESS), 0);
  sb::Precipitation *star = new sb::Precipitation(5, sb::LEFT, 255, 255, 255, 255);
  star->setPosition(sb::Vector(0.2f, 7));
  star->setVelocity(sb::Vector(-1, 0));
  srand(77);
  step();  // moves to x = -0.8, wholly outside, and comes back on the right
  srand(77);
  int x = 80 + rand() % 5;
  int y = rand() % 24;
  float py = y * 32.0f + rand() % 32;
  float px = x * 12.8f + rand() % 12;
  EXPECT_NEAR(star->getPosition().getX(), px / 12.8f, 1e-4);
  EXPECT_NEAR(star->getPosition().getY(), py / 32.0f, 1e-4);
  EXPECT_EQ(star->getVelocity(), sb::Vector(-1, 0));

  // Every direction re-enters beyond the opposite edge.
  struct Case {
    sb::Direction direction;
    float min_x, max_x, min_y, max_y;
  };
  const Case cases[] = {{sb::UP, 0, 80, 24, 29},
                        {sb::DOWN, 0, 80, -4, 1},
                        {sb::LEFT, 80, 85, 0, 24},
                        {sb::RIGHT, -4, 1, 0, 24}};
  sb::EventOut out;
  for (const Case &c : cases) {
    sb::Precipitation *p = new sb::Precipitation(3, c.direction, 128, 1, 1, 1);
    for (int i = 0; i < 50; i++) {
      EXPECT_EQ(p->eventHandler(&out), 1);
      sb::Vector at = p->getPosition();
      EXPECT_TRUE(at.getX() >= c.min_x && at.getX() < c.max_x) << c.direction << " x " << at.getX();
      EXPECT_TRUE(at.getY() >= c.min_y && at.getY() < c.max_y) << c.direction << " y " << at.getY();
    }
  }

  sb::LogManager::getInstance().setLogLevel(1);
  sb::Precipitation *odd = new sb::Precipitation(3, static_cast<sb::Direction>(6), 128, 1, 1, 1);
  EXPECT_EQ(odd->eventHandler(&out), -1);
  EXPECT_NE(sbtest::readLog().find("Precipitation::eventHandler(): warning! Direction 6 not "
                                   "supported."),
            std::string::npos);
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
    ASSERT_LE(std::fabs(v.getX()), 0.1f + 1e-6f) << i;
    ASSERT_LE(std::fabs(v.getY() - 0.4f), 0.1f + 1e-6f) << i;
    wandered_x |= v.getX() != 0;
    wandered_y |= v.getY() != 0.4f;
  }
  EXPECT_TRUE(wandered_x && wandered_y);

  // Without a reference speed the first step may not change y at all.
  sb::Precipitation *still = new sb::Precipitation(3, sb::DOWN, 128, 255, 255, 255);
  still->setTurbulence(true);
  for (int i = 0; i < 20; i++) {
    still->setVelocity(sb::Vector(0, 0));
    still->eventHandler(&step_event);
    EXPECT_EQ(still->getVelocity().getY(), 0);
  }
}

}  // namespace
