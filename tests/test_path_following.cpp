// Objects sent across a maze with pathTo while the game loop runs headless.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "EventPath.h"
#include "EventStep.h"
#include "GameManager.h"
#include "Object.h"
#include "PathFind.h"
#include "WorldManager.h"
#include "utility.h"
#include "support/CoreChecks.h"
#include "support/TestEngine.h"

namespace {

using sb::Vector;

// A perfect maze: passages on odd cells of a (2w+1) x (2h+1) block, walls elsewhere.
std::vector<char> carveMaze(int w, int h, unsigned seed) {
  int cols = 2 * w + 1, rows = 2 * h + 1;
  std::vector<char> wall(static_cast<size_t>(cols * rows), 1);
  std::mt19937 random(seed);
  std::vector<std::pair<int, int>> stack = {{0, 0}};
  std::vector<char> seen(static_cast<size_t>(w * h), 0);
  seen[0] = 1;
  wall[1 * cols + 1] = 0;
  while (!stack.empty()) {
    auto [x, y] = stack.back();
    std::vector<std::pair<int, int>> next;
    const int DX[4] = {1, -1, 0, 0}, DY[4] = {0, 0, 1, -1};
    for (int k = 0; k < 4; k++) {
      int c = x + DX[k], d = y + DY[k];
      if (c >= 0 && d >= 0 && c < w && d < h && !seen[d * w + c]) next.push_back({c, d});
    }
    if (next.empty()) {
      stack.pop_back();
      continue;
    }
    auto [c, d] = next[random() % next.size()];
    seen[d * w + c] = 1;
    wall[(2 * d + 1) * cols + 2 * c + 1] = 0;
    wall[(y + d + 1) * cols + x + c + 1] = 0;
    stack.push_back({c, d});
  }
  return wall;
}

class Walker : public sb::Object {
 public:
  std::vector<sb::SearchResult> results;
  Walker(Vector where, float new_speed) {
    setSolidness(sb::SPECTRAL);
    setPosition(where);
    setSpeed(new_speed);
  }
  int eventHandler(const sb::Event *p_e) override {
    if (p_e->typeRef() == sb::PATH_EVENT)
      results.push_back(static_cast<const sb::EventPath *>(p_e)->getResult());
    return sb::Object::eventHandler(p_e);
  }
};

class PathWatcher : public sb::Object {
 public:
  std::function<void(int)> action;
  PathWatcher() {
    setSolidness(sb::SPECTRAL);
    registerInterest(sb::STEP_EVENT);
  }
  int eventHandler(const sb::Event *p_e) override {
    if (p_e->typeRef() != sb::STEP_EVENT) return 0;
    action(static_cast<const sb::EventStep *>(p_e)->getStepCount());
    return 1;
  }
};

TEST(PathFollowing, WalkersCrossAMazeInTheRunningLoop) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\nframe_time:15,\n"), 0);
  const int w = 15, h = 7, cols = 2 * w + 1, rows = 2 * h + 1;
  std::vector<char> wall = carveMaze(w, h, 7);
  for (int y = 0; y < rows; y++)
    for (int x = 0; x < cols; x++)
      if (wall[y * cols + x]) (new sb::Object)->setPosition(Vector(x, y));

  struct Trip {
    Vector from, to;
    float speed;
  };
  const std::vector<Trip> trips = {{Vector(1, 1), Vector(29, 13), 1},
                                   {Vector(29, 1), Vector(1, 13), 0.5f},
                                   {Vector(1, 13), Vector(29, 1), 1},
                                   {Vector(29, 13), Vector(15, 7), 0.7f}};
  std::vector<Walker *> walkers;
  for (const Trip &trip : trips) walkers.push_back(new Walker(trip.from, trip.speed));
  for (size_t i = 0; i + 1 < trips.size(); i++) walkers[i]->pathTo(trips[i].to);
  // The last one is led to an object standing at its goal.
  sb::Object *beacon = new sb::Object;
  beacon->setSolidness(sb::SPECTRAL);
  beacon->setPosition(trips.back().to);
  walkers.back()->pathTo(beacon);

  int in_wall = 0, steps = 0;
  PathWatcher *watcher = new PathWatcher;
  watcher->action = [&](int step) {
    steps = step;
    bool all_there = true;
    for (Walker *walker : walkers) {
      Vector p = walker->getPosition();
      int x = static_cast<int>(std::lround(p.getX())), y = static_cast<int>(std::lround(p.getY()));
      if (x >= 0 && y >= 0 && x < cols && y < rows && wall[y * cols + x]) in_wall++;
      if (walker->results.empty() || walker->getFollowPath()) all_there = false;
    }
    if (all_there || step > 2000) sb::GameManager::getInstance().setGameOver();
  };
  sb::GameManager::getInstance().run();

  EXPECT_LT(steps, 2000);
  EXPECT_EQ(in_wall, 0);
  for (size_t i = 0; i < walkers.size(); i++) {
    SCOPED_TRACE(i);
    EXPECT_EQ(walkers[i]->results, std::vector<sb::SearchResult>{sb::FOUND});
    EXPECT_EQ(walkers[i]->getPathFind(), nullptr);
    EXPECT_EQ(walkers[i]->getDirection(), Vector(0, 0));
    if (i + 1 < trips.size()) {
      EXPECT_EQ(walkers[i]->getPosition(), trips[i].to);
    } else {  // stops as soon as its box touches the beacon's
      EXPECT_LE(sb::distance(walkers[i]->getPosition(), trips[i].to), 1.5f);
    }
  }
  // The searches keep to their share of the frame (measured without other
  // processes in the way by PathManager.CycleKeepsToItsBudget); here a busy
  // machine may still make a few steps late.
  EXPECT_LE(sbtest::countOf(sbtest::readLog(), "Can't keep up!"), steps / 10);
  sb::GameManager::getInstance().shutDown();
}

}  // namespace
