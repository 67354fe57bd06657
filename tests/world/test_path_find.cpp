// Path searches: agreement with a plain Dijkstra over the cells on seeded
// random maps, the path type, result delivery and the unsafe set-ups.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <limits>
#include <memory>
#include <queue>
#include <random>
#include <string>
#include <vector>

#include "Clock.h"
#include "EventPath.h"
#include "GameManager.h"
#include "LogManager.h"
#include "Object.h"
#include "PathFind.h"
#include "PathManager.h"
#include "WorldManager.h"
#include "utility.h"
#include "support/CoreChecks.h"
#include "support/TestEngine.h"

namespace {

using sb::Box;
using sb::Vector;

using sbtest::world;

// Processor time this thread has used, in microseconds.
long long threadCpuMicroseconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return now.tv_sec * 1000000LL + now.tv_nsec / 1000;
}

// Each test ends with the engine shut down, which deletes what it left in the world.
class PathFind : public ::testing::Test {
 protected:
  void TearDown() override { sb::GameManager::getInstance().shutDown(); }
};
class PathManager : public PathFind {};
sb::PathManager &paths() { return sb::PathManager::getInstance(); }

sb::Object *place(int x, int y, sb::Solidness solidness = sb::HARD) {
  sb::Object *p_o = new sb::Object;
  p_o->setSolidness(solidness);
  p_o->setPosition(Vector(static_cast<float>(x), static_cast<float>(y)));
  return p_o;
}

using sbtest::clearWorld;

// Runs a search to its end; the number of cycles is bounded by the cells.
int runSearch(sb::PathFind &search, int cells) {
  int result = sb::SEARCHING;
  for (int i = 0; i <= cells + 1 && result == sb::SEARCHING; i++) result = search.cycleOnce();
  return result;
}

// Records path events; an optional action runs before or instead of the base handler.
class PathWalker : public sb::Object {
 public:
  std::vector<sb::SearchResult> results;
  std::vector<sb::Path> received;
  bool call_base = true;
  std::function<void(PathWalker *)> on_path;

  explicit PathWalker(Vector where = Vector(1, 1)) {
    setSolidness(sb::SPECTRAL);
    setPosition(where);
  }
  int eventHandler(const sb::Event *p_e) override {
    if (p_e->typeRef() != sb::PATH_EVENT) return 0;
    const sb::EventPath *p_path = static_cast<const sb::EventPath *>(p_e);
    results.push_back(p_path->getResult());
    received.push_back(p_path->getPath());
    if (on_path) on_path(this);
    return call_base ? sb::Object::eventHandler(p_e) : 1;
  }
};

// Cheapest cost from start to end over free cells, 8 neighbours, a diagonal
// step refused between two blocked side cells; -1 when unreachable.
double oracleCost(int w, int h, const std::vector<char> &blocked, int sx, int sy, int ex, int ey) {
  std::vector<double> best(static_cast<size_t>(w * h), std::numeric_limits<double>::infinity());
  typedef std::pair<double, int> Item;
  std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
  best[sy * w + sx] = 0;
  queue.push(Item(0, sy * w + sx));
  while (!queue.empty()) {
    Item item = queue.top();
    queue.pop();
    int x = item.second % w, y = item.second / w;
    if (item.first > best[item.second]) continue;
    if (x == ex && y == ey) return item.first;
    for (int dy = -1; dy <= 1; dy++) {
      for (int dx = -1; dx <= 1; dx++) {
        int c = x + dx, d = y + dy;
        if ((dx == 0 && dy == 0) || c < 0 || d < 0 || c >= w || d >= h || blocked[d * w + c])
          continue;
        if (dx != 0 && dy != 0 && blocked[y * w + c] && blocked[d * w + x]) continue;
        double cost = item.first + (dx != 0 && dy != 0 ? std::sqrt(2.0) : 1.0);
        if (cost < best[d * w + c]) {
          best[d * w + c] = cost;
          queue.push(Item(cost, d * w + c));
        }
      }
    }
  }
  return -1;
}

// The search written out plainly, with linear scans of the open list: the
// last-added of the cells with the smallest estimate is expanded next.
// Counts the cells expanded in *expanded when given.
std::vector<Vector> plainAStar(int w, int h, const std::vector<char> &blocked, int sx, int sy,
                               int ex, int ey, int *expanded = nullptr) {
  auto dist = [](int ax, int ay, int bx, int by) {
    double dx = ax - bx, dy = ay - by;
    return static_cast<float>(std::sqrt(dx * dx + dy * dy));
  };
  std::vector<float> g(static_cast<size_t>(w * h), std::numeric_limits<float>::infinity());
  std::vector<float> f(static_cast<size_t>(w * h));
  std::vector<int> parent(static_cast<size_t>(w * h), -1);
  std::vector<char> open_flag(static_cast<size_t>(w * h), 0), closed(static_cast<size_t>(w * h), 0);
  std::vector<int> open;
  for (int i = 0; i < w * h; i++) f[i] = dist(i % w, i / w, ex, ey);
  g[sy * w + sx] = 0;
  open.push_back(sy * w + sx);
  open_flag[sy * w + sx] = 1;
  while (!open.empty()) {
    int best = static_cast<int>(open.size()) - 1;
    for (int i = best - 1; i >= 0; i--)
      if (f[open[i]] < f[open[best]]) best = i;
    int cur = open[best];
    if (expanded) ++*expanded;
    open.erase(open.begin() + best);
    open_flag[cur] = 0;
    closed[cur] = 1;
    int x = cur % w, y = cur / w;
    if (x == ex && y == ey) {
      std::vector<Vector> path;
      for (int c = cur; c >= 0; c = parent[c])
        path.insert(path.begin(), Vector(static_cast<float>(c % w), static_cast<float>(c / w)));
      return path;
    }
    const int DX[8] = {-1, 0, 1, -1, 1, -1, 0, 1}, DY[8] = {-1, -1, -1, 0, 0, 1, 1, 1};
    for (int k = 0; k < 8; k++) {
      int c = x + DX[k], d = y + DY[k], n = d * w + c;
      if (c < 0 || d < 0 || c >= w || d >= h || closed[n] || blocked[n]) continue;
      if (DX[k] && DY[k] && blocked[y * w + c] && blocked[d * w + x]) continue;
      float g_new = g[cur] + dist(0, 0, DX[k], DY[k]);
      if (open_flag[n] && g_new > g[n]) continue;
      if (!open_flag[n]) open.push_back(n);
      open_flag[n] = 1;
      g[n] = g_new;
      parent[n] = cur;
      f[n] = g_new + dist(c, d, ex, ey);
    }
  }
  return {};
}

TEST_F(PathFind, SeededRandomMapsAgreeWithDijkstra) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  std::mt19937 random(20240611);
  int found = 0, failed = 0;
  for (int trial = 0; trial < 120; trial++) {
    int w = 4 + static_cast<int>(random() % 37), h = 3 + static_cast<int>(random() % 18);
    world().setBoundary(Box(Vector(0, 0), static_cast<float>(w), static_cast<float>(h)));
    double density = 0.05 + (random() % 45) / 100.0;
    std::vector<char> blocked(static_cast<size_t>(w * h), 0);
    for (int y = 0; y < h; y++) {
      for (int x = 0; x < w; x++) {
        if (random() % 1000 < density * 1000) {
          blocked[y * w + x] = 1;
          place(x, y);
        } else if (random() % 10 == 0) {
          place(x, y, random() % 2 ? sb::SOFT : sb::SPECTRAL);  // never blocks
        }
      }
    }
    int sx, sy;
    do {
      sx = static_cast<int>(random() % w), sy = static_cast<int>(random() % h);
    } while (blocked[sy * w + sx]);
    int ex = static_cast<int>(random() % w), ey = static_cast<int>(random() % h);
    if (trial % 10 == 0) ex = sx, ey = sy;
    // A HARD object covering the goal does not block the goal's cell.
    blocked[ey * w + ex] = 0;

    PathWalker *mover = new PathWalker(Vector(static_cast<float>(sx), static_cast<float>(sy)));
    sb::PathFind search(mover, mover->getPosition(),
                        Vector(static_cast<float>(ex), static_cast<float>(ey)));
    int result = runSearch(search, w * h);
    double expected = oracleCost(w, h, blocked, sx, sy, ex, ey);
    SCOPED_TRACE("trial " + std::to_string(trial) + " " + std::to_string(w) + "x" +
                 std::to_string(h) + " from " + std::to_string(sx) + "," + std::to_string(sy) +
                 " to " + std::to_string(ex) + "," + std::to_string(ey));
    EXPECT_EQ(search.cycleOnce(), result);  // a finished search keeps its verdict
    sb::Path path = search.getPath();
    std::vector<Vector> nodes = path.getPath();
    if (expected < 0) {
      failed++;
      EXPECT_EQ(result, sb::FAILED);
      EXPECT_TRUE(nodes.empty());
    } else {
      found++;
      ASSERT_EQ(result, sb::FOUND);
      ASSERT_FALSE(nodes.empty());
      EXPECT_EQ(path.getIndex(), 0);
      EXPECT_EQ(nodes.front(), Vector(static_cast<float>(sx), static_cast<float>(sy)));
      EXPECT_EQ(nodes.back(), Vector(static_cast<float>(ex), static_cast<float>(ey)));
      double cost = 0;
      for (size_t i = 1; i < nodes.size(); i++) {
        int x0 = static_cast<int>(nodes[i - 1].getX()), y0 = static_cast<int>(nodes[i - 1].getY());
        int x1 = static_cast<int>(nodes[i].getX()), y1 = static_cast<int>(nodes[i].getY());
        int dx = x1 - x0, dy = y1 - y0;
        ASSERT_TRUE(std::abs(dx) <= 1 && std::abs(dy) <= 1 && (dx || dy)) << "step " << i;
        ASSERT_FALSE(blocked[y1 * w + x1]) << "into a hard cell at step " << i;
        bool squeezed = dx && dy && blocked[y0 * w + x1] && blocked[y1 * w + x0];
        ASSERT_FALSE(squeezed) << "squeezed at step " << i;
        cost += dx && dy ? std::sqrt(2.0) : 1.0;
      }
      EXPECT_NEAR(cost, expected, 1e-3);
    }
    // Not just as cheap: the very path the plain search takes among equal ones.
    EXPECT_EQ(nodes, plainAStar(w, h, blocked, sx, sy, ex, ey));
    clearWorld();
  }
  // The seeds give both verdicts plenty of times.
  EXPECT_GT(found, 40);
  EXPECT_GT(failed, 10);
}

// Bigger maps make deep open heaps with many ties and improved cells: the
// search still expands exactly the plain search's cells, as many of them,
// and takes its path, with the world's answers kept between the queries.
TEST_F(PathFind, BigMapsExpandAsThePlainSearch) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  std::mt19937 random(5150);
  for (int trial = 0; trial < 4; trial++) {
    int w = 90 + static_cast<int>(random() % 60), h = 30 + static_cast<int>(random() % 30);
    world().setBoundary(Box(Vector(0, 0), static_cast<float>(w), static_cast<float>(h)));
    std::vector<char> blocked(static_cast<size_t>(w * h), 0);
    const int PERCENT[4] = {10, 20, 25, 33};
    int percent = PERCENT[trial];
    for (int y = 0; y < h; y++)
      for (int x = 0; x < w; x++)
        if (static_cast<int>(random() % 100) < percent) blocked[y * w + x] = 1, place(x, y);
    PathWalker *mover = new PathWalker(Vector(0, 0));
    for (int query = 0; query < 5; query++) {
      int sx, sy, ex, ey;
      do {
        sx = static_cast<int>(random() % w), sy = static_cast<int>(random() % h);
        ex = static_cast<int>(random() % w), ey = static_cast<int>(random() % h);
      } while (blocked[sy * w + sx] || blocked[ey * w + ex] || std::abs(sx - ex) < w / 2);
      sb::PathFind search(mover, Vector(static_cast<float>(sx), static_cast<float>(sy)),
                          Vector(static_cast<float>(ex), static_cast<float>(ey)));
      runSearch(search, w * h);
      int expanded = 0;
      SCOPED_TRACE("trial " + std::to_string(trial) + " query " + std::to_string(query));
      EXPECT_EQ(search.getPath().getPath(), plainAStar(w, h, blocked, sx, sy, ex, ey, &expanded));
      EXPECT_EQ(search.getNumPlies(), expanded);
    }
    clearWorld();
  }
}

// The world's answers kept between searches give the very paths that asking
// the world afresh gives, also next to big HARD objects that cover a goal
// (such an object does not block, so the answer depends on the goal).
TEST_F(PathFind, KeptAnswersGiveThePathsOfFreshOnes) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  std::mt19937 random(77031);
  int covered_goals = 0;
  for (int trial = 0; trial < 30; trial++) {
    int w = 6 + static_cast<int>(random() % 30), h = 4 + static_cast<int>(random() % 16);
    world().setBoundary(Box(Vector(0, 0), static_cast<float>(w), static_cast<float>(h)));
    std::vector<sb::Object *> hard;
    for (int y = 0; y < h; y++) {
      for (int x = 0; x < w; x++) {
        if (random() % 100 >= 25) continue;
        sb::Object *p_o = place(x, y);
        if (random() % 8 == 0) p_o->setBox(Box(Vector(-1.5f, -1.5f), 2.99f, 2.99f));
        hard.push_back(p_o);
      }
    }
    PathWalker *mover = new PathWalker(Vector(0, 0));
    if (trial % 3 == 1) mover->setBox(Box(Vector(-1, -0.5f), 1.99f, 0.99f));
    for (int query = 0; query < 6; query++) {
      Vector from(static_cast<float>(random() % w), static_cast<float>(random() % h));
      Vector to(static_cast<float>(random() % w), static_cast<float>(random() % h));
      if (query % 2 == 1) {  // a goal inside a HARD object
        to = hard[random() % hard.size()]->getPosition();
        covered_goals++;
      }
      sb::PathFind kept(mover, from, to);
      int kept_result = runSearch(kept, w * h);
      std::vector<Vector> kept_path = kept.getPath().getPath();
      sb::Object *p_change = place(0, 0, sb::SPECTRAL);  // a new world version: asked afresh
      world().markForDelete(p_change);
      world().update();
      sb::PathFind fresh(mover, from, to);
      SCOPED_TRACE("trial " + std::to_string(trial) + " query " + std::to_string(query));
      EXPECT_EQ(runSearch(fresh, w * h), kept_result);
      EXPECT_EQ(fresh.getPath().getPath(), kept_path);
      EXPECT_EQ(fresh.getNumPlies(), kept.getNumPlies());
    }
    clearWorld();
  }
  EXPECT_EQ(covered_goals, 90);
}

TEST_F(PathFind, SmallCasesOfTheRules) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  world().setBoundary(Box(Vector(0, 0), 10, 10));
  struct Case {
    const char *name;
    std::vector<std::pair<int, int>> walls;
    Vector from, to;
    int result;
    std::vector<Vector> path;
  };
  const std::vector<Case> cases = {
      {"same cell", {}, Vector(3, 3), Vector(3, 3), sb::FOUND, {Vector(3, 3)}},
      {"straight diagonal", {}, Vector(1, 1), Vector(3, 3), sb::FOUND,
       {Vector(1, 1), Vector(2, 2), Vector(3, 3)}},
      {"one corner may be passed", {{2, 1}}, Vector(1, 1), Vector(2, 2), sb::FOUND,
       {Vector(1, 1), Vector(2, 2)}},
      {"two corners may not", {{2, 1}, {1, 2}}, Vector(1, 1), Vector(2, 2), sb::FOUND, {}},
      {"walled goal", {{4, 4}, {5, 4}, {6, 4}, {4, 5}, {6, 5}, {4, 6}, {5, 6}, {6, 6}},
       Vector(0, 0), Vector(5, 5), sb::FAILED, {}},
      {"goal covered by a hard object", {{5, 5}}, Vector(5, 3), Vector(5, 5), sb::FOUND,
       {Vector(5, 3), Vector(5, 4), Vector(5, 5)}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    for (auto wall : c.walls) place(wall.first, wall.second);
    PathWalker *mover = new PathWalker(c.from);
    sb::PathFind search(mover, c.from, c.to);
    EXPECT_EQ(runSearch(search, 100), c.result);
    std::vector<Vector> nodes = search.getPath().getPath();
    if (c.result == sb::FOUND && c.path.empty()) {
      EXPECT_EQ(nodes.size(), 4u);  // around one of the corners
    } else {
      EXPECT_EQ(nodes, c.path);
    }
    if (c.path.size() == 1) {
      EXPECT_EQ(search.getNumPlies(), 1);
    }
    if (c.result == sb::FAILED) {
      EXPECT_EQ(search.getNumPlies(), 100 - 9);  // every reachable cell
    }
    clearWorld();
  }
}

TEST_F(PathFind, LeadsToAHardTargetUntilTheBoxesMeet) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  world().setBoundary(Box(Vector(0, 0), 20, 10));
  sb::Object *target = place(10, 5);
  target->setBox(Box(Vector(-1.5f, -1.5f), 3, 3));  // covers cells 9..11 x 4..6
  PathWalker *mover = new PathWalker(Vector(2, 5));
  mover->pathTo(target);
  ASSERT_NE(mover->getPathFind(), nullptr);
  EXPECT_EQ(mover->getPathFind()->getTargetObject(), target);
  EXPECT_TRUE(mover->getAvoidCollisions());
  paths().cycle(50);
  ASSERT_EQ(mover->results, std::vector<sb::SearchResult>{sb::FOUND});
  // The mover's box at (8,5) reaches 8.49 and the target's starts at 8.5: one more cell.
  EXPECT_EQ(mover->received[0].getEnd(), Vector(9, 5));
  EXPECT_EQ(mover->getPathFind(), nullptr);
  EXPECT_EQ(paths().getSearchCount(), 0);
  EXPECT_TRUE(mover->getFollowPath());
  mover->pathTo(nullptr);  // ignored
  EXPECT_EQ(mover->getPathFind(), nullptr);
}

TEST(PathType, CursorAndText) {
  sb::Path empty;
  EXPECT_TRUE(empty.endOfPath());
  EXPECT_EQ(empty.getEnd(), Vector());  // nothing read outside the path
  EXPECT_EQ(empty.nextNode(), Vector());
  EXPECT_EQ(empty.previousNode(), Vector());
  EXPECT_EQ(empty.setIndex(0), -1);
  EXPECT_EQ(sb::toString(empty), "");
  EXPECT_EQ(empty.draw(sb::RED), 0);

  sb::Path path;
  path.setPath({Vector(3, 4), Vector(4, 5), Vector(5.5f, 6)});
  EXPECT_EQ(sb::toString(path), "3 4|4 5|5.5 6|");
  EXPECT_EQ(path.nextNode(), Vector(3, 4));
  EXPECT_EQ(path.previousNode(), Vector());
  for (int bad : {-1, 3, 1000}) {
    EXPECT_EQ(path.setIndex(bad), -1);
    EXPECT_EQ(path.getIndex(), 0);
  }
  EXPECT_EQ(path.setIndex(2), 0);
  EXPECT_EQ(path.previousNode(), Vector(4, 5));
  path++;
  path++;
  EXPECT_EQ(path.getIndex(), 3);
  EXPECT_TRUE(path.endOfPath());
  EXPECT_EQ(path.nextNode(), Vector());
  EXPECT_EQ(path.getEnd(), Vector(5.5f, 6));
  path.setPath({Vector(1, 1)});  // the index stays
  EXPECT_EQ(path.getIndex(), 3);

  sb::EventPath event(path);
  EXPECT_EQ(event.getType(), sb::PATH_EVENT);
  EXPECT_EQ(event.getResult(), sb::FAILED);
  EXPECT_EQ(event.getPath().getIndex(), 3);
}

TEST_F(PathFind, UnsafeSetUpsFailWithTheirLogLines) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  PathWalker *mover = new PathWalker(Vector(0, 0));
  struct Case {
    Box boundary;
    Vector from, to;
    std::string line;
  };
  const std::string prefix = "PathFind::PathFind(): Error!  Unable to allocate pathfinding for ";
  const std::vector<Case> cases = {
      {Box(Vector(0, 0), 0, 0), Vector(0, 0), Vector(0, 0), prefix + "0 rows."},
      {Box(Vector(0, 0), 0, 10), Vector(0, 0), Vector(0, 5), prefix + "0 columns at row 0."},
      {Box(Vector(0, 0), 0.5f, 0.5f), Vector(0, 0), Vector(0, 0), prefix + "0 rows."},
      {Box(Vector(0, 0), 3, -2), Vector(0, 0), Vector(0, 0),
       "PathFind::PathFind(): Error! Both start (0.00, 0.00) and end (0.00, 0.00) must be "
       "within world boundary (3, -2)."},
      {Box(Vector(0, 0), 100000, 100000), Vector(0, 0), Vector(9, 9),
       "PathFind::PathFind(): Error! World of 100000 rows and 100000 columns has too many cells "
       "(10000000000, at most 2097152)."},
      {Box(Vector(0, 0), 1e30f, 1e30f), Vector(0, 0), Vector(9, 9),
       "PathFind::PathFind(): Error! World of 2147483647 rows and 2147483647 columns has too many "
       "cells (4611686014132420609, at most 2097152)."},
      {Box(Vector(0, 0), 2049, 1024), Vector(0, 0), Vector(9, 9),
       "PathFind::PathFind(): Error! World of 1024 rows and 2049 columns has too many cells "
       "(2098176, at most 2097152)."},
      {Box(Vector(0, 0), 80, 24), Vector(0, 0), Vector(90, 5),
       "PathFind::PathFind(): Error! Both start (0.00, 0.00) and end (90.00, 5.00) must be "
       "within world boundary (80, 24)."},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.line);
    world().setBoundary(c.boundary);
    mover->setPosition(c.from);
    int before = sbtest::countMessage(sbtest::readLog(), c.line);
    mover->pathTo(c.to);
    EXPECT_FALSE(mover->getPathFind()->hasNodeGraph());
    EXPECT_EQ(sbtest::countMessage(sbtest::readLog(), c.line), before + 1);
    paths().cycle(5);  // fails on its first cycle and is dropped
    EXPECT_EQ(mover->results.back(), sb::FAILED);
    EXPECT_EQ(mover->getPathFind(), nullptr);
  }
  EXPECT_EQ(mover->results.size(), cases.size());

  // Graphs cost at most 16 bytes a cell, and searches at the largest size are
  // refused once their graphs would pass the memory bound.
  world().setBoundary(Box(Vector(0, 0), 2048, 1024));
  const long long graph = sb::PathFind::graphBytes(sb::MAX_PATH_CELLS);
  EXPECT_LE(sb::PathFind::graphBytes(1), 16);
  std::vector<std::unique_ptr<sb::PathFind>> big;
  for (long long held = 0; held + graph <= sb::MAX_PATH_MEMORY; held += graph) {
    big.emplace_back(new sb::PathFind(mover, Vector(0, 0), Vector(9, 9)));
    ASSERT_TRUE(big.back()->hasNodeGraph());
  }
  EXPECT_EQ(sb::PathFind::graphMemory(false), graph * static_cast<long long>(big.size()));
  sb::PathFind refused(mover, Vector(0, 0), Vector(9, 9));
  EXPECT_FALSE(refused.hasNodeGraph());
  EXPECT_TRUE(sbtest::hasMessage(
      sbtest::readLog(), "PathFind::PathFind(): Error! Path searches already hold " +
                             std::to_string(sb::PathFind::graphMemory(false)) + " bytes, no room for " +
                             std::to_string(graph) + " more (at most " +
                             std::to_string(sb::MAX_PATH_MEMORY) + ")."));
  big.clear();
  EXPECT_EQ(sb::PathFind::graphMemory(false), 0);
  EXPECT_LE(sb::PathFind::graphMemory(true), sb::MAX_POOLED_PATH_MEMORY);
  EXPECT_GE(sb::PathFind::graphMemory(true), graph);  // one is kept for the next search

  // A search without an object is refused by the manager and never cycled.
  sb::PathFind orphan(nullptr, Vector(1, 1), Vector(2, 2));
  EXPECT_EQ(sbtest::countMessage(sbtest::readLog(),
                                 "PathFind()::PathFind(): Fatal error! Object pointer is NULL."),
            1);
  EXPECT_EQ(paths().registerPathFind(&orphan), -1);
  EXPECT_EQ(paths().registerPathFind(nullptr), -1);
  EXPECT_EQ(paths().unregisterPathFind(&orphan), -1);
  const std::string no_graph = "PathFind::cycleOnce(): node graph not allocated.  Cannot find path.";
  int before = sbtest::countMessage(sbtest::readLog(), no_graph);
  EXPECT_EQ(orphan.cycleOnce(), sb::FAILED);
  EXPECT_EQ(sbtest::countMessage(sbtest::readLog(), no_graph), before + 1);
}

TEST_F(PathFind, EdgePositionsAndBoundaryChangesStayInsideTheGraph) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  world().setBoundary(Box(Vector(0, 0), 80, 24));
  // 79.5 and 23.5 lie inside the boundary but round to the cells past it.
  PathWalker *mover = new PathWalker(Vector(79.5f, 23.5f));
  sb::PathFind edge(mover, Vector(79.5f, 23.5f), Vector(80, 24));
  EXPECT_EQ(sbtest::countMessage(sbtest::readLog(), "PathFind::PathFind(): allocated [y, x]: 24, 80"),
            1);
  EXPECT_EQ(edge.getStart().x, 79);
  EXPECT_EQ(edge.getStart().y, 23);
  EXPECT_EQ(runSearch(edge, 80 * 24), sb::FOUND);
  EXPECT_EQ(edge.getPath().getPath(), std::vector<Vector>{Vector(79, 23)});

  // The boundary grows and shrinks while searches run: they stay within
  // what they allocated, and free exactly that.
  sb::PathFind grow(mover, Vector(1, 1), Vector(78, 22));
  sb::PathFind shrink(mover, Vector(1, 1), Vector(78, 22));
  world().setBoundary(Box(Vector(0, 0), 400, 300));
  EXPECT_EQ(runSearch(grow, 80 * 24), sb::FOUND);
  EXPECT_EQ(grow.getPath().getEnd(), Vector(78, 22));
  world().setBoundary(Box(Vector(0, 0), 10, 5));
  EXPECT_EQ(runSearch(shrink, 80 * 24), sb::FAILED);  // the goal is now out of reach
  EXPECT_EQ(shrink.getNumPlies(), 10 * 5);

  // A new shape of as many cells: what was learnt under the old row width is not read.
  for (int x = 0; x < 4; x++) place(x, 2);
  world().setBoundary(Box(Vector(0, 0), 8, 4));
  {
    sb::PathFind wide(mover, Vector(0, 0), Vector(7, 3));
    EXPECT_EQ(runSearch(wide, 32), sb::FOUND);
  }
  world().setBoundary(Box(Vector(0, 0), 4, 8));
  sb::PathFind tall(mover, Vector(0, 0), Vector(0, 7));
  EXPECT_EQ(runSearch(tall, 32), sb::FAILED);  // the wall spans the row
  EXPECT_TRUE(tall.getPath().getPath().empty());
}

TEST_F(PathManager, StartsAndRegisters) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\nframe_time:47,\n"), 0);
  EXPECT_EQ(paths().getMinCycleTime(), 4);
  EXPECT_EQ(paths().startUp(), 0);
  EXPECT_EQ(sbtest::countMessage(sbtest::readLog(), "PathManager::startup(): already started."), 1);
  PathWalker *a = new PathWalker;
  sb::PathFind search(a, Vector(1, 1), Vector(2, 2));
  EXPECT_EQ(paths().registerPathFind(&search), 0);
  EXPECT_EQ(paths().registerPathFind(&search), -1);
  EXPECT_EQ(paths().unregisterPathFind(&search), 0);
  EXPECT_EQ(paths().unregisterPathFind(&search), -1);
  EXPECT_EQ(paths().getSearchCount(), 0);
}

TEST_F(PathManager, DeliveryIsSafeWhateverTheHandlersDo) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\n"), 0);
  world().setBoundary(Box(Vector(0, 0), 30, 10));

  // A handler that keeps its search gets the result once per cycle, and the
  // finished search neither grows nor burns the cycle's time.
  PathWalker *keeper = new PathWalker(Vector(1, 1));
  keeper->call_base = false;
  keeper->pathTo(Vector(5, 1));
  paths().cycle(2);
  ASSERT_EQ(keeper->results.size(), 1u);
  int plies = keeper->getPathFind()->getNumPlies();
  // Processor time, which other processes cannot stretch: a cycle that
  // burned its budget would take 20 ms of it each time.
  long long cpu_before = threadCpuMicroseconds();
  for (int i = 0; i < 3; i++) paths().cycle(20);
  EXPECT_LT(threadCpuMicroseconds() - cpu_before, 20000);
  EXPECT_EQ(keeper->results.size(), 4u);
  EXPECT_EQ(keeper->getPathFind()->getNumPlies(), plies);
  keeper->call_base = true;
  paths().cycle(2);
  EXPECT_EQ(keeper->getPathFind(), nullptr);
  EXPECT_EQ(paths().getSearchCount(), 0);

  // A handler that starts a new search before the base handler runs keeps it.
  PathWalker *chaser = new PathWalker(Vector(1, 5));
  int legs = 0;
  chaser->on_path = [&legs](PathWalker *self) {
    if (++legs < 3) self->pathTo(Vector(static_cast<float>(5 + 5 * legs), 5));
  };
  chaser->pathTo(Vector(5, 5));
  for (int i = 0; i < 5; i++) paths().cycle(5);
  EXPECT_EQ(legs, 3);
  ASSERT_EQ(chaser->received.size(), 3u);
  EXPECT_EQ(chaser->received[2].getEnd(), Vector(15, 5));
  EXPECT_EQ(chaser->getPathFind(), nullptr);

  // A deleted target is not read: the search goes on to where the target was.
  PathWalker *hunter = new PathWalker(Vector(1, 8));
  sb::Object *prey = place(20, 8);
  hunter->pathTo(prey);
  world().markForDelete(prey);
  world().update();
  paths().cycle(5);
  ASSERT_EQ(hunter->results, std::vector<sb::SearchResult>{sb::FOUND});
  EXPECT_EQ(hunter->received[0].getEnd(), Vector(20, 8));

  // A search that moves into the slot of a dropped one still runs in the same cycle.
  PathWalker *here = new PathWalker(Vector(3, 3));
  PathWalker *near = new PathWalker(Vector(3, 4));
  here->pathTo(here->getPosition());
  near->pathTo(Vector(8, 4));
  paths().cycle(50);
  EXPECT_EQ(here->results, std::vector<sb::SearchResult>{sb::FOUND});
  EXPECT_EQ(near->results, std::vector<sb::SearchResult>{sb::FOUND});
  EXPECT_EQ(paths().getSearchCount(), 0);

  // A search whose object game code takes away is dropped, not kept for ever.
  PathWalker *robbed = new PathWalker(Vector(1, 3));
  robbed->pathTo(Vector(20, 3));
  robbed->getPathFind()->setObject(nullptr);
  paths().cycle(2);
  EXPECT_EQ(paths().getSearchCount(), 0);
  EXPECT_TRUE(robbed->results.empty());

  // A deleted mover's search is neither cycled nor left behind.
  PathWalker *gone = new PathWalker(Vector(1, 2));
  gone->pathTo(Vector(25, 2));
  world().markForDelete(gone);
  world().update();
  EXPECT_EQ(paths().getSearchCount(), 0);
  paths().cycle(2);
}

// A goal walled in at the far side of a 1000 x 1000 world: the search runs dry
// only after a million expansions, so every cycle uses its whole budget.
TEST_F(PathManager, CycleKeepsToItsBudget) {
  ASSERT_EQ(sbtest::startEngine("headless:true,\nframe_time:30,\n"), 0);
  world().setBoundary(Box(Vector(0, 0), 1000, 1000));
  for (int dx = -1; dx <= 1; dx++)
    for (int dy = -1; dy <= 1; dy++)
      if (dx || dy) place(990 + dx, 990 + dy);
  PathWalker *mover = new PathWalker(Vector(2, 2));
  mover->pathTo(Vector(990, 990));
  EXPECT_EQ(paths().getMinCycleTime(), 3);
  // The lower limit is wall time, which the budget counts; the upper limit is
  // the thread's processor time, which other processes taking the processor
  // away in the middle of a cycle do not stretch.
  for (int budget : {6, 0, -20}) {
    SCOPED_TRACE(budget);
    long long want = std::max(budget, 3) * 1000LL;
    for (int attempt = 0; attempt < 8; attempt++) {
      int plies_before = mover->getPathFind()->getNumPlies();
      long long cpu_before = threadCpuMicroseconds();
      sb::Clock clock;
      paths().cycle(budget);
      long long elapsed = clock.split();
      long long cpu = threadCpuMicroseconds() - cpu_before;
      ASSERT_TRUE(mover->results.empty());
      EXPECT_GE(elapsed, want);
      EXPECT_GT(mover->getPathFind()->getNumPlies(), plies_before);
      // A cycle that ignored its budget would run on through the rest of the
      // million expansions; on a busy machine a cycle that keeps to it may
      // still be charged several milliseconds more than it asked for.
      EXPECT_LT(cpu, 10 * want);
    }
  }
}

}  // namespace
