// Distance maps: a brute-force relaxation (Bellman-Ford) as the oracle on
// seeded random maps with costs, downhill walks, and flee maps on corridors
// built to hold a dead end and an exit.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "CellMap.h"
#include "DistanceMap.h"

namespace {

using sb::CellMap;
using sb::coord_struct;
using sb::DistanceMap;

const float INF = DistanceMap::UNREACHABLE;

// Relaxes every allowed step until nothing changes.
std::vector<float> bellmanFord(const CellMap &map, const std::vector<std::pair<int, float>> &starts,
                               bool eight_way, float diagonal, bool squeeze = false) {
  const int w = map.getWidth(), h = map.getHeight();
  std::vector<float> d(w * h, INF);
  for (auto [cell, cost] : starts) d[cell] = std::min(d[cell], cost);
  for (bool changed = true; changed;) {
    changed = false;
    for (int y = 0; y < h; y++)
      for (int x = 0; x < w; x++)
        for (int dy = -1; dy <= 1; dy++)
          for (int dx = -1; dx <= 1; dx++) {
            if ((dx == 0 && dy == 0) || (!eight_way && dx != 0 && dy != 0)) continue;
            int c = x + dx, e = y + dy;
            if (d[y * w + x] == INF || !map.isWalkable(c, e)) continue;
            if (dx && dy && !squeeze && !map.isWalkable(c, y) && !map.isWalkable(x, e)) continue;
            float step = (dx && dy ? diagonal : 1.0f) * map.getCost(c, e);
            if (d[y * w + x] + step < d[e * w + c] - 1e-4f) {
              d[e * w + c] = d[y * w + x] + step;
              changed = true;
            }
          }
  }
  return d;
}

CellMap randomMap(int w, int h, std::mt19937 &random, bool with_costs) {
  CellMap map(w, h);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      bool open = random() % 100 >= 30;
      map.setProperties(x, y, open, open);
      if (with_costs) map.setCost(x, y, 1.0f + static_cast<float>(random() % 8) * 0.5f);
    }
  return map;
}

TEST(DistanceMap, AgreesWithBellmanFordAndLeadsDownhillToAGoal) {
  std::mt19937 random(9);
  DistanceMap dmap;
  for (int round = 0; round < 60; round++) {
    int w = 1 + static_cast<int>(random() % 30), h = 1 + static_cast<int>(random() % 20);
    CellMap map = randomMap(w, h, random, round % 2 == 1);
    bool eight_way = round % 3 != 0;
    float diagonal = round % 4 == 0 ? 1.0f : round % 4 == 1 ? 1.41421356f : 2.5f;
    bool squeeze = round % 5 == 2;  // libtcod's moves
    ASSERT_EQ(dmap.setMoves(eight_way, diagonal, squeeze), 0);
    std::vector<coord_struct> goals;
    std::vector<std::pair<int, float>> starts;
    for (int i = 0; i < 1 + round % 4; i++) {
      coord_struct goal{static_cast<int>(random() % w), static_cast<int>(random() % h)};
      map.setWalkable(goal.x, goal.y, true);
      goals.push_back(goal);
      starts.push_back({map.index(goal.x, goal.y), 0.0f});
    }
    ASSERT_EQ(dmap.compute(map, goals), 0);
    std::vector<float> expected = bellmanFord(map, starts, eight_way, diagonal, squeeze);
    for (int y = 0; y < h; y++) {
      for (int x = 0; x < w; x++) {
        float got = dmap.getDistance(x, y), want = expected[y * w + x];
        if (want == INF) {
          ASSERT_EQ(got, INF) << x << "," << y;
          continue;
        }
        ASSERT_NEAR(got, want, 1e-3f * (1 + want)) << "round " << round << " cell " << x << "," << y;
        // Downhill, strictly, until a goal: never stuck in a local minimum.
        coord_struct at{x, y}, next{};
        int steps = 0;
        while (dmap.nextStep(map, at.x, at.y, next)) {
          ASSERT_LT(dmap.getDistance(next.x, next.y), dmap.getDistance(at.x, at.y));
          ASSERT_LE(++steps, w * h);
          at = next;
        }
        ASSERT_EQ(dmap.getDistance(at.x, at.y), 0.0f) << "stuck at " << at.x << "," << at.y;
      }
    }
    // A flee map is the relaxation started from every reached cell at -1.2 times its distance.
    std::vector<std::pair<int, float>> flee_starts;
    for (int i = 0; i < w * h; i++)
      if (expected[i] != INF) flee_starts.push_back({i, dmap.getDistance(i % w, i / w) * -1.2f});
    DistanceMap flee;
    ASSERT_EQ(flee.makeFleeMap(map, dmap, -1.2f), 0);
    std::vector<float> flee_expected = bellmanFord(map, flee_starts, eight_way, diagonal, squeeze);
    for (int i = 0; i < w * h; i++) {
      float got = flee.getDistance(i % w, i / w);
      if (flee_expected[i] == INF)
        ASSERT_EQ(got, INF);
      else
        ASSERT_NEAR(got, flee_expected[i], 1e-3f * (1 + std::fabs(flee_expected[i])));
    }
  }
}

// A T-junction: the threat below the junction, a dead end of length a to the
// left, and to the right a corridor of length b into an open room. Fleeing
// downhill from the junction, or from anywhere between junction and threat,
// ends in the room, never in the dead end.
TEST(DistanceMap, FleeMapRunsToOpenSpaceNotIntoADeadEnd) {
  std::mt19937 random(3);
  for (int round = 0; round < 40; round++) {
    int a = 1 + static_cast<int>(random() % 8), b = 1 + static_cast<int>(random() % 8);
    int k = 2 + static_cast<int>(random() % 5), room = 6 + static_cast<int>(random() % 6);
    int jx = a + 1, jy = room;  // junction
    int w = jx + b + room + 2, h = 2 * room + k + 2;
    CellMap map(w, h);
    map.fill(false, false);
    for (int x = 1; x <= jx + b; x++) map.setProperties(x, jy, true, true);  // dead end .. corridor
    for (int y = jy; y <= jy + k; y++) map.setProperties(jx, y, true, true);  // down to the threat
    int rx = jx + b + 1;
    for (int y = jy - room / 2; y <= jy + room / 2; y++)
      for (int x = rx; x < rx + room; x++) map.setProperties(x, y, true, true);
    DistanceMap chase, flee;
    chase.setMoves(round % 2 == 0);
    ASSERT_EQ(chase.compute(map, {{jx, jy + k}}), 0);
    ASSERT_EQ(flee.makeFleeMap(map, chase), 0);
    for (int start = 0; start < k; start++) {
      coord_struct at{jx, jy + start}, next{};
      int steps = 0;
      while (flee.nextStep(map, at.x, at.y, next) && steps++ < w * h) at = next;
      EXPECT_GE(at.x, rx) << "round " << round << " a " << a << " b " << b << " k " << k
                          << " ended at " << at.x << "," << at.y;
    }
  }
}

// One distance map reused over maps of changing shape, some with the same
// number of cells (a map and its transpose), answers as a new one does.
TEST(DistanceMap, ReusedOnMapsOfAnotherShapeAnswersAsANewOne) {
  std::mt19937 random(40);
  DistanceMap reused;
  int w = 0, h = 0;
  for (int round = 0; round < 80; round++) {
    if (round % 2 == 0) {
      w = 1 + static_cast<int>(random() % 25);
      h = 1 + static_cast<int>(random() % 25);
    } else {
      std::swap(w, h);  // the previous shape turned over
    }
    CellMap map = randomMap(w, h, random, round % 3 == 0);
    coord_struct goal{static_cast<int>(random() % w), static_cast<int>(random() % h)};
    map.setWalkable(goal.x, goal.y, true);
    DistanceMap fresh;
    ASSERT_EQ(fresh.compute(map, {goal}), 0);
    ASSERT_EQ(reused.compute(map, {goal}), 0);
    for (int y = 0; y < h; y++)
      for (int x = 0; x < w; x++)
        ASSERT_EQ(reused.getDistance(x, y), fresh.getDistance(x, y))
            << "round " << round << " " << w << " x " << h << " cell " << x << "," << y;
  }
}

// Costs as large as a map accepts keep every cell of an open corridor
// reachable, its distances finite and rising; larger ones are refused.
TEST(DistanceMap, HugeCostsStayFiniteOrAreRefused) {
  const float max_float = std::numeric_limits<float>::max();
  for (float cost : {1.0e18f, 1.0e30f, 1.0e38f, max_float}) {
    for (float diagonal : {1.41421356f, 1.0e6f, 1.0e30f}) {
      CellMap map(12, 2);
      bool accepted = true;
      for (int i = 0; i < 24; i++) accepted = map.setCost(i % 12, i / 12, cost) == 0 && accepted;
      DistanceMap dmap;
      accepted = dmap.setMoves(true, diagonal) == 0 && accepted;
      if (!accepted) continue;
      ASSERT_EQ(dmap.compute(map, {{0, 0}}), 0);
      for (int x = 1; x < 12; x++) {
        EXPECT_TRUE(std::isfinite(dmap.getDistance(x, 0))) << cost << " " << diagonal << " cell " << x;
        EXPECT_GT(dmap.getDistance(x, 0), dmap.getDistance(x - 1, 0)) << cost << " cell " << x;
      }
      DistanceMap flee;
      for (float coefficient : {-1.2f, -1.0e6f, -1.0e30f}) {
        if (flee.makeFleeMap(map, dmap, coefficient) != 0) continue;
        for (int i = 0; i < 24; i++) EXPECT_TRUE(std::isfinite(flee.getDistance(i % 12, i / 12)));
      }
    }
  }
}

TEST(DistanceMap, RefusesBadInput) {
  DistanceMap dmap;
  for (float bad : {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(), INF})
    EXPECT_EQ(dmap.setMoves(true, bad), -1);
  EXPECT_FLOAT_EQ(dmap.getDiagonalCost(), 1.41421356f);
  CellMap map(5, 5);
  map.setWalkable(2, 2, false);
  EXPECT_EQ(dmap.compute(map, {{2, 2}, {9, 9}, {-1, 0}}), -1);  // no usable goal
  EXPECT_FALSE(dmap.isReachable(0, 0));
  EXPECT_EQ(dmap.compute(map, {{0, 0}}), 0);
  EXPECT_FALSE(dmap.isReachable(2, 2));
  EXPECT_FALSE(dmap.isReachable(7, 0));
  coord_struct next{};
  EXPECT_FALSE(dmap.nextStep(map, 0, 0, next));  // at the goal
  DistanceMap flee;
  EXPECT_EQ(flee.makeFleeMap(map, dmap, 0.5f), -1);
  CellMap other(4, 4);
  EXPECT_EQ(flee.makeFleeMap(other, dmap), -1);
}

}  // namespace
