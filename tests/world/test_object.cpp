// Game objects: defaults and identifiers, setters and their checks,
// kinematics, and interest registration through the object.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <type_traits>

#include "Event.h"
#include "EventStep.h"
#include "GameManager.h"
#include "InputManager.h"
#include "LogManager.h"
#include "Object.h"
#include "WorldManager.h"
#include "support/CoreChecks.h"
#include "support/TestEngine.h"

namespace {

using sb::Box;
using sb::Vector;

// A copy would share the original's places in the world's indexes: deleting
// it would unfile the original. Objects are made with new, never copied.
static_assert(!std::is_copy_constructible<sb::Object>::value, "objects must not be copied");
static_assert(!std::is_copy_assignable<sb::Object>::value, "objects must not be assigned");

class Counting : public sb::Object {
 public:
  int received = 0;
  int eventHandler(const sb::Event *) override {
    received++;
    return 1;
  }
};

using sbtest::contains;

TEST(Object, DefaultsAndIdentifiers) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::Object *a = new sb::Object;
  sb::Object *b = new sb::Object;
  EXPECT_EQ(b->getId(), a->getId() + 1);

  EXPECT_TRUE(a->isActive());
  EXPECT_TRUE(a->isVisible());
  EXPECT_EQ(a->getSolidness(), sb::HARD);
  EXPECT_TRUE(a->isSolid());
  EXPECT_EQ(a->getAltitude(), 2);
  EXPECT_EQ(a->getPosition(), Vector(1, 1));
  EXPECT_EQ(a->getType(), "(Undefined)");
  EXPECT_EQ(a->getBox(), Box(Vector(-0.5f, -0.5f), 0.99f, 0.99f));
  EXPECT_EQ(a->getDirection(), Vector(0, 0));
  EXPECT_EQ(a->getSpeed(), 0.0f);
  EXPECT_EQ(a->getAcceleration(), Vector(0, 0));
  EXPECT_FALSE(a->getNoSoft());
  EXPECT_FALSE(a->getAvoidCollisions());
  EXPECT_EQ(a->getEventCount(), 0);
  EXPECT_EQ(sb::WorldManager::getInstance().getAllObjects().getCount(), 2);
  EXPECT_EQ(sb::WorldManager::getInstance().objectWithId(b->getId()), b);

  a->setType("Ball");
  a->setPosition(Vector(10, 5));
  EXPECT_EQ(a->toString(), std::to_string(a->getId()) + ", Ball, (10,5)");

  // A larger id moves the counter on; a smaller one leaves it.
  a->setId(50);
  sb::Object *c = new sb::Object;
  EXPECT_EQ(c->getId(), 51);
  b->setId(10);
  sb::Object *d = new sb::Object;
  EXPECT_EQ(d->getId(), 52);
  EXPECT_EQ(b->getId(), 10);
  d->setId(d->getId());
  EXPECT_EQ((new sb::Object)->getId(), 53);
  EXPECT_EQ(sb::WorldManager::getInstance().objectWithId(50), a);
}

TEST(Object, AltitudeAndSolidnessChecks) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::WorldManager &wm = sb::WorldManager::getInstance();
  sb::Object *o = new sb::Object;

  EXPECT_EQ(o->setAltitude(5), -1);
  EXPECT_EQ(o->setAltitude(-1), -1);
  EXPECT_EQ(o->getAltitude(), 2);
  std::string log = sbtest::readLog();
  EXPECT_TRUE(sbtest::hasMessage(log, "Object::setAltitude(): Altitude 5 not in range [0,4].  "
                                      "Ignored."));
  EXPECT_TRUE(sbtest::hasMessage(log, "Object::setAltitude(): Altitude -1 not in range [0,4].  "
                                      "Ignored."));
  EXPECT_TRUE(contains(wm.getSceneGraph().visibleObjects(2), o));

  EXPECT_EQ(o->setAltitude(4), 0);
  EXPECT_EQ(o->getAltitude(), 4);
  EXPECT_TRUE(contains(wm.getSceneGraph().visibleObjects(4), o));
  EXPECT_FALSE(contains(wm.getSceneGraph().visibleObjects(2), o));
  EXPECT_EQ(o->setAltitude(0), 0);
  EXPECT_TRUE(contains(wm.getSceneGraph().visibleObjects(0), o));
  EXPECT_EQ(o->setAltitude(0), 0);
  EXPECT_EQ(wm.getSceneGraph().visibleObjects(0).getCount(), 1);

  EXPECT_EQ(o->setSolidness(static_cast<sb::Solidness>(3)), -1);
  EXPECT_EQ(o->setSolidness(static_cast<sb::Solidness>(-1)), -1);
  EXPECT_EQ(o->getSolidness(), sb::HARD);
  log = sbtest::readLog();
  EXPECT_TRUE(sbtest::hasMessage(
      log, "Object::setSolidness(): Solidness 3 not one of HARD, SOFT or SPECTRAL."));
  EXPECT_TRUE(sbtest::hasMessage(
      log, "Object::setSolidness(): Solidness -1 not one of HARD, SOFT or SPECTRAL."));
  EXPECT_TRUE(contains(wm.getSceneGraph().solidObjects(), o));
  EXPECT_EQ(o->setSolidness(sb::SOFT), 0);
  EXPECT_TRUE(o->isSolid());
  EXPECT_EQ(o->setSolidness(sb::SPECTRAL), 0);
  EXPECT_FALSE(o->isSolid());
  EXPECT_FALSE(contains(wm.getSceneGraph().solidObjects(), o));
}

TEST(Object, VelocityAndAcceleration) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::Object *o = new sb::Object;
  o->setVelocity(Vector(3, 4));
  EXPECT_FLOAT_EQ(o->getSpeed(), 5.0f);
  EXPECT_FLOAT_EQ(o->getDirection().getX(), 0.6f);
  EXPECT_FLOAT_EQ(o->getDirection().getY(), 0.8f);
  EXPECT_NEAR(o->getVelocity().getX(), 3.0f, 1e-5);
  EXPECT_NEAR(o->getVelocity().getY(), 4.0f, 1e-5);
  EXPECT_NEAR(o->predictPosition().getX(), 4.0f, 1e-5);
  EXPECT_NEAR(o->predictPosition().getY(), 5.0f, 1e-5);
  EXPECT_EQ(o->getPosition(), Vector(1, 1));

  o->setVelocity(Vector(0, 0));
  EXPECT_EQ(o->getSpeed(), 0.0f);
  EXPECT_EQ(o->getDirection(), Vector(0, 0));
  EXPECT_EQ(o->predictPosition(), o->getPosition());

  // The setters store what they are given.
  o->setDirection(Vector(2, 0));
  o->setSpeed(-1.5f);
  EXPECT_EQ(o->getDirection(), Vector(2, 0));
  EXPECT_EQ(o->getVelocity(), Vector(-3, 0));

  o->setVelocity(Vector(1, 0));
  o->accelerate();  // no acceleration: nothing changes
  EXPECT_EQ(o->getDirection(), Vector(1, 0));
  EXPECT_EQ(o->getSpeed(), 1.0f);
  o->setAcceleration(Vector(0, 1));
  o->accelerate();
  EXPECT_NEAR(o->getVelocity().getX(), 1.0f, 1e-5);
  EXPECT_NEAR(o->getVelocity().getY(), 1.0f, 1e-5);
  EXPECT_NEAR(o->getSpeed(), std::sqrt(2.0f), 1e-5);

  o->setSpeed(2);
  o->setPosition(Vector(1, 1));
  o->moveTo(Vector(4, 5));
  EXPECT_FLOAT_EQ(o->getDirection().getX(), 0.6f);
  EXPECT_FLOAT_EQ(o->getDirection().getY(), 0.8f);
  EXPECT_EQ(o->getSpeed(), 2.0f);
  o->moveTo(Vector(1, 1));
  EXPECT_EQ(o->getDirection(), Vector(0, 0));
}

TEST(Object, InterestsGoToTheRightManager) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  Counting *o = new Counting;

  EXPECT_EQ(o->registerInterest(sb::STEP_EVENT), 0);
  sb::EventStep step(1);
  EXPECT_EQ(sb::GameManager::getInstance().onEvent(&step), 1);
  EXPECT_EQ(sb::WorldManager::getInstance().getEventListCount(), 0);

  EXPECT_EQ(o->registerInterest(sb::KEYBOARD_EVENT), 0);
  EXPECT_EQ(sb::InputManager::getInstance().getEventListCount(), 1);
  EXPECT_EQ(sb::WorldManager::getInstance().getEventListCount(), 0);

  EXPECT_EQ(o->registerInterest(sb::COLLISION_EVENT), -1);
  EXPECT_EQ(o->registerInterest(sb::OUT_EVENT), -1);
  EXPECT_EQ(o->getEventCount(), 2);

  EXPECT_EQ(o->registerInterest(sb::VIEW_EVENT), 0);
  EXPECT_EQ(sb::WorldManager::getInstance().getEventListCount(), 1);
  EXPECT_EQ(o->getEventCount(), 3);
  EXPECT_EQ(o->getEventName(0), sb::STEP_EVENT);
  EXPECT_EQ(o->getEventName(2), sb::VIEW_EVENT);
}

TEST(Object, HundredInterestsAtMostAndOrderKept) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::Object *o = new sb::Object;
  EXPECT_EQ(o->registerInterest("A"), 0);
  EXPECT_EQ(o->registerInterest("B"), 0);
  EXPECT_EQ(o->registerInterest("C"), 0);
  EXPECT_EQ(o->unregisterInterest("B"), 0);
  ASSERT_EQ(o->getEventCount(), 2);
  EXPECT_EQ(o->getEventName(0), "A");
  EXPECT_EQ(o->getEventName(1), "C");
  EXPECT_EQ(o->unregisterInterest("B"), -1);
  EXPECT_TRUE(sbtest::hasMessage(sbtest::readLog(),
                                 "Object::unregisterInterest(): event 'B' not previously "
                                 "registered"));
  EXPECT_EQ(o->getEventCount(), 2);

  for (int i = 2; i < 100; i++) ASSERT_EQ(o->registerInterest("e" + std::to_string(i)), 0) << i;
  EXPECT_EQ(o->getEventCount(), 100);
  EXPECT_EQ(o->registerInterest("e100"), -1);
  EXPECT_EQ(o->getEventCount(), 100);
  EXPECT_TRUE(sbtest::hasMessage(
      sbtest::readLog(),
      "Object::registerInterest(): maximum (100) reached, cannot register for event 'e100'"));
  // After one goes, one more fits.
  EXPECT_EQ(o->unregisterInterest("A"), 0);
  EXPECT_EQ(o->registerInterest("e100"), 0);
  EXPECT_EQ(o->getEventName(0), "C");
  EXPECT_EQ(o->getEventName(99), "e100");
}

TEST(Object, DeletionDropsEveryInterest) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::WorldManager &wm = sb::WorldManager::getInstance();
  Counting *gone = new Counting;
  Counting *stays = new Counting;
  ASSERT_EQ(gone->registerInterest("ping"), 0);
  ASSERT_EQ(gone->registerInterest("only-gone"), 0);
  ASSERT_EQ(gone->registerInterest(sb::STEP_EVENT), 0);
  ASSERT_EQ(stays->registerInterest("ping"), 0);
  ASSERT_EQ(wm.markForDelete(gone), 0);
  wm.update();

  sb::Event ping;
  ping.setType("ping");
  EXPECT_EQ(wm.onEvent(&ping), 1);
  EXPECT_EQ(stays->received, 1);
  EXPECT_EQ(wm.getEventListCount(), 1);
  sb::EventStep step;
  EXPECT_EQ(sb::GameManager::getInstance().onEvent(&step), 0);
  EXPECT_EQ(sb::GameManager::getInstance().getEventListCount(), 0);
  EXPECT_EQ(wm.getAllObjects(true).getCount(), 1);
}

TEST(Object, SetBoxRefilesOnlyWhenChanged) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::WorldManager &wm = sb::WorldManager::getInstance();
  sb::Object *a = new sb::Object;
  sb::Object *b = new sb::Object;
  ASSERT_EQ(wm.getSceneGraph().activeObjects(), wm.getAllObjects());
  ASSERT_EQ(wm.getAllObjects()[0], a);

  a->setBox(a->getBox());  // the same box: no re-filing, order kept
  EXPECT_EQ(wm.getAllObjects()[0], a);
  EXPECT_EQ(wm.getSceneGraph().solidObjects()[0], a);

  a->setBox(Box(Vector(-1, -1), 2, 2));  // a new box: a moves to the end
  EXPECT_EQ(a->getBox(), Box(Vector(-1, -1), 2, 2));
  EXPECT_EQ(wm.getAllObjects()[0], b);
  EXPECT_EQ(wm.getAllObjects()[1], a);
  EXPECT_EQ(wm.getSceneGraph().solidObjects()[1], a);
  EXPECT_EQ(wm.getSceneGraph().visibleObjects(2)[1], a);
  EXPECT_EQ(wm.getAllObjects().getCount(), 2);

  // The new extent is what collisions see.
  b->setPosition(Vector(2.4f, 1));
  EXPECT_EQ(wm.getCollisions(b, b->getPosition()).getCount(), 1);
}

// Objects keep their box, acceleration and shape compactly, with the default
// box and a zero acceleration known without reading them. A seeded mix of
// boxes (the default one among them), accelerations (zeros of both signs
// among them) and positions gives what the plain rules give, bit for bit.
TEST(Object, CompactStateGivesThePlainAnswers) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  srand(11);
  auto pick = [](std::initializer_list<float> values) {
    return *(values.begin() + rand() % static_cast<int>(values.size()));
  };
  auto same = [](Vector a, Vector b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
  };
  sb::Object *o = new sb::Object;
  for (int round = 0; round < 500; round++) {
    if (rand() % 3 == 0)
      o->setBox(rand() % 2 ? sb::Object::defaultBox()
                           : Box(Vector(pick({-0.5f, -1, 0, -0.0f}), pick({-0.5f, 2})),
                                 pick({0.99f, 1, 3}), pick({0.99f, 0.5f})));
    o->setPosition(Vector(pick({0, 1.25f, -3, 7.5f}), pick({2, -0.75f})));
    Box box = o->getBox(), world = o->worldBox();
    ASSERT_TRUE(same(world.getCorner(), box.getCorner() + o->getPosition()));
    ASSERT_EQ(world.getHorizontal(), box.getHorizontal());
    ASSERT_EQ(world.getVertical(), box.getVertical());

    Vector acceleration(pick({0, -0.0f, 0.25f}), pick({0, -0.0f, -1}));
    o->setAcceleration(acceleration);
    ASSERT_TRUE(same(o->getAcceleration(), acceleration));
    o->setVelocity(Vector(pick({1, 0}), pick({0.5f, 0})));
    Vector expected = o->getVelocity();
    if (!!acceleration) expected = expected + acceleration;
    o->accelerate();
    ASSERT_NEAR(o->getVelocity().getX(), expected.getX(), 1e-6);
    ASSERT_NEAR(o->getVelocity().getY(), expected.getY(), 1e-6);
  }
  // Colours are kept as given; one no colour could be becomes one that draws as unsupported.
  sb::Shape shape;
  for (int value : {0, 7, 8, 9, -1, 127, -128}) {
    shape.setColor(static_cast<sb::Color>(value));
    EXPECT_EQ(shape.getColor(), value);
  }
  shape.setColor(static_cast<sb::Color>(300));
  EXPECT_LT(shape.getColor(), sb::BLACK);
}

}  // namespace
