// Field of view and distance maps on seeded random maps (20 % walls) of three
// sizes, from many origins: the engine against libtcod when it is installed.
// The answers of both are compared cell by cell before anything is timed.
// Prints one line per map and algorithm: size, algorithm, then microseconds
// per computation (CPU time, best of three runs) for the engine and for libtcod
// ("-" without libtcod).
#include <cmath>
#include <ctime>
#include <cstdio>
#include <random>
#include <vector>

#include "Sorbelane.h"

#ifdef SORBELANE_BENCH_LIBTCOD
#include <libtcod/fov.h>
#include <libtcod/path.h>
#endif

namespace {

constexpr int ORIGINS = 64;

struct Map {
  int w, h;
  sb::CellMap cells;
  std::vector<int> origins;  // cell numbers of floor cells
};

Map randomMap(int w, int h, unsigned seed) {
  Map map{w, h, sb::CellMap(w, h), {}};
  std::mt19937 random(seed);
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      bool wall = random() % 100 < 20;
      map.cells.setProperties(x, y, !wall, !wall);
    }
  while (static_cast<int>(map.origins.size()) < ORIGINS) {
    int cell = static_cast<int>(random() % (w * h));
    if (map.cells.data()[cell] & sb::CellMap::TRANSPARENT) map.origins.push_back(cell);
  }
  return map;
}

double cpuMicroseconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

// CPU microseconds per call of f(origin), over rounds of all origins lasting
// at least 0.2 s of CPU time; the best of three such runs (the machine is shared).
template <class F>
double timePerCall(const Map &map, F f) {
  double best = 0;
  for (int run = 0; run < 3; run++) {
    long calls = 0;
    double start = cpuMicroseconds(), elapsed = 0;
    do {
      for (int cell : map.origins) f(cell % map.w, cell / map.w);
      calls += ORIGINS;
      elapsed = cpuMicroseconds() - start;
    } while (elapsed < 200000);
    double per_call = elapsed / static_cast<double>(calls);
    if (run == 0 || per_call < best) best = per_call;
  }
  return best;
}

#ifdef SORBELANE_BENCH_LIBTCOD
TCOD_Map *tcodMap(const Map &map) {
  TCOD_Map *p_map = TCOD_map_new(map.w, map.h);
  for (int y = 0; y < map.h; y++)
    for (int x = 0; x < map.w; x++)
      TCOD_map_set_properties(p_map, x, y, map.cells.isTransparent(x, y),
                              map.cells.isWalkable(x, y));
  return p_map;
}
#endif

void benchFov(Map &map, const char *name, sb::FovAlgorithm algorithm, int tcod_algorithm) {
  sb::FieldOfView fov;
  double engine = timePerCall(map, [&](int x, int y) { fov.compute(map.cells, x, y, 0, true, algorithm); });
#ifdef SORBELANE_BENCH_LIBTCOD
  TCOD_Map *p_map = tcodMap(map);
  long differ = 0;
  for (int cell : map.origins) {
    int ox = cell % map.w, oy = cell / map.w;
    fov.compute(map.cells, ox, oy, 0, true, algorithm);
    TCOD_map_compute_fov(p_map, ox, oy, 0, true, static_cast<TCOD_fov_algorithm_t>(tcod_algorithm));
    for (int y = 0; y < map.h; y++)
      for (int x = 0; x < map.w; x++) differ += fov.isVisible(x, y) != TCOD_map_is_in_fov(p_map, x, y);
  }
  if (differ) std::printf("%dx%d %s: %ld cells differ from libtcod\n", map.w, map.h, name, differ);
  double tcod = timePerCall(map, [&](int x, int y) {
    TCOD_map_compute_fov(p_map, x, y, 0, true, static_cast<TCOD_fov_algorithm_t>(tcod_algorithm));
  });
  TCOD_map_delete(p_map);
  std::printf("%dx%d %-22s %9.2f %9.2f\n", map.w, map.h, name, engine, tcod);
#else
  (void)tcod_algorithm;
  std::printf("%dx%d %-22s %9.2f -\n", map.w, map.h, name, engine);
#endif
  std::fflush(stdout);
}

// Distance maps from one goal, eight-way, diagonal cost 1.41, as libtcod moves.
void benchDistance(Map &map) {
  sb::DistanceMap dmap;
  // libtcod's moves: diagonals squeeze between walls; it keeps costs in
  // hundredths, so the diagonal costs 1.41 in both.
  dmap.setMoves(true, 1.41f, true);
  std::vector<sb::coord_struct> goal(1);
  double engine = timePerCall(map, [&](int x, int y) {
    goal[0] = sb::coord_struct{x, y};
    dmap.compute(map.cells, goal);
  });
#ifdef SORBELANE_BENCH_LIBTCOD
  TCOD_Map *p_map = tcodMap(map);
  TCOD_dijkstra_t p_dijkstra = TCOD_dijkstra_new(p_map, 1.41f);
  long differ = 0;
  for (int cell : map.origins) {
    int gx = cell % map.w, gy = cell / map.w;
    goal[0] = sb::coord_struct{gx, gy};
    dmap.compute(map.cells, goal);
    TCOD_dijkstra_compute(p_dijkstra, gx, gy);
    for (int y = 0; y < map.h; y++)
      for (int x = 0; x < map.w; x++) {
        float tcod = TCOD_dijkstra_get_distance(p_dijkstra, x, y), ours = dmap.getDistance(x, y);
        bool tcod_reached = tcod >= 0;
        if (tcod_reached != dmap.isReachable(x, y) ||
            (tcod_reached && std::fabs(tcod - ours) > 1e-3f * (1 + tcod)))
          differ++;
      }
  }
  if (differ) std::printf("%dx%d distance-map: %ld cells differ from libtcod\n", map.w, map.h, differ);
  double tcod = timePerCall(map, [&](int x, int y) { TCOD_dijkstra_compute(p_dijkstra, x, y); });
  TCOD_dijkstra_delete(p_dijkstra);
  TCOD_map_delete(p_map);
  std::printf("%dx%d %-22s %9.2f %9.2f\n", map.w, map.h, "distance-map", engine, tcod);
#else
  std::printf("%dx%d %-22s %9.2f -\n", map.w, map.h, "distance-map", engine);
#endif
  std::fflush(stdout);
}

}  // namespace

int main() {
  const int sizes[3][2] = {{80, 24}, {200, 60}, {400, 120}};
  for (const auto &size : sizes) {
    Map map = randomMap(size[0], size[1], 1234u + static_cast<unsigned>(size[0]));
#ifdef SORBELANE_BENCH_LIBTCOD
    benchFov(map, "symmetric-shadowcast", sb::FOV_SYMMETRIC, FOV_SYMMETRIC_SHADOWCAST);
    benchFov(map, "permissive-8", sb::FOV_PERMISSIVE, FOV_PERMISSIVE_8);
#else
    benchFov(map, "symmetric-shadowcast", sb::FOV_SYMMETRIC, 0);
    benchFov(map, "permissive-8", sb::FOV_PERMISSIVE, 0);
#endif
    benchDistance(map);
  }
  return 0;
}
