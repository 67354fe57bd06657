// Interest tables of the managers: which managers accept interest, the
// 100-type limit, row compaction and delivery through onEvent.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "DisplayManager.h"
#include "Event.h"
#include "EventStep.h"
#include "GameManager.h"
#include "LogManager.h"
#include "Manager.h"
#include "Object.h"
#include "PathManager.h"
#include "ResourceManager.h"
#include "WorldManager.h"
#include "support/CoreChecks.h"
#include "support/TestEngine.h"

namespace {

// Counts the events it receives; an optional action runs inside the handler.
class Listener : public sb::Object {
 public:
  int received = 0;
  std::function<void(Listener *)> action;

  int eventHandler(const sb::Event *) override {
    received++;
    if (action) action(this);
    return 1;
  }
};

sb::Event namedEvent(const std::string &name) {
  sb::Event e;
  e.setType(name);
  return e;
}

int deliver(const std::string &name) {
  sb::Event e = namedEvent(name);
  return sb::WorldManager::getInstance().onEvent(&e);
}

TEST(ManagerInterest, ManagersThatAcceptNothingRefuseWithMessage) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  Listener *o = new Listener;

  sb::Manager base;
  EXPECT_EQ(base.registerInterest(o, "game-thing"), -1);
  EXPECT_EQ(sb::LogManager::getInstance().registerInterest(o, "game-thing"), -1);
  EXPECT_EQ(sb::DisplayManager::getInstance().registerInterest(o, "game-thing"), -1);
  EXPECT_EQ(sb::ResourceManager::getInstance().registerInterest(o, "game-thing"), -1);
  EXPECT_EQ(sb::PathManager::getInstance().registerInterest(o, sb::STEP_EVENT), -1);
  // The game manager takes steps only.
  EXPECT_EQ(sb::GameManager::getInstance().registerInterest(o, "game-thing"), -1);

  std::string log = sbtest::readLog();
  for (const char *type : {"Manager", "LogManager", "DisplayManager", "ResourceManager",
                           "GameManager"}) {
    EXPECT_TRUE(sbtest::hasMessage(log, std::string("Manager(") + type +
                                            ")::registerInterest(): Event 'game-thing' not "
                                            "valid for this Manager"))
        << type;
  }
  EXPECT_TRUE(sbtest::hasMessage(
      log, "Manager(PathManager)::registerInterest(): Event 'sb-step' not valid for this Manager"));

  // The world manager refuses the events it hands out itself, and input and steps.
  sb::WorldManager &wm = sb::WorldManager::getInstance();
  EXPECT_EQ(wm.registerInterest(o, sb::COLLISION_EVENT), -1);
  EXPECT_EQ(wm.registerInterest(o, sb::KEYBOARD_EVENT), -1);
  log = sbtest::readLog();
  EXPECT_TRUE(sbtest::hasMessage(log, "WorldManager::isValid(): Event sb-collision handled "
                                      "automatically."));
  EXPECT_TRUE(sbtest::hasMessage(log, "WorldManager::isValid(): WorldManager does not handle "
                                      "sb-keyboard"));
  EXPECT_TRUE(sbtest::hasMessage(log, "Manager(WorldManager)::registerInterest(): Event "
                                      "'sb-collision' not valid for this Manager"));
  EXPECT_EQ(wm.getEventListCount(), 0);
}

TEST(ManagerInterest, HundredTypesAtMostButMoreObjectsPerType) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::WorldManager &wm = sb::WorldManager::getInstance();
  Listener *a = new Listener;
  Listener *b = new Listener;
  for (int i = 0; i < 100; i++) ASSERT_EQ(a->registerInterest("t" + std::to_string(i)), 0) << i;
  EXPECT_EQ(wm.getEventListCount(), 100);

  // b holds no interest itself, so the refusal comes from the manager's table.
  EXPECT_EQ(b->registerInterest("t100"), -1);
  EXPECT_EQ(b->getEventCount(), 0);
  EXPECT_EQ(wm.getEventListCount(), 100);
  EXPECT_EQ(deliver("t100"), 0);

  EXPECT_EQ(b->registerInterest("t50"), 0);
  EXPECT_EQ(wm.getEventListCount(), 100);
  EXPECT_EQ(deliver("t50"), 2);
  EXPECT_EQ(deliver("t99"), 1);
  EXPECT_EQ(a->received, 2);
  EXPECT_EQ(b->received, 1);
}

TEST(ManagerInterest, UnregisteringLastObjectCompactsRowsAndFreesOne) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::WorldManager &wm = sb::WorldManager::getInstance();
  Listener *a = new Listener;
  Listener *c = new Listener;
  Listener *d = new Listener;
  for (int i = 0; i < 100; i++) ASSERT_EQ(a->registerInterest("t" + std::to_string(i)), 0);
  ASSERT_EQ(c->registerInterest("t30"), 0);

  // t20 loses its only object: the row goes and the later rows move up.
  EXPECT_EQ(a->unregisterInterest("t20"), 0);
  EXPECT_EQ(wm.getEventListCount(), 99);
  // t30 keeps c, so its row stays.
  EXPECT_EQ(a->unregisterInterest("t30"), 0);
  EXPECT_EQ(wm.getEventListCount(), 99);
  // Unknown object or type.
  EXPECT_EQ(wm.unregisterInterest(d, "t31"), -1);
  EXPECT_EQ(wm.unregisterInterest(a, "never"), -1);

  // The freed row takes a new type; then the table is full again.
  EXPECT_EQ(d->registerInterest("fresh"), 0);
  EXPECT_EQ(wm.getEventListCount(), 100);
  EXPECT_EQ(d->registerInterest("fresh2"), -1);

  // Every row still delivers to its own objects after the move.
  for (int i = 0; i < 100; i++) {
    std::string name = "t" + std::to_string(i);
    int expected = (i == 20) ? 0 : 1;
    EXPECT_EQ(deliver(name), expected) << name;
  }
  EXPECT_EQ(deliver("fresh"), 1);
  EXPECT_EQ(a->received, 98);
  EXPECT_EQ(c->received, 1);
  EXPECT_EQ(d->received, 1);
}

TEST(ManagerInterest, UndefinedAndInvalidEventsDeliverNothing) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::LogManager::getInstance().setLogLevel(1);
  Listener *a = new Listener;
  ASSERT_EQ(a->registerInterest("ping"), 0);
  ASSERT_EQ(a->registerInterest(sb::STEP_EVENT), 0);

  sb::Event undefined;
  EXPECT_EQ(undefined.getType(), sb::UNDEFINED_EVENT);
  EXPECT_EQ(sb::WorldManager::getInstance().onEvent(&undefined), 0);
  sb::Event ping = namedEvent("ping");
  EXPECT_EQ(sb::GameManager::getInstance().onEvent(&ping), 0);
  EXPECT_EQ(a->received, 0);

  std::string log = sbtest::readLog();
  EXPECT_TRUE(sbtest::hasMessage(
      log, "Manager(WorldManager)::onEvent(): Warning! Event type sb-undefined is undefined."));
  EXPECT_TRUE(sbtest::hasMessage(
      log, "Manager(GameManager)::onEvent(): Error! Event type ping not valid."));

  sb::EventStep step(4);
  EXPECT_EQ(sb::GameManager::getInstance().onEvent(&step), 1);
  EXPECT_EQ(a->received, 1);
}

TEST(ManagerInterest, InactiveObjectsAreSkippedAndNotCounted) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  Listener *a = new Listener;
  Listener *b = new Listener;
  Listener *c = new Listener;
  for (Listener *o : {a, b, c}) ASSERT_EQ(o->registerInterest("ping"), 0);
  ASSERT_EQ(b->setActive(false), 0);

  EXPECT_EQ(deliver("ping"), 2);
  EXPECT_EQ(a->received, 1);
  EXPECT_EQ(b->received, 0);
  EXPECT_EQ(c->received, 1);

  ASSERT_EQ(b->setActive(true), 0);
  EXPECT_EQ(deliver("ping"), 3);
  EXPECT_EQ(b->received, 1);
  EXPECT_EQ(deliver("pong"), 0);
}

TEST(ManagerInterest, DeliveryWalksACopyOfTheList) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  Listener *a = new Listener;
  Listener *b = new Listener;
  Listener *c = new Listener;
  Listener *d = new Listener;
  for (Listener *o : {a, b, c, d}) ASSERT_EQ(o->registerInterest("ping"), 0);

  Listener *late = nullptr;
  // a drops itself and c; b adds a newcomer; d marks itself for deletion.
  a->action = [c](Listener *self) {
    EXPECT_EQ(self->unregisterInterest("ping"), 0);
    EXPECT_EQ(c->unregisterInterest("ping"), 0);
  };
  b->action = [&late](Listener *) {
    late = new Listener;
    EXPECT_EQ(late->registerInterest("ping"), 0);
  };
  d->action = [](Listener *self) { sb::WorldManager::getInstance().markForDelete(self); };

  EXPECT_EQ(deliver("ping"), 4);
  EXPECT_EQ(a->received, 1);
  EXPECT_EQ(b->received, 1);
  EXPECT_EQ(c->received, 1);
  EXPECT_EQ(d->received, 1);
  ASSERT_NE(late, nullptr);
  EXPECT_EQ(late->received, 0);

  // Next time: b, d (not yet deleted) and the newcomer.
  b->action = nullptr;
  d->action = nullptr;
  EXPECT_EQ(deliver("ping"), 3);
  EXPECT_EQ(late->received, 1);
  EXPECT_EQ(a->received, 1);
  EXPECT_EQ(c->received, 1);

  // Once the world deletes d its interest is gone too.
  sb::WorldManager::getInstance().update();
  EXPECT_EQ(deliver("ping"), 2);
}

TEST(ManagerInterest, ReRegisteringDuringDeliveryIsNotDeliveredAgain) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::WorldManager &wm = sb::WorldManager::getInstance();
  Listener *first = new Listener;
  Listener *a = new Listener;
  Listener *last = new Listener;
  ASSERT_EQ(first->registerInterest("zzz"), 0);
  ASSERT_EQ(a->registerInterest("ping"), 0);
  ASSERT_EQ(last->registerInterest("after"), 0);
  // a's row goes away and comes back as the last row while "ping" is delivered.
  a->action = [](Listener *self) {
    if (self->received > 5) return;  // keeps a faulty engine from looping forever
    EXPECT_EQ(self->unregisterInterest("ping"), 0);
    EXPECT_EQ(self->registerInterest("ping"), 0);
  };
  EXPECT_EQ(deliver("ping"), 1);
  EXPECT_EQ(a->received, 1);
  EXPECT_EQ(wm.getEventListCount(), 3);
  EXPECT_EQ(deliver("after"), 1);
  EXPECT_EQ(deliver("zzz"), 1);
  EXPECT_EQ(a->received, 1);
  a->action = nullptr;
  EXPECT_EQ(deliver("ping"), 1);
  EXPECT_EQ(a->received, 2);
}

// Deliveries walk the row in place: a delivery started inside a handler
// (nested) honours the removals made before it, the outer one still sends
// the event to what it would have found at its start, and an object
// destroyed meanwhile (say by a shut-down from a handler) is skipped.
TEST(ManagerInterest, NestedDeliveryAndDestructionDuringDelivery) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  Listener *a = new Listener;
  Listener *b = new Listener;
  Listener *c = new Listener;
  Listener *d = new Listener;
  Listener *e = new Listener;
  for (Listener *o : {a, b, c, d, e}) ASSERT_EQ(o->registerInterest("ping"), 0);
  int nested_count = -1;
  a->action = [&nested_count, c](Listener *self) {
    if (self->received > 1) return;
    EXPECT_EQ(c->unregisterInterest("ping"), 0);
    nested_count = deliver("ping");  // a, b, d, e
  };
  b->action = [d](Listener *self) {
    if (self->received == 2) delete d;  // during the outer delivery, after the nested one
  };
  EXPECT_EQ(deliver("ping"), 4);  // a, b, c (still in the outer walk) and e
  EXPECT_EQ(nested_count, 4);
  EXPECT_EQ(a->received, 2);
  EXPECT_EQ(b->received, 2);
  EXPECT_EQ(c->received, 1);
  EXPECT_EQ(e->received, 2);
  a->action = nullptr;
  b->action = nullptr;
  EXPECT_EQ(deliver("ping"), 3);  // a, b, e
  EXPECT_EQ(c->received, 1);
  EXPECT_EQ(sb::WorldManager::getInstance().getEventListCount(), 1);
}

// An object whose interest another handler takes away still gets the event
// in progress; destroyed before its turn, it must get nothing at all. The
// table: the destruction in the same delivery, and in a delivery of another
// manager nested in it.
TEST(ManagerInterest, UnregisteredThenDestroyedDuringDeliveryGetsNothing) {
  for (bool through_game_manager : {false, true}) {
    SCOPED_TRACE(through_game_manager ? "nested step delivery" : "same delivery");
    ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
    Listener *a = new Listener;
    Listener *b = new Listener;
    Listener *c = new Listener;
    for (Listener *o : {a, b, c}) ASSERT_EQ(o->registerInterest("ping"), 0);
    int c_received_before = -1;
    a->action = [&](Listener *) {
      EXPECT_EQ(b->unregisterInterest("ping"), 0);
      if (!through_game_manager) {
        delete b;
        return;
      }
      c_received_before = c->received;
      ASSERT_EQ(c->registerInterest(sb::STEP_EVENT), 0);
      c->action = [b](Listener *self) {
        if (self->received == 1) delete b;  // inside the step delivery
      };
      sb::EventStep step(1);
      EXPECT_EQ(sb::GameManager::getInstance().onEvent(&step), 1);
      c->action = nullptr;
    };
    EXPECT_EQ(deliver("ping"), 2);  // a and c, not the destroyed b
    a->action = nullptr;
    EXPECT_EQ(deliver("ping"), 2);
    if (through_game_manager) {
      EXPECT_EQ(c_received_before, 0);
    }
    EXPECT_EQ(c->received, through_game_manager ? 3 : 2);
    sb::WorldManager::getInstance().markForDelete(a);
    sb::WorldManager::getInstance().markForDelete(c);
    sb::WorldManager::getInstance().update();
  }
}

}  // namespace
