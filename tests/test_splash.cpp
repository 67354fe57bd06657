// The splash screen: its title's speed for any frame time, its timeline and
// the emblem's path watched step by step, the world left empty, a game's own
// loop afterwards, and a real key ending it early in a window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Animation.h"
#include "Event.h"
#include "EventKeyboard.h"
#include "GameManager.h"
#include "LogManager.h"
#include "Object.h"
#include "ObjectList.h"
#include "ObjectListIterator.h"
#include "Splash.h"
#include "SplashSorbelane.h"
#include "Sprite.h"
#include "WorldManager.h"
#include "support/TestDisplay.h"
#include "support/TestEngine.h"
#include "utility.h"

namespace {

using sbtest::world;
sb::GameManager &game() { return sb::GameManager::getInstance(); }

// The first object of a type, or null.
sb::Object *firstOfType(const std::string &type) {
  sb::ObjectList list = world().objectsOfType(type);
  sb::ObjectListIterator it(&list);
  return it.isDone() ? nullptr : it.currentObject();
}

// What one step showed, seen at the start of the next.
struct SplashSeen {
  int splash_index = -1;  // -1: no title
  sb::Vector splash_position;
  int emblem_width = 0;  // 0: no emblem
  sb::Vector emblem_position;
};

// Records the splash objects every step; optionally presses a real key.
class SplashWatcher : public sb::Object {
 public:
  std::vector<SplashSeen> seen;
  int key_step = -1;
  bool key_sent = false;

  SplashWatcher() {
    setType("Watcher");
    setSolidness(sb::SPECTRAL);
    registerInterest(sb::STEP_EVENT);
  }
  int eventHandler(const sb::Event *p_e) override {
    if (p_e->getType() != sb::STEP_EVENT) return 0;
    SplashSeen now;
    if (sb::Object *p_title = firstOfType("Splash")) {
      now.splash_index = p_title->getAnimation().getIndex();
      now.splash_position = p_title->getPosition();
    }
    if (sb::Object *p_emblem = firstOfType("SplashSorbelane")) {
      now.emblem_width = p_emblem->getAnimation().getSprite()->getWidth();
      now.emblem_position = p_emblem->getPosition();
    }
    seen.push_back(now);
    if (static_cast<int>(seen.size()) == key_step)
      key_sent = sbtest::focusWindow() && sbtest::keyDown("space") && sbtest::keyUp("space");
    return 1;
  }
};

// Ends its own game loop after a number of steps.
class ShortGame : public sb::Object {
  int steps;

 public:
  explicit ShortGame(int new_steps) : steps(new_steps) {
    setSolidness(sb::SPECTRAL);
    registerInterest(sb::STEP_EVENT);
  }
  int eventHandler(const sb::Event *p_e) override {
    if (p_e->getType() == sb::STEP_EVENT && --steps == 0) {
      game().setGameOver();
      world().markForDelete(this);
    }
    return 0;
  }
};

int countIf(const std::vector<SplashSeen> &seen, bool (*pred)(const SplashSeen &)) {
  int n = 0;
  for (const SplashSeen &s : seen) n += pred(s) ? 1 : 0;
  return n;
}

TEST(Splash, RefusedBeforeStartAndTitleSpeedForEveryFrameTime) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  sb::LogManager::getInstance().setLogLevel(10);
  game().shutDown();
  ASSERT_EQ(sb::LogManager::getInstance().startUp(), 0);  // the log alone
  EXPECT_EQ(sb::splash(), -1);
  EXPECT_EQ(sbtest::countOf(sbtest::readLog(),
                            "splash(): Error! Cannot run splash screen until game manger is started."),
            1);
  sb::LogManager::getInstance().shutDown();

  // Frame times below 2 ms once divided the distance by zero.
  struct Case {
    int frame_time, steps;
  };
  const Case cases[] = {{0, 1}, {1, 1}, {2, 1}, {3, 1}, {33, 16}, {100, 50}};
  for (const Case &c : cases) {
    ASSERT_EQ(sbtest::startEngine("headless:true,\nframe_time:" + std::to_string(c.frame_time) +
                                  ",\n"),
              0);
    sb::Box view = world().getView();
    sb::Splash *p_splash = new sb::Splash;
    sb::Box box = p_splash->getBox();
    EXPECT_EQ(box.getHorizontal(), 47);
    EXPECT_EQ(box.getVertical(), 8);
    float distance = box.getHorizontal() / 2 + view.getHorizontal() / 2 + 11;
    EXPECT_FLOAT_EQ(p_splash->getVelocity().getX(), -distance / c.steps) << c.frame_time;
    EXPECT_EQ(p_splash->getVelocity().getY(), 0);
    EXPECT_FLOAT_EQ(p_splash->getPosition().getX(),
                    view.getCorner().getX() + view.getHorizontal() + 23.5f);
    EXPECT_FLOAT_EQ(p_splash->getPosition().getY(),
                    view.getCorner().getY() + view.getVertical() / 2);
    sb::Sprite *p_sprite = p_splash->getAnimation().getSprite();
    EXPECT_EQ(p_sprite->getLabel(), "splash");
    EXPECT_EQ(p_sprite->getColor(), sb::GREEN);
    EXPECT_EQ(p_sprite->getFrameCount(), 2);
    EXPECT_EQ(p_splash->getAnimation().getSlowdownCount(), -1);
    EXPECT_EQ(p_splash->getSolidness(), sb::SPECTRAL);
    if (c.frame_time == 33) {  // a key ends the show; only the emblem takes the key
      sb::SplashSorbelane *p_emblem = new sb::SplashSorbelane(sb::Vector(10, 5));
      sb::EventKeyboard key;
      EXPECT_EQ(p_splash->eventHandler(&key), 0);
      EXPECT_TRUE(game().getGameOver());
      game().setGameOver(false);
      EXPECT_EQ(p_emblem->eventHandler(&key), 1);
      EXPECT_TRUE(game().getGameOver());
      game().setGameOver(false);
    }
    game().shutDown();  // deletes it, and its sprite with it
  }
}

TEST(Splash, RunsNinetyStepsLeavesAnEmptyWorldThenAGameRuns) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\nframe_time:1,\n"), 0);
  sb::LogManager::getInstance().setLogLevel(10);
  SplashWatcher *p_watcher = new SplashWatcher;
  ASSERT_EQ(sb::splash(), 0);
  EXPECT_TRUE(game().getGameOver());
  EXPECT_EQ(game().getStepCount(), 90);
  sb::ObjectList left = world().getAllObjects(true);
  EXPECT_EQ(left.getCount(), 1);  // the watcher alone
  EXPECT_EQ(firstOfType("Watcher"), p_watcher);

  // The watcher sees each step's result at the start of the next one.
  const std::vector<SplashSeen> &seen = p_watcher->seen;
  ASSERT_EQ(seen.size(), 90u);
  EXPECT_EQ(countIf(seen, [](const SplashSeen &s) { return s.splash_index == 0; }), 15);
  EXPECT_EQ(countIf(seen, [](const SplashSeen &s) { return s.splash_index == 1; }), 75);
  EXPECT_EQ(countIf(seen, [](const SplashSeen &s) { return s.emblem_width == 11; }), 45);
  EXPECT_EQ(countIf(seen, [](const SplashSeen &s) { return s.emblem_width == 9; }), 30);
  for (size_t i = 1; i < 15; i++)  // the title slides left, then stands
    EXPECT_LT(seen[i].splash_position.getX(), seen[i - 1].splash_position.getX());
  sb::Vector title = seen[15].splash_position;
  EXPECT_EQ(seen[89].splash_position.getX(), title.getX());
  // The emblem rises in 30 steps to its target beside the title and stays.
  sb::Vector target(title.getX() + 24, title.getY() + 1);
  EXPECT_GT(seen[15].emblem_position.getY(), seen[30].emblem_position.getY());
  EXPECT_NEAR(seen[45].emblem_position.getY(), target.getY(), 0.01);
  EXPECT_NEAR(seen[59].emblem_position.getY(), target.getY(), 0.01);
  EXPECT_EQ(seen[59].emblem_position.getX(), target.getX());
  EXPECT_EQ(seen[60].emblem_position.getX(), target.getX() - 1);  // the still picture
  EXPECT_NEAR(seen[89].emblem_position.getY(), target.getY(), 0.01);

  std::string log = sbtest::readLog();
  EXPECT_EQ(sbtest::countOf(log, "splash(): Started."), 1);
  EXPECT_EQ(sbtest::countOf(log, "splash(): Finished."), 1);

  world().markForDelete(p_watcher);
  new ShortGame(3);
  game().run();
  EXPECT_EQ(game().getStepCount(), 3);
  EXPECT_EQ(world().getAllObjects(true).getCount(), 0);
  game().shutDown();
}

TEST(SplashWindow, ARealKeyEndsItEarly) {
  ASSERT_TRUE(sbtest::ensurePrivateDisplay()) << "no X server for the window test";
  ASSERT_EQ(sbtest::startEngine("frame_time:10,\n" + sbtest::fontConfig()), 0) << sbtest::readLog();
  SplashWatcher *p_watcher = new SplashWatcher;
  p_watcher->key_step = 5;
  ASSERT_EQ(sb::splash(), 0);
  EXPECT_TRUE(p_watcher->key_sent);
  EXPECT_TRUE(game().getGameOver());
  EXPECT_LT(game().getStepCount(), 60);  // the key's step, not the 90th
  EXPECT_EQ(firstOfType("Splash"), nullptr);
  EXPECT_EQ(firstOfType("SplashSorbelane"), nullptr);
  game().shutDown();
}

}  // namespace
