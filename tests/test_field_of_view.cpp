// Field of view: libtcod as the oracle on seeded random maps, and the
// properties that hold without it (symmetry, the radius, edge cases).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "CellMap.h"
#include "FieldOfView.h"

#ifdef SORBELANE_TEST_LIBTCOD
#include <libtcod/fov.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using sb::CellMap;
using sb::FieldOfView;

CellMap randomCells(int w, int h, int wall_percent, std::mt19937 &random) {
  CellMap map(w, h);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      bool open = static_cast<int>(random() % 100) >= wall_percent;
      map.setProperties(x, y, open, open);
    }
  return map;
}

// The seen cells as text, '@' the origin, '*' seen, '.' floor, '#' wall.
std::string picture(const CellMap &map, const FieldOfView &fov, int ox, int oy) {
  std::string text;
  for (int y = 0; y < map.getHeight(); y++) {
    for (int x = 0; x < map.getWidth(); x++)
      text += x == ox && y == oy ? '@' : fov.isVisible(x, y) ? '*' : map.isTransparent(x, y) ? '.' : '#';
    text += '\n';
  }
  return text;
}

#ifdef SORBELANE_TEST_LIBTCOD
struct FovQuery {
  int x, y, radius;
  bool light_walls;
  sb::FovAlgorithm algorithm;
};

// libtcod's answers, one byte a cell per query. libtcod 1.18's permissive
// field of view writes past one of its buffers on some maps, so it runs in a
// child process whose heap does not matter, and its answers come back by pipe.
std::vector<std::uint8_t> libtcodAnswers(const CellMap &map, const std::vector<FovQuery> &queries) {
  const int w = map.getWidth(), h = map.getHeight();
  std::vector<std::uint8_t> answers(queries.size() * w * h, 2);
  int fds[2];
  if (pipe(fds) != 0) return answers;
  pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    TCOD_Map *p_tcod = TCOD_map_new(w, h);
    for (int y = 0; y < h; y++)
      for (int x = 0; x < w; x++)
        TCOD_map_set_properties(p_tcod, x, y, map.isTransparent(x, y), map.isWalkable(x, y));
    std::vector<std::uint8_t> cells(w * h);
    for (const FovQuery &q : queries) {
      TCOD_map_compute_fov(p_tcod, q.x, q.y, q.radius, q.light_walls,
                           q.algorithm == sb::FOV_PERMISSIVE ? FOV_PERMISSIVE_8 : FOV_SYMMETRIC_SHADOWCAST);
      for (int i = 0; i < w * h; i++) cells[i] = TCOD_map_is_in_fov(p_tcod, i % w, i / w);
      if (write(fds[1], cells.data(), cells.size()) != static_cast<ssize_t>(cells.size())) _exit(1);
    }
    _exit(0);
  }
  close(fds[1]);
  std::size_t got = 0;
  while (child > 0 && got < answers.size()) {
    ssize_t n = read(fds[0], answers.data() + got, answers.size() - got);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  close(fds[0]);
  if (child > 0) waitpid(child, nullptr, 0);
  return answers;
}

// libtcod tests a symmetric cell's centre against the slopes, and rounds the
// ends of a row, in single precision: where a centre lies exactly on a slope,
// or a row ends exactly halfway across a cell, it may round either way. That
// happens only where the line from the origin's centre to the cell's centre,
// or to the middle of one of its sides, crosses a nearer row's centre line
// exactly halfway between two cells. There a floor cell we see (a centre on
// a slope is lit) or a wall cell either way is that rounding.
bool libtcodRoundedAway(const CellMap &map, const FovQuery &q, int cell, bool we_see) {
  const int w = map.getWidth();
  const bool floor = map.isTransparent(cell % w, cell / w);
  if (q.algorithm != sb::FOV_SYMMETRIC || (floor && !we_see)) return false;
  // The line to (depth, col + shift / 2) meets some row d nearer exactly halfway.
  auto halfway = [](int depth, int col, int shift) {
    depth = std::abs(depth);
    const long long k = 2LL * std::abs(col) + shift;
    for (int d = 1; d < depth && k >= 0 && k <= 2LL * depth; d++)
      if (k * d % depth == 0 && k * d / depth % 2 == 1) return true;
    return false;
  };
  const int dx = cell % w - q.x, dy = cell / w - q.y;
  for (int shift : {0, -1, 1})
    if ((shift == 0 || !floor) && (halfway(dx, dy, shift) || halfway(dy, dx, shift))) return true;
  return false;
}
#endif

TEST(FieldOfView, AgreesWithLibtcodCellByCell) {
#ifndef SORBELANE_TEST_LIBTCOD
  GTEST_SKIP() << "libtcod not installed";
#else
  std::mt19937 random(31);
  const int densities[] = {10, 20, 30, 45};
  const int radii[] = {0, 1, 5, 20};
  const int sizes[][2] = {{1, 1}, {1, 7}, {9, 1}, {2, 2}, {13, 8}, {40, 20}, {80, 24}, {200, 60}};
  FieldOfView fov;
  int maps = 0, rounded = 0;
  for (int round = 0; round < 150; round++) {
    for (const auto &size : sizes) {
      if (size[0] * size[1] > 2000 && round % 4 != 0) continue;  // fewer big maps
      int w = size[0], h = size[1];
      maps++;
      CellMap map = randomCells(w, h, densities[(round + w) % 4], random);
      // Corners, edges and inner cells as origins, every radius, both algorithms.
      const int origins[][2] = {{0, 0}, {w - 1, h - 1}, {0, h - 1}, {w - 1, 0},
                                {static_cast<int>(random() % w), 0},
                                {static_cast<int>(random() % w), static_cast<int>(random() % h)}};
      // libtcod's permissive view of a map one cell thin is its origin alone;
      // CorridorsAreSeenToTheFirstWall holds those maps to the right answer.
      const bool thin = w == 1 || h == 1;
      std::vector<FovQuery> queries;
      for (const auto &origin : origins)
        for (int radius : radii)
          for (sb::FovAlgorithm algorithm : {sb::FOV_SYMMETRIC, sb::FOV_PERMISSIVE})
            if (!thin || algorithm == sb::FOV_SYMMETRIC)
              queries.push_back({origin[0], origin[1], radius, (random() & 1) != 0, algorithm});
      std::vector<std::uint8_t> answers = libtcodAnswers(map, queries);
      for (std::size_t k = 0; k < queries.size(); k++) {
        const FovQuery &q = queries[k];
        ASSERT_EQ(fov.compute(map, q.x, q.y, q.radius, q.light_walls, q.algorithm), 0);
        int differ = 0;
        for (int i = 0; i < w * h; i++) {
          if (fov.visibleCells()[i] == answers[k * w * h + i]) continue;
          if (libtcodRoundedAway(map, q, i, fov.visibleCells()[i]))
            rounded++;
          else
            differ++;
        }
        ASSERT_EQ(differ, 0) << w << "x" << h << " from (" << q.x << "," << q.y << ") radius "
                             << q.radius << " light walls " << q.light_walls << " algorithm "
                             << q.algorithm << "\n"
                             << picture(map, fov, q.x, q.y);
      }
    }
  }
  EXPECT_GE(maps, 1000);
  EXPECT_LE(rounded, 100);  // the rare cells on a slope, not a whole area
#endif
}

TEST(FieldOfView, SymmetricShadowcastingIsSymmetric) {
  std::mt19937 random(5);
  // Small maps of many shapes, then square ones where centres on a slope
  // (seen from one side only when rounded) come up often.
  for (int round = 0; round < 46; round++) {
    int w = round < 6 ? 12 + round * 3 : 24, h = round < 6 ? 9 + round : 24;
    CellMap map = randomCells(w, h, 15 + 5 * (round % 8), random);
    std::vector<std::vector<std::uint8_t>> sees;
    FieldOfView fov;
    for (int i = 0; i < w * h; i++) {
      fov.compute(map, i % w, i / w);
      sees.emplace_back(fov.visibleCells(), fov.visibleCells() + w * h);
    }
    for (int a = 0; a < w * h; a++) {
      for (int b = 0; b < w * h; b++) {
        if (map.data()[a] && map.data()[b]) {
          ASSERT_EQ(sees[a][b], sees[b][a]) << "cells " << a << " and " << b << " on map " << round;
        }
      }
    }
  }
}

// Maps one cell thin, walls at random: from any origin both algorithms see
// along the line up to the first wall (the wall too with light walls), within
// the radius (a circle for symmetric, a square for permissive).
TEST(FieldOfView, CorridorsAreSeenToTheFirstWall) {
  std::mt19937 random(12);
  FieldOfView fov;
  for (int round = 0; round < 400; round++) {
    const int length = 1 + static_cast<int>(random() % 60);
    const bool across = round % 2 == 0;
    CellMap map(across ? length : 1, across ? 1 : length);
    std::vector<bool> wall(length);
    for (int i = 0; i < length; i++) wall[i] = random() % 100 < 8;
    for (int i = 0; i < length; i++) map.setProperties(across ? i : 0, across ? 0 : i, !wall[i], !wall[i]);
    const int origin = static_cast<int>(random() % length), radius = static_cast<int>(random() % 12);
    const bool light_walls = random() % 2 == 0;
    const auto algorithm = static_cast<sb::FovAlgorithm>(round / 2 % 2);
    ASSERT_EQ(fov.compute(map, across ? origin : 0, across ? 0 : origin, radius, light_walls, algorithm), 0);
    std::vector<std::uint8_t> want(length, 0);
    want[origin] = !wall[origin] || light_walls || algorithm == sb::FOV_PERMISSIVE;
    for (int step : {-1, 1})
      for (int i = origin + step, d = 1; i >= 0 && i < length; i += step, d++) {
        bool in_reach = radius == 0 || (algorithm == sb::FOV_SYMMETRIC ? d < radius : d <= radius);
        if (!in_reach) break;
        want[i] = !wall[i] || light_walls;
        if (wall[i]) break;
      }
    for (int i = 0; i < length; i++)
      ASSERT_EQ(fov.visibleCells()[i], want[i])
          << "corridor of " << length << (across ? " across" : " down") << " from " << origin << " cell "
          << i << " radius " << radius << " light walls " << light_walls << " algorithm " << algorithm;
  }
}

TEST(FieldOfView, RadiusAndEdgeCases) {
  FieldOfView fov;
  // Open map: the circle dx² + dy² < r² (symmetric), the square of the radius (permissive).
  CellMap open(41, 31);
  for (int radius : {1, 2, 5, 12, 20}) {
    fov.compute(open, 20, 15, radius);
    for (int y = 0; y < 31; y++)
      for (int x = 0; x < 41; x++) {
        int d2 = (x - 20) * (x - 20) + (y - 15) * (y - 15);
        ASSERT_EQ(fov.isVisible(x, y), d2 < radius * radius || d2 == 0) << x << "," << y;
      }
    fov.compute(open, 20, 15, radius, true, sb::FOV_PERMISSIVE);
    for (int y = 0; y < 31; y++)
      for (int x = 0; x < 41; x++)
        ASSERT_EQ(fov.isVisible(x, y), std::abs(x - 20) <= radius && std::abs(y - 15) <= radius);
  }
  // No walls, unlimited radius: everything, from any origin, by both algorithms.
  for (int algorithm = 0; algorithm < 2; algorithm++)
    for (int origin : {0, 40, 41 * 31 - 1, 600}) {
      fov.compute(open, origin % 41, origin / 41, 0, false, static_cast<sb::FovAlgorithm>(algorithm));
      for (int i = 0; i < 41 * 31; i++) ASSERT_TRUE(fov.visibleCells()[i]);
    }

  // A one-cell corridor: the corridor and, with light walls, the walls along it.
  CellMap corridor(30, 3);
  corridor.fill(false, false);
  for (int x = 0; x < 30; x++) corridor.setProperties(x, 1, true, true);
  for (int algorithm = 0; algorithm < 2; algorithm++) {
    auto a = static_cast<sb::FovAlgorithm>(algorithm);
    fov.compute(corridor, 4, 1, 0, false, a);
    for (int x = 0; x < 30; x++) {
      EXPECT_TRUE(fov.isVisible(x, 1));
      EXPECT_FALSE(fov.isVisible(x, 0) || fov.isVisible(x, 2));
    }
    fov.compute(corridor, 4, 1, 0, true, a);
    for (int x = 0; x < 30; x++) EXPECT_TRUE(fov.isVisible(x, 0) && fov.isVisible(x, 2)) << x;
  }

  // An origin in a wall: symmetric sees only its walled-in neighbours (lit
  // walls) and nothing without light walls; permissive always sees the origin.
  CellMap block(5, 5);
  block.fill(false, false);
  fov.compute(block, 2, 2, 0, false);
  for (int i = 0; i < 25; i++) EXPECT_FALSE(fov.visibleCells()[i]);
  fov.compute(block, 2, 2, 0, true);
  EXPECT_TRUE(fov.isVisible(2, 2) && fov.isVisible(1, 2) && fov.isVisible(3, 3));
  EXPECT_FALSE(fov.isVisible(0, 2));
  fov.compute(block, 2, 2, 0, false, sb::FOV_PERMISSIVE);
  EXPECT_TRUE(fov.isVisible(2, 2));

  // Fog of war: the seen cells are the union of every view until forget().
  fov.compute(corridor, 0, 1, 3);
  fov.compute(corridor, 29, 1, 3);
  EXPECT_TRUE(fov.wasSeen(0, 1) && fov.wasSeen(29, 1) && !fov.isVisible(0, 1));
  EXPECT_FALSE(fov.wasSeen(15, 1));
  fov.forget();
  EXPECT_FALSE(fov.wasSeen(29, 1));
  EXPECT_TRUE(fov.isVisible(29, 1));

  // Bad input: an origin off the map or a negative radius sees nothing.
  EXPECT_EQ(fov.compute(corridor, 30, 1), -1);
  EXPECT_EQ(fov.compute(corridor, 3, 1, -2), -1);
  EXPECT_FALSE(fov.isVisible(3, 1));
  CellMap empty;
  EXPECT_EQ(fov.compute(empty, 0, 0), -1);
  EXPECT_FALSE(fov.isVisible(0, 0));
}

TEST(CellMap, PropertiesCostsAndBounds) {
  CellMap map(4, 3);
  EXPECT_TRUE(map.isTransparent(3, 2) && map.isWalkable(0, 0));
  EXPECT_FALSE(map.isTransparent(4, 0) || map.isWalkable(-1, 0));  // outside: opaque, blocked
  map.setTransparent(1, 1, false);
  EXPECT_TRUE(!map.isTransparent(1, 1) && map.isWalkable(1, 1));
  map.setWalkable(2, 1, false);
  EXPECT_TRUE(map.isTransparent(2, 1) && !map.isWalkable(2, 1));
  EXPECT_FALSE(map.hasCosts());
  EXPECT_EQ(map.setCost(1, 1, 1.0f), 0);
  EXPECT_FALSE(map.hasCosts());  // cost 1 everywhere needs no table
  EXPECT_EQ(map.setCost(1, 1, 2.5f), 0);
  EXPECT_FLOAT_EQ(map.getCost(1, 1), 2.5f);
  EXPECT_FLOAT_EQ(map.getCost(0, 0), 1.0f);
  for (float bad : {0.0f, -1.0f, std::numeric_limits<float>::infinity(),
                    std::numeric_limits<float>::quiet_NaN()})
    EXPECT_EQ(map.setCost(0, 0, bad), -1);
  EXPECT_EQ(map.setCost(4, 0, 2), -1);
  EXPECT_EQ(map.resize(-1, 3), -1);
  EXPECT_EQ(map.resize(1 << 20, 1 << 20), -1);
  EXPECT_EQ(map.getWidth(), 4);
  EXPECT_EQ(map.resize(2, 2), 0);
  EXPECT_FALSE(map.hasCosts());
}

}  // namespace
