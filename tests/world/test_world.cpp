// The world manager: solidness rules of moves, out events, deferred
// deletion, queries, the view, sliding along obstacles and bad input.
#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "EventCollision.h"
#include "EventOut.h"
#include "GameManager.h"
#include "LogManager.h"
#include "Object.h"
#include "WorldManager.h"
#include "utility.h"
#include "support/CoreChecks.h"
#include "support/TestEngine.h"

namespace {

using sb::Box;
using sb::Vector;

struct WorldReceived {
  std::string type;
  sb::Object *obj1 = nullptr;
  sb::Object *obj2 = nullptr;
  Vector where;     // the collision's position
  Vector position;  // the receiver's own position when it got the event
};

int g_destroyed = 0;

// Records every event; an optional action runs inside the handler.
class EventRecorder : public sb::Object {
 public:
  std::vector<WorldReceived> events;
  std::function<void(EventRecorder *, const sb::Event *)> action;
  sb::Object *mark_on_destroy = nullptr;
  int set_position_calls = 0;

  explicit EventRecorder(Vector where = Vector(1, 1), sb::Solidness solidness = sb::HARD) {
    setSolidness(solidness);
    setPosition(where);
    set_position_calls = 0;
  }
  ~EventRecorder() override {
    g_destroyed++;
    if (mark_on_destroy) sb::WorldManager::getInstance().markForDelete(mark_on_destroy);
  }
  int setPosition(Vector where) override {
    set_position_calls++;
    return sb::Object::setPosition(where);
  }
  int eventHandler(const sb::Event *p_e) override {
    WorldReceived r;
    r.type = p_e->getType();
    r.position = getPosition();
    if (r.type == sb::COLLISION_EVENT) {
      const sb::EventCollision *c = static_cast<const sb::EventCollision *>(p_e);
      r.obj1 = c->getObject1();
      r.obj2 = c->getObject2();
      r.where = c->getPosition();
    }
    events.push_back(r);
    if (action) action(this, p_e);
    return 1;
  }
  int count(const std::string &type) const {
    int n = 0;
    for (const WorldReceived &r : events)
      if (r.type == type) n++;
    return n;
  }
};

using sbtest::world;

using sbtest::contains;

TEST(WorldMoves, HardIntoHardIsRefusedAndBothAreTold) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  EventRecorder *mover = new EventRecorder(Vector(5, 5));
  EventRecorder *wall = new EventRecorder(Vector(7, 5));
  mover->setVelocity(Vector(1.5f, 0));

  world().update();
  EXPECT_EQ(mover->getPosition(), Vector(5, 5));
  ASSERT_EQ(mover->count(sb::COLLISION_EVENT), 1);
  ASSERT_EQ(wall->count(sb::COLLISION_EVENT), 1);
  for (EventRecorder *r : {mover, wall}) {
    EXPECT_EQ(r->events[0].obj1, mover);
    EXPECT_EQ(r->events[0].obj2, wall);
    EXPECT_EQ(r->events[0].where, Vector(6.5f, 5));
  }
  // The velocity stays, so it keeps trying.
  EXPECT_EQ(mover->getVelocity(), Vector(1.5f, 0));
  EXPECT_EQ(world().moveObject(mover, Vector(6.5f, 5)), -1);
  EXPECT_EQ(mover->count(sb::COLLISION_EVENT), 2);
  EXPECT_EQ(wall->count(sb::COLLISION_EVENT), 2);
  EXPECT_EQ(wall->getPosition(), Vector(7, 5));
}

TEST(WorldMoves, SoftSpectralAndNoSoftRules) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  // HARD into SOFT moves, with events; with no_soft it stays.
  EventRecorder *hard = new EventRecorder(Vector(5, 5));
  EventRecorder *soft = new EventRecorder(Vector(7, 5), sb::SOFT);
  EXPECT_EQ(world().moveObject(hard, Vector(6.5f, 5)), 0);
  EXPECT_EQ(hard->getPosition(), Vector(6.5f, 5));
  EXPECT_EQ(hard->count(sb::COLLISION_EVENT), 1);
  EXPECT_EQ(soft->count(sb::COLLISION_EVENT), 1);
  ASSERT_EQ(hard->setPosition(Vector(5, 5)), 0);
  hard->setNoSoft(true);
  EXPECT_EQ(world().moveObject(hard, Vector(6.5f, 5)), -1);
  EXPECT_EQ(hard->getPosition(), Vector(5, 5));
  EXPECT_EQ(hard->count(sb::COLLISION_EVENT), 2);
  EXPECT_EQ(soft->count(sb::COLLISION_EVENT), 2);

  // SOFT into HARD moves; SOFT with no_soft is stopped by SOFT only.
  EventRecorder *soft_mover = new EventRecorder(Vector(20, 5), sb::SOFT);
  EventRecorder *hard_wall = new EventRecorder(Vector(22, 5));
  EXPECT_EQ(world().moveObject(soft_mover, Vector(21.5f, 5)), 0);
  EXPECT_EQ(soft_mover->getPosition(), Vector(21.5f, 5));
  EXPECT_EQ(soft_mover->count(sb::COLLISION_EVENT), 1);
  EXPECT_EQ(hard_wall->count(sb::COLLISION_EVENT), 1);
  EXPECT_EQ(hard_wall->events[0].obj1, soft_mover);
  soft_mover->setNoSoft(true);
  EXPECT_EQ(world().moveObject(soft_mover, Vector(22, 5.5f)), 0);
  EventRecorder *soft_wall = new EventRecorder(Vector(24, 5.5f), sb::SOFT);
  EXPECT_EQ(world().moveObject(soft_mover, Vector(23.5f, 5.5f)), -1);
  EXPECT_EQ(soft_mover->getPosition(), Vector(22, 5.5f));
  EXPECT_EQ(soft_wall->count(sb::COLLISION_EVENT), 1);

  // SPECTRAL movers pass through anything silently, and nothing collides with them.
  EventRecorder *ghost = new EventRecorder(Vector(40, 5), sb::SPECTRAL);
  EventRecorder *block = new EventRecorder(Vector(42, 5));
  EXPECT_EQ(world().moveObject(ghost, Vector(42, 5)), 0);
  EXPECT_EQ(ghost->getPosition(), Vector(42, 5));
  EventRecorder *runner = new EventRecorder(Vector(40, 5));
  EXPECT_EQ(world().moveObject(runner, Vector(41.5f, 5)), -1);  // the block, not the ghost
  EXPECT_EQ(ghost->events.size(), 0u);
  EXPECT_EQ(block->count(sb::COLLISION_EVENT), 1);
  EXPECT_EQ(runner->count(sb::COLLISION_EVENT), 1);
}

TEST(WorldMoves, OutEventOnceAfterLeaving) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  world().setBoundary(Box(Vector(0, 0), 80, 24));
  EventRecorder *o = new EventRecorder(Vector(79, 10), sb::SPECTRAL);
  o->setVelocity(Vector(0.5f, 0));

  // 79.5, 80 and 80.5 still meet the boundary (80.5's box touches x = 80).
  for (int i = 0; i < 3; i++) world().update();
  EXPECT_EQ(o->getPosition(), Vector(80.5f, 10));
  EXPECT_EQ(o->count(sb::OUT_EVENT), 0);
  world().update();
  ASSERT_EQ(o->count(sb::OUT_EVENT), 1);
  EXPECT_EQ(o->events.back().position, Vector(81, 10));
  for (int i = 0; i < 3; i++) world().update();
  EXPECT_EQ(o->count(sb::OUT_EVENT), 1);

  // Back inside and out again: one more.
  o->setPosition(Vector(40, 10));
  o->setVelocity(Vector(0, -11));
  world().update();  // y 10 -> -1: box reaches -1.5 .. -0.51, outside
  EXPECT_EQ(o->count(sb::OUT_EVENT), 2);
  // A solid object that leaves by moving through nothing gets it as well.
  EventRecorder *hard = new EventRecorder(Vector(1, 1));
  EXPECT_EQ(world().moveObject(hard, Vector(-3, 1)), 0);
  EXPECT_EQ(hard->count(sb::OUT_EVENT), 1);
  EXPECT_EQ(hard->events.back().position, Vector(-3, 1));
}

TEST(WorldMoves, UpdateLeavesStillObjectsAlone) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  EventRecorder *a = new EventRecorder(Vector(5, 5));
  EventRecorder *b = new EventRecorder(Vector(5.2f, 5));  // overlapping, both HARD
  world().update();
  EXPECT_EQ(a->set_position_calls, 0);
  EXPECT_EQ(b->set_position_calls, 0);
  EXPECT_EQ(a->events.size(), 0u);
  EXPECT_EQ(b->events.size(), 0u);

  // Acceleration is applied after the move: first step at the old velocity.
  a->setVelocity(Vector(0, 1));
  a->setAcceleration(Vector(0, 1));
  b->setSolidness(sb::SPECTRAL);
  world().update();
  EXPECT_EQ(a->getPosition(), Vector(5, 6));
  EXPECT_EQ(a->set_position_calls, 1);
  EXPECT_NEAR(a->getVelocity().getY(), 2.0f, 1e-5);
  world().update();
  EXPECT_NEAR(a->getPosition().getY(), 8.0f, 1e-5);

  // Inactive objects do not move.
  a->setActive(false);
  world().update();
  EXPECT_NEAR(a->getPosition().getY(), 8.0f, 1e-5);
}

TEST(WorldDeletion, MarkedTwiceDeletedOnce) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  EventRecorder *a = new EventRecorder(Vector(5, 5));
  EventRecorder *b = new EventRecorder(Vector(10, 5));
  new EventRecorder(Vector(15, 5));
  EXPECT_EQ(world().markForDelete(a), 0);
  EXPECT_EQ(world().markForDelete(a), 0);
  sb::ObjectList both;
  both.insert(a);
  both.insert(b);
  both.insert(b);
  EXPECT_EQ(world().markForDelete(both), 0);
  // Still fully in the world until the update.
  EXPECT_EQ(world().getAllObjects().getCount(), 3);
  EXPECT_EQ(world().objectWithId(a->getId()), a);

  int before = g_destroyed;
  world().update();
  EXPECT_EQ(g_destroyed - before, 2);
  EXPECT_EQ(world().getAllObjects().getCount(), 1);
  world().update();
  EXPECT_EQ(g_destroyed - before, 2);

  EXPECT_EQ(world().markForDelete(static_cast<sb::Object *>(nullptr)), -1);
  std::string log = sbtest::readLog();
  EXPECT_TRUE(std::regex_search(
      log, std::regex(R"(WorldManager::markForDelete\(\): unable to add object \S+ to )"
                      R"(deletions list\n)")))
      << log;
}

TEST(WorldDeletion, MarkedDuringTheUpdateDeletedAtItsEnd) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  EventRecorder *mover = new EventRecorder(Vector(5, 5));
  EventRecorder *wall = new EventRecorder(Vector(7, 5));
  mover->setVelocity(Vector(1.5f, 0));
  wall->action = [](EventRecorder *self, const sb::Event *) {
    sb::WorldManager::getInstance().markForDelete(self);
  };
  int before = g_destroyed;
  world().update();
  EXPECT_EQ(g_destroyed - before, 1);
  EXPECT_EQ(world().getAllObjects().getCount(), 1);
  EXPECT_EQ(mover->count(sb::COLLISION_EVENT), 1);
  // The wall is gone from the collision index too: the next step goes through.
  world().update();
  EXPECT_EQ(mover->getPosition(), Vector(6.5f, 5));
  EXPECT_EQ(mover->count(sb::COLLISION_EVENT), 1);
}

TEST(WorldDeletion, MarkedByADestructorDeletedInTheSamePass) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  EventRecorder *a = new EventRecorder(Vector(5, 5));
  EventRecorder *b = new EventRecorder(Vector(10, 5));
  EventRecorder *c = new EventRecorder(Vector(15, 5));
  EventRecorder *keep = new EventRecorder(Vector(20, 5));
  a->mark_on_destroy = b;
  b->mark_on_destroy = c;
  c->mark_on_destroy = keep;  // keep is still alive when c goes
  keep->mark_on_destroy = nullptr;
  ASSERT_EQ(world().markForDelete(a), 0);
  int before = g_destroyed;
  world().update();
  EXPECT_EQ(g_destroyed - before, 4);
  EXPECT_EQ(world().getAllObjects(true).getCount(), 0);
  world().update();
  EXPECT_EQ(g_destroyed - before, 4);
}

// Objects that live in one fixed slot, so a test can make a new object reuse
// the address of one just deleted, as the allocator may do at any time.
alignas(EventRecorder) unsigned char g_slot[sizeof(EventRecorder) + 64];
class Pooled : public EventRecorder {
 public:
  explicit Pooled(Vector where) : EventRecorder(where, sb::SPECTRAL) {}
  static void *operator new(size_t) { return g_slot; }
  static void operator delete(void *) {}
};

// Destructors that mark objects already deleted in the same pass: the marks
// are no-ops. They must not read the freed objects (the sanitizer build
// reports any read), nor delete a new object that now lives at a freed address.
TEST(WorldDeletion, MarksOfObjectsAlreadyDeletedInThePassAreIgnored) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  EventRecorder *a = new EventRecorder(Vector(5, 5));
  EventRecorder *b = new EventRecorder(Vector(10, 5));
  a->mark_on_destroy = b;
  b->mark_on_destroy = a;  // a is gone by then
  ASSERT_EQ(world().markForDelete(a), 0);
  ASSERT_EQ(world().markForDelete(b), 0);
  int before = g_destroyed;
  world().update();
  EXPECT_EQ(g_destroyed - before, 2);

  // An explosion made by a destructor reuses the slot of the object deleted
  // just before; a stale mark of that object must leave the explosion alone.
  Pooled *ship = new Pooled(Vector(5, 5));
  EventRecorder *wreck = new EventRecorder(Vector(9, 5));
  Pooled *explosion = nullptr;
  struct Exploder : EventRecorder {
    Pooled **made;
    sb::Object *stale;
    Exploder(Pooled **out, sb::Object *old) : made(out), stale(old) {}
    ~Exploder() override {
      *made = new Pooled(Vector(7, 7));
      sb::WorldManager::getInstance().markForDelete(stale);
    }
  };
  Exploder *exploder = new Exploder(&explosion, ship);
  ASSERT_EQ(world().markForDelete(ship), 0);
  ASSERT_EQ(world().markForDelete(exploder), 0);
  world().update();
  ASSERT_EQ(static_cast<void *>(explosion), static_cast<void *>(ship));
  EXPECT_TRUE(contains(world().getAllObjects(true), explosion));
  EXPECT_TRUE(contains(world().getAllObjects(true), wreck));
  // After the pass the new object can be marked like any other.
  ASSERT_EQ(world().markForDelete(explosion), 0);
  world().update();
  EXPECT_FALSE(contains(world().getAllObjects(true), explosion));
}

// Shut-down deletes the objects marked but never deleted too, even those the
// world never held; none leaks (the sanitizer build checks for leaks).
TEST(WorldDeletion, ShutDownDeletesWhatWasMarkedBeforeIt) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  EventRecorder *marked = new EventRecorder(Vector(4, 4));
  new EventRecorder(Vector(8, 4));
  ASSERT_EQ(world().markForDelete(marked), 0);
  int before = g_destroyed;
  world().shutDown();
  EXPECT_EQ(g_destroyed - before, 2);

  EventRecorder *outsider = new EventRecorder(Vector(3, 3));  // made while the world is stopped
  ASSERT_EQ(world().markForDelete(outsider), 0);
  world().shutDown();
  EXPECT_EQ(g_destroyed - before, 3);
}

// Looks at the world from its destructor, as game code does when an object
// goes ("was I the last enemy?", "tell the others").
class Enemy : public EventRecorder {
 public:
  int *seen_out = nullptr;
  int *delivered_out = nullptr;
  explicit Enemy(Vector where) : EventRecorder(where, sb::SPECTRAL) {
    setType("Enemy");
    registerInterest("farewell");
  }
  ~Enemy() override {
    *seen_out = sb::WorldManager::getInstance().objectsOfType("Enemy").getCount();
    sb::Event farewell;
    farewell.setType("farewell");
    *delivered_out = sb::WorldManager::getInstance().onEvent(&farewell);
  }
};

TEST(WorldDeletion, DestructorsRunWhileTheRestOfTheBatchIsInTheWorld) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  int seen[2] = {-1, -1}, delivered[2] = {-1, -1};
  Enemy *first = new Enemy(Vector(5, 5));
  Enemy *second = new Enemy(Vector(9, 5));
  first->seen_out = &seen[0];
  first->delivered_out = &delivered[0];
  second->seen_out = &seen[1];
  second->delivered_out = &delivered[1];
  ASSERT_EQ(world().markForDelete(first), 0);
  ASSERT_EQ(world().markForDelete(second), 0);
  world().update();
  // The object being destroyed leaves the world only in its base destructor,
  // and the second is still whole while the first goes.
  EXPECT_EQ(seen[0], 2);
  EXPECT_EQ(delivered[0], 2);
  EXPECT_EQ(seen[1], 1);
  EXPECT_EQ(delivered[1], 1);
  EXPECT_EQ(world().getAllObjects(true).getCount(), 0);
}

TEST(WorldQueries, PositionsTypesAndShapes) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  EventRecorder *at = new EventRecorder(Vector(5, 5), sb::SPECTRAL);
  EventRecorder *near = new EventRecorder(Vector(5.49f, 5.49f));
  EventRecorder *off = new EventRecorder(Vector(6, 6));
  EventRecorder *asleep = new EventRecorder(Vector(5, 5));
  asleep->setActive(false);
  at->setType("Ball");
  off->setType("Ball");
  asleep->setType("Ball");

  sb::ObjectList found = world().objectsAtPosition(Vector(5, 5));
  EXPECT_EQ(found.getCount(), 2);
  EXPECT_TRUE(contains(found, at));
  EXPECT_TRUE(contains(found, near));

  sb::ObjectList balls = world().objectsOfType("Ball");
  ASSERT_EQ(balls.getCount(), 2);
  EXPECT_EQ(balls[0], at);
  EXPECT_EQ(balls[1], off);
  EXPECT_EQ(world().objectsOfType("ball").getCount(), 0);
  EXPECT_EQ(world().objectWithId(asleep->getId()), asleep);
  EXPECT_EQ(world().objectWithId(-7), nullptr);
  EXPECT_EQ(world().getAllObjects().getCount(), 3);
  EXPECT_EQ(world().getAllObjects(true).getCount(), 4);
  EXPECT_EQ(world().getAllObjects(true)[3], asleep);

  // Box edges included; lines and circles through the same tests.
  EXPECT_EQ(world().objectsInBox(Box(Vector(0, 0), 4.5f, 4.5f)).getCount(), 1);  // at, by a corner
  EXPECT_EQ(world().objectsInBox(Box(Vector(0, 0), 4.49f, 4.49f)).getCount(), 0);
  EXPECT_EQ(world().objectsOnLine(sb::Line(Vector(0, 5.2f), Vector(10, 5.2f))).getCount(), 2);
  EXPECT_EQ(world().objectsInCircle(sb::Circle(Vector(6, 6), 0.75f)).getCount(), 3);
  EXPECT_EQ(world().objectsInCircle(sb::Circle(Vector(30, 30), 2)).getCount(), 0);
}

TEST(WorldView, SlackPositionAndFollowing) {
  sb::LogManager::getInstance().setLogLevel(2);
  // Made before the world starts: it stays outside.
  sbtest::StderrCapture capture;
  sb::Object *outsider = new sb::Object;
  std::string early = capture.text();
  EXPECT_TRUE(sbtest::hasMessage(
      early, "WorldManager::insertObject(): Not adding Object " + std::to_string(outsider->getId())))
      << early;
  EXPECT_TRUE(sbtest::hasMessage(
      early, "                              because WorldManager not started."));

  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  EXPECT_EQ(world().getAllObjects(true).getCount(), 0);

  world().setViewSlack(Vector(1.5f, 0));
  EXPECT_EQ(world().getViewSlack(), Vector(1.5f, 0));
  world().setViewSlack(Vector(0.5f, -0.1f));
  EXPECT_EQ(world().getViewSlack(), Vector(0.5f, -0.1f));
  world().setViewSlack(Vector(1, 0));
  EXPECT_EQ(sbtest::countMessage(sbtest::readLog(),
                                 "WorldManager::setViewSlack(): view slack units out of range "
                                 "[0-1]"),
            2);

  world().setBoundary(Box(Vector(0, 0), 80, 24));
  world().setView(Box(Vector(0, 0), 40, 12));
  world().setViewPosition(Vector(10, 10));
  EXPECT_EQ(world().getView().getCorner(), Vector(0, 4));
  world().setViewPosition(Vector(79, 23));
  EXPECT_EQ(world().getView().getCorner(), Vector(40, 12));
  world().setViewPosition(Vector(40, 12));
  EXPECT_EQ(world().getView().getCorner(), Vector(20, 6));
  EXPECT_EQ(world().getView().getHorizontal(), 40);
  EXPECT_EQ(world().getView().getVertical(), 12);
  world().setView(Box(Vector(5, 5), 100, 30));  // larger than the boundary
  world().setViewPosition(Vector(40, 12));
  EXPECT_EQ(world().getView().getCorner(), Vector(0, 0));
  world().setView(Box(Vector(0, 0), 40, 12));

  EventRecorder *hero = new EventRecorder(Vector(40, 12), sb::SPECTRAL);
  EXPECT_EQ(world().setViewFollowing(hero), 0);
  EXPECT_EQ(world().getViewFollowing(), hero);
  EXPECT_EQ(world().getView().getCorner(), Vector(20, 6));
  EXPECT_EQ(world().setViewFollowing(outsider), -1);
  EXPECT_EQ(world().getViewFollowing(), hero);

  // Slack 0.5 of 40 wide: the hero may go 10 either way of the centre.
  world().setViewSlack(Vector(0.5f, 0.5f));
  EXPECT_EQ(world().moveObject(hero, Vector(45, 12)), 0);
  EXPECT_EQ(world().getView().getCorner(), Vector(20, 6));
  EXPECT_EQ(world().moveObject(hero, Vector(55, 12)), 0);
  EXPECT_EQ(world().getView().getCorner(), Vector(25, 6));
  EXPECT_EQ(world().moveObject(hero, Vector(55, 20)), 0);  // 5 past the lower slack edge
  EXPECT_EQ(world().getView().getCorner(), Vector(25, 11));

  // An inactive object of the world can be followed.
  hero->setActive(false);
  EXPECT_EQ(world().setViewFollowing(hero), 0);
  EXPECT_EQ(world().setViewFollowing(nullptr), 0);
  EXPECT_EQ(world().getViewFollowing(), nullptr);
  delete outsider;  // the world never owned it
}

TEST(WorldView, DeletedFollowedObjectIsNoLongerFollowed) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  world().setBoundary(Box(Vector(0, 0), 80, 24));
  world().setView(Box(Vector(0, 0), 40, 12));
  EventRecorder *hero = new EventRecorder(Vector(40, 12), sb::SPECTRAL);
  EventRecorder *other = new EventRecorder(Vector(10, 10), sb::SPECTRAL);
  ASSERT_EQ(world().setViewFollowing(hero), 0);
  ASSERT_EQ(world().markForDelete(hero), 0);
  world().update();
  // No pointer to the deleted object is kept.
  EXPECT_EQ(world().getViewFollowing(), nullptr);
  other->setVelocity(Vector(1, 0));
  world().update();
  EXPECT_EQ(world().getView().getCorner(), Vector(20, 6));
  EXPECT_EQ(world().setViewFollowing(other), 0);
  EXPECT_EQ(world().getViewFollowing(), other);
}

TEST(WorldMoves, AvoidingObstaclesSlides) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::LogManager::getInstance().setLogLevel(5);

  // Diagonally into the left side of a wall: slides straight down.
  EventRecorder *wall = new EventRecorder(Vector(10, 5));
  EventRecorder *mover = new EventRecorder(Vector(8.8f, 4.6f));
  mover->setAvoidCollisions(true);
  mover->setDirection(Vector(0.6f, 0.8f));
  mover->setSpeed(1);
  ASSERT_EQ(sb::getNormal(mover, wall), Vector(-1, 0));
  EXPECT_EQ(world().moveObject(mover, mover->predictPosition()), 0);
  EXPECT_NEAR(mover->getPosition().getX(), 8.8f, 1e-5);
  EXPECT_NEAR(mover->getPosition().getY(), 5.6f, 1e-5);
  EXPECT_EQ(mover->getDirection(), Vector(0.6f, 0.8f));
  EXPECT_EQ(mover->getSpeed(), 1.0f);
  EXPECT_EQ(mover->count(sb::COLLISION_EVENT), 0);
  EXPECT_EQ(wall->count(sb::COLLISION_EVENT), 0);

  // Straight into it: nothing along the side, so it stays, without events.
  EventRecorder *wall2 = new EventRecorder(Vector(30, 5));
  EventRecorder *pusher = new EventRecorder(Vector(28.6f, 5));
  pusher->setAvoidCollisions(true);
  pusher->setVelocity(Vector(1, 0));
  EXPECT_EQ(world().moveObject(pusher, pusher->predictPosition()), 0);
  EXPECT_EQ(pusher->getPosition(), Vector(28.6f, 5));
  EXPECT_EQ(pusher->count(sb::COLLISION_EVENT), 0);
  EXPECT_EQ(wall2->count(sb::COLLISION_EVENT), 0);

  // The slide is blocked too: double collision, no move, no events.
  EventRecorder *wall3 = new EventRecorder(Vector(50, 5));
  EventRecorder *blocker = new EventRecorder(Vector(48.8f, 6.5f));
  EventRecorder *stuck = new EventRecorder(Vector(48.8f, 4.6f));
  stuck->setAvoidCollisions(true);
  stuck->setDirection(Vector(0.6f, 0.8f));
  stuck->setSpeed(1);
  std::string before = sbtest::readLog();
  EXPECT_EQ(world().moveObject(stuck, stuck->predictPosition()), -1);
  EXPECT_EQ(stuck->getPosition(), Vector(48.8f, 4.6f));
  for (EventRecorder *r : {wall3, blocker, stuck}) EXPECT_EQ(r->events.size(), 0u);
  EXPECT_EQ(sbtest::countMessage(sbtest::readLog().substr(before.size()),
                                 "WorldManager::moveObject(): Double collision. Object (avoid "
                                 "obstacles) cannot move."),
            1);

  // Without avoidance the same move is an ordinary refused collision.
  stuck->setAvoidCollisions(false);
  EXPECT_EQ(world().moveObject(stuck, stuck->predictPosition()), -1);
  EXPECT_EQ(wall3->count(sb::COLLISION_EVENT), 1);
}

TEST(WorldInput, BadObjectsAndRepeatedStart) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  new EventRecorder(Vector(3, 3));
  EXPECT_EQ(world().insertObject(nullptr), -1);
  EXPECT_EQ(world().getAllObjects(true).getCount(), 1);
  EXPECT_EQ(world().setViewFollowing(nullptr), 0);

  EXPECT_EQ(world().startUp(), 0);
  EXPECT_TRUE(sbtest::hasMessage(sbtest::readLog(), "WorldManager::startup(): already started."));
  EXPECT_EQ(world().getAllObjects(true).getCount(), 1);

  EXPECT_FALSE(world().isValid(sb::STEP_EVENT));
  EXPECT_FALSE(world().isValid(sb::MSE_EVENT));
  EXPECT_FALSE(world().isValid(sb::OUT_EVENT));
  EXPECT_TRUE(world().isValid(sb::VIEW_EVENT));
  EXPECT_TRUE(world().isValid("anything"));
}

TEST(WorldInput, NullObjectsAreRefusedWithALogLine) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::SceneGraph &graph = world().getSceneGraph();
  EXPECT_EQ(world().moveObject(nullptr, Vector(1, 1)), -1);
  EXPECT_EQ(world().removeObject(nullptr), -1);
  EXPECT_EQ(graph.updateAltitude(nullptr, 1), -1);
  EXPECT_EQ(graph.updateSolidness(nullptr, sb::SOFT), -1);
  EXPECT_EQ(graph.updateVisible(nullptr, false), -1);
  EXPECT_EQ(graph.updateActive(nullptr, false), -1);
  EXPECT_EQ(graph.updatePosition(nullptr, Vector(2, 2)), -1);
  EXPECT_EQ(graph.getCollisions(nullptr, Vector(2, 2)).getCount(), 0);
  EXPECT_EQ(sb::GameManager::getInstance().onEvent(nullptr), 0);
  std::string log = sbtest::readLog();
  EXPECT_TRUE(sbtest::hasMessage(log, "WorldManager::moveObject(): Error! Object is NULL"));
  EXPECT_TRUE(sbtest::hasMessage(log, "SceneGraph::updateActive(): Error! Object is NULL"));
}

}  // namespace
