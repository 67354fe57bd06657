// A seeded world traced step by step: every event every object receives and
// every object's position after every step, folded into one digest. Objects
// create, delete, unregister and re-register objects from their handlers,
// collide, leave the world, and particle bursts come and go. The digest was
// taken from the engine before its event delivery, world update and object
// layout were made faster; any change in order, count or position shows.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "EventStep.h"
#include "GameManager.h"
#include "Object.h"
#include "WorldManager.h"
#include "utility.h"

#ifndef SORBELANE_TRACE_MAIN
#include <gtest/gtest.h>

#include "support/TestEngine.h"
#endif

namespace {

struct Trace {
  uint64_t digest = 1469598103934665603ull;
  long events = 0;
  void add(uint64_t value) {
    for (int i = 0; i < 8; i++) {
      digest ^= (value >> (8 * i)) & 0xff;
      digest *= 1099511628211ull;
    }
  }
  void add(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    add(static_cast<uint64_t>(bits));
  }
};

Trace *trace = nullptr;
int step_now = 0;
const char *const kPing = "trace-ping";

float randomUnit() { return static_cast<float>(rand() % 2001 - 1000) / 1000.0f; }

// Moves about, collides, and changes the world from its handlers.
class Tracer : public sb::Object {
 public:
  int serial;
  explicit Tracer(int serial_number) : serial(serial_number) {
    setType("tracer");
    setSolidness(static_cast<sb::Solidness>(rand() % 3));
    setPosition(sb::Vector(static_cast<float>(rand() % 80), static_cast<float>(rand() % 24)));
    setVelocity(sb::Vector(randomUnit(), randomUnit() * 0.5f));
    registerInterest(sb::STEP_EVENT);
    if (rand() % 2) registerInterest(kPing);
  }

  int eventHandler(const sb::Event *p_e) override {
    const std::string type = p_e->getType();
    trace->events++;
    trace->add(static_cast<uint64_t>(serial) * 131 + type.size());
    trace->add(static_cast<uint64_t>(step_now));
    if (type == sb::STEP_EVENT) return onStep();
    if (type == sb::OUT_EVENT) {
      sb::Vector p = getPosition(), v = getVelocity();
      if (p.getX() < 0 || p.getX() > 79) v.setX(-v.getX()), p.setX(p.getX() < 0 ? 1 : 78);
      if (p.getY() < 0 || p.getY() > 23) v.setY(-v.getY()), p.setY(p.getY() < 0 ? 1 : 22);
      setVelocity(v);
      setPosition(p);
      return 1;
    }
    if (type == sb::COLLISION_EVENT) {
      if (rand() % 3 == 0) setVelocity(sb::Vector(randomUnit(), randomUnit()));
      return 1;
    }
    if (type == kPing && rand() % 5 == 0) unregisterInterest(kPing);
    return 1;
  }

  static int next_serial;

 private:
  int onStep() {
    int choice = rand() % 40;
    sb::WorldManager &world = sb::WorldManager::getInstance();
    if (choice == 0) new Tracer(next_serial++);
    if (choice == 1) world.markForDelete(this);
    if (choice == 2) setVelocity(sb::Vector(randomUnit(), randomUnit()));
    if (choice == 3) registerInterest(kPing);
    if (choice == 4 || choice == 5) {
      // Another tracer loses (or gains) its step interest while steps are delivered.
      sb::ObjectList all = world.objectsOfType("tracer");
      if (all.getCount() > 0) {
        Tracer *p_other = static_cast<Tracer *>(all[rand() % all.getCount()]);
        if (choice == 4 && p_other != this && p_other->getEventCount() > 0)
          p_other->unregisterInterest(p_other->getEventName(0));
        else
          p_other->registerInterest(sb::STEP_EVENT);
      }
    }
    if (choice == 6) world.markForDelete(world.objectsOfType("tracer"));
    if (choice == 7) setSolidness(static_cast<sb::Solidness>(rand() % 3));
    return 1;
  }
};

int Tracer::next_serial = 0;

// Runs the traced world for steps steps (the engine started, the world empty).
Trace runTrace(int steps) {
  Trace result;
  trace = &result;
  srand(7);
  Tracer::next_serial = 0;
  sb::WorldManager &world = sb::WorldManager::getInstance();
  sb::GameManager &game = sb::GameManager::getInstance();
  for (int i = 0; i < 40; i++) new Tracer(Tracer::next_serial++);
  for (step_now = 0; step_now < steps; step_now++) {
    if (step_now % 10 == 0)
      sb::addParticles(30, 0, sb::Vector(40, 12), 5, sb::Vector(0, 0), 0, 1, 0, 0.7f, 0.5f, 8, 6,
                       255, 0, 200, 100, 50, 0, sb::PARTICLE);
    if (step_now % 25 == 0) sb::addParticles(sb::FIREWORKS, sb::Vector(40, 20), 1.0f);
    if (world.objectsOfType("tracer").getCount() < 20)
      for (int i = 0; i < 10; i++) new Tracer(Tracer::next_serial++);
    sb::EventStep step_event(step_now);
    result.add(static_cast<uint64_t>(game.onEvent(&step_event)));
    sb::Event ping;
    ping.setType(kPing);
    result.add(static_cast<uint64_t>(world.onEvent(&ping)));
    world.update();
    world.draw();
    sb::ObjectList all = world.getAllObjects(true);
    result.add(static_cast<uint64_t>(all.getCount()));
    for (int i = 0; i < all.getCount(); i++) {
      const Tracer *p_tracer = dynamic_cast<const Tracer *>(all[i]);
      result.add(static_cast<uint64_t>(p_tracer ? p_tracer->serial : -1));
      result.add(all[i]->getPosition().getX());
      result.add(all[i]->getPosition().getY());
      result.add(all[i]->getSpeed());
    }
  }
  world.markForDelete(world.getAllObjects(true));
  world.update();
  trace = nullptr;
  return result;
}

}  // namespace

#ifndef SORBELANE_TRACE_MAIN
namespace {

// The digest and event count that 300 seeded steps give: any change to
// movement, collisions or the order of events changes them.
constexpr uint64_t kDigest = 14799762277950631224ull;
constexpr long kEvents = 8319;

TEST(WorldTrace, SeededWorldGivesTheSameEventsAndPositionsAsBefore) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  Trace traced = runTrace(300);
  EXPECT_EQ(traced.events, kEvents);
  EXPECT_EQ(traced.digest, kDigest);
}

}  // namespace
#else
#include <cstdio>
#include <unistd.h>
// Prints the digest and event count of the engine it is built against, so
// that two engines' numbers can be compared with the ones the test expects.
int main() {
  char dir[] = "/tmp/sorbelane-trace-XXXXXX";
  if (!mkdtemp(dir) || chdir(dir) != 0) return 1;
  FILE *config = std::fopen("sb-config.txt", "w");
  if (!config) return 1;
  std::fputs("headless:true,\n", config);
  std::fclose(config);
  setenv("SORBELANE_CONFIG", "sb-config.txt", 1);
  setenv("SORBELANE_LOG", "sorbelane.log", 1);
  if (sb::GameManager::getInstance().startUp() != 0) return 1;
  Trace traced = runTrace(300);
  std::printf("digest %llu events %ld\n", static_cast<unsigned long long>(traced.digest),
              traced.events);
  sb::GameManager::getInstance().shutDown();
  return 0;
}
#endif
