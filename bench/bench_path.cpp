// Path searches on seeded maps (random obstacles and mazes, three sizes):
// the engine's incremental search, hard-cell tests through the world
// included, against libtcod's A* when it is installed. Both use the same
// rules (8 neighbours, diagonal sqrt(2), no squeezing between two walls), and
// the path costs of both are compared before anything is timed.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "BenchSupport.h"
#include "Sorbelane.h"

#ifdef SORBELANE_BENCH_LIBTCOD
#include <libtcod/path.h>
#endif

namespace {

constexpr int QUERIES = 32;

struct Query {
  int sx, sy, ex, ey;
};

struct Map {
  int w = 0, h = 0;
  std::vector<char> wall;
  std::vector<Query> queries;
  bool blocked(int x, int y) const { return wall[y * w + x] != 0; }
};

// Connected parts of the free cells under the engine's moves.
std::vector<int> components(const Map &map) {
  std::vector<int> part(map.wall.size(), -1);
  int parts = 0;
  for (int i = 0; i < map.w * map.h; i++) {
    if (map.wall[i] || part[i] >= 0) continue;
    std::vector<int> stack = {i};
    part[i] = parts;
    while (!stack.empty()) {
      int cell = stack.back();
      stack.pop_back();
      int x = cell % map.w, y = cell / map.w;
      for (int dy = -1; dy <= 1; dy++) {
        for (int dx = -1; dx <= 1; dx++) {
          int c = x + dx, d = y + dy;
          if (c < 0 || d < 0 || c >= map.w || d >= map.h || map.blocked(c, d)) continue;
          if (dx && dy && map.blocked(c, y) && map.blocked(x, d)) continue;
          if (part[d * map.w + c] < 0) {
            part[d * map.w + c] = parts;
            stack.push_back(d * map.w + c);
          }
        }
      }
    }
    parts++;
  }
  return part;
}

// Reachable pairs of free cells at least a quarter of the map's width apart.
void chooseQueries(Map &map, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<int> part = components(map);
  while (static_cast<int>(map.queries.size()) < QUERIES) {
    Query q{static_cast<int>(random() % map.w), static_cast<int>(random() % map.h),
            static_cast<int>(random() % map.w), static_cast<int>(random() % map.h)};
    int a = q.sy * map.w + q.sx, b = q.ey * map.w + q.ex;
    if (map.wall[a] || map.wall[b] || part[a] != part[b]) continue;
    if (std::abs(q.sx - q.ex) < map.w / 4) continue;
    map.queries.push_back(q);
  }
}

Map randomMap(int w, int h, unsigned seed) {
  Map map;
  map.w = w, map.h = h;
  std::mt19937 random(seed);
  map.wall.resize(static_cast<size_t>(w * h));
  for (char &cell : map.wall) cell = random() % 100 < 25;
  chooseQueries(map, seed + 1);
  return map;
}

// A perfect maze on the odd cells, with one wall in twenty knocked out so
// that there are loops and ties.
Map mazeMap(int w, int h, unsigned seed) {
  Map map;
  map.w = w, map.h = h;
  map.wall.assign(static_cast<size_t>(w * h), 1);
  std::mt19937 random(seed);
  int cw = (w - 1) / 2, ch = (h - 1) / 2;
  std::vector<char> seen(static_cast<size_t>(cw * ch), 0);
  std::vector<std::pair<int, int>> stack = {{0, 0}};
  seen[0] = 1;
  map.wall[1 * w + 1] = 0;
  const int DX[4] = {1, -1, 0, 0}, DY[4] = {0, 0, 1, -1};
  while (!stack.empty()) {
    auto [x, y] = stack.back();
    int options[4], n = 0;
    for (int k = 0; k < 4; k++) {
      int c = x + DX[k], d = y + DY[k];
      if (c >= 0 && d >= 0 && c < cw && d < ch && !seen[d * cw + c]) options[n++] = k;
    }
    if (n == 0) {
      stack.pop_back();
      continue;
    }
    int k = options[random() % n];
    int c = x + DX[k], d = y + DY[k];
    seen[d * cw + c] = 1;
    map.wall[(2 * d + 1) * w + 2 * c + 1] = 0;
    map.wall[(y + d + 1) * w + x + c + 1] = 0;
    stack.push_back({c, d});
  }
  for (int y = 1; y < h - 1; y++)
    for (int x = 1; x < w - 1; x++)
      if (random() % 20 == 0) map.wall[y * w + x] = 0;
  chooseQueries(map, seed + 1);
  return map;
}

const Map &mapFor(int kind, int size) {
  static std::vector<Map> maps;
  static const int W[3] = {80, 200, 400}, H[3] = {24, 60, 120};
  if (maps.empty())
    for (int k = 0; k < 2; k++)
      for (int s = 0; s < 3; s++)
        maps.push_back(k == 0 ? randomMap(W[s], H[s], 11 + s) : mazeMap(W[s], H[s], 21 + s));
  return maps[kind * 3 + size];
}

std::string mapName(int kind, int size) {
  static const char *SIZES[3] = {"80x24", "200x60", "400x120"};
  return std::string(kind == 0 ? "random " : "maze ") + SIZES[size];
}

[[maybe_unused]] double pathCost(const std::vector<std::pair<int, int>> &cells) {
  double cost = 0;
  for (size_t i = 1; i < cells.size(); i++) {
    bool diagonal = cells[i].first != cells[i - 1].first && cells[i].second != cells[i - 1].second;
    cost += diagonal ? std::sqrt(2.0) : 1.0;
  }
  return cost;
}

// --- The engine ----------------------------------------------------------------

sb::Object *g_mover = nullptr;
const Map *g_loaded = nullptr;

using bench_support::startEngineOnce;

// The map's walls as HARD objects in a world of its size, with a grid that
// covers it (the grid has n x n cells of n units for n = width).
void loadWorld(const Map &map) {
  startEngineOnce();
  if (g_loaded == &map) return;
  sb::WorldManager &world = sb::WorldManager::getInstance();
  world.markForDelete(world.getAllObjects(true));
  world.update();
  world.setBoundary(sb::Box(sb::Vector(0, 0), static_cast<float>(map.w), static_cast<float>(map.h)));
#if SORBELANE_GRID
  world.getSceneGraph().getGrid().setDimensions(static_cast<int>(std::ceil(std::sqrt(map.w))),
                                                static_cast<int>(std::ceil(std::sqrt(map.h))));
#endif
  for (int y = 0; y < map.h; y++)
    for (int x = 0; x < map.w; x++)
      if (map.blocked(x, y))
        (new sb::Object)->setPosition(sb::Vector(static_cast<float>(x), static_cast<float>(y)));
  g_mover = new sb::Object;
  g_mover->setSolidness(sb::SPECTRAL);
  g_loaded = &map;
}

// One whole search; the cells of the path and the number of expansions.
std::vector<std::pair<int, int>> engineSearch(const Query &q, int *expanded) {
  sb::Vector from(static_cast<float>(q.sx), static_cast<float>(q.sy));
  g_mover->setPosition(from);
  sb::PathFind search(g_mover, from, sb::Vector(static_cast<float>(q.ex), static_cast<float>(q.ey)));
  while (search.cycleOnce() == sb::SEARCHING) {
  }
  if (expanded) *expanded = search.getNumPlies();
  std::vector<std::pair<int, int>> cells;
  for (const sb::Vector &node : search.getPath().getPath())
    cells.push_back({static_cast<int>(node.getX()), static_cast<int>(node.getY())});
  return cells;
}

void report(benchmark::State &state, long long expanded_per_round) {
  state.counters["us_per_search"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * QUERIES / 1e6,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["ns_per_cell"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * static_cast<double>(expanded_per_round) / 1e9,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["cells_per_search"] =
      static_cast<double>(expanded_per_round) / static_cast<double>(QUERIES);
}

#ifdef SORBELANE_BENCH_LIBTCOD
// --- libtcod -------------------------------------------------------------------

struct TcodContext {
  const Map *map;
  long long expanded;
  int last_from;
};

float tcodCost(int xf, int yf, int xt, int yt, void *user_data) {
  TcodContext *context = static_cast<TcodContext *>(user_data);
  const Map &map = *context->map;
  int from = yf * map.w + xf;
  if (from != context->last_from) {
    context->last_from = from;
    context->expanded++;
  }
  if (map.blocked(xt, yt)) return 0;
  if (xf != xt && yf != yt && map.blocked(xt, yf) && map.blocked(xf, yt)) return 0;
  return 1;
}

std::vector<std::pair<int, int>> tcodSearch(TCOD_path_t path, const Query &q) {
  std::vector<std::pair<int, int>> cells;
  if (!TCOD_path_compute(path, q.sx, q.sy, q.ex, q.ey)) return cells;
  cells.push_back({q.sx, q.sy});
  int size = TCOD_path_size(path);
  for (int i = 0; i < size; i++) {
    int x, y;
    TCOD_path_get(path, i, &x, &y);
    cells.push_back({x, y});
  }
  return cells;
}
#endif

// Both searches must find paths of the same cost before either is timed.
bool checkAgreement(int kind, int size, std::string *error) {
  const Map &map = mapFor(kind, size);
  loadWorld(map);
#ifdef SORBELANE_BENCH_LIBTCOD
  TcodContext context{&map, 0, -1};
  TCOD_path_t path = TCOD_path_new_using_function(map.w, map.h, tcodCost, &context,
                                                  static_cast<float>(std::sqrt(2.0)));
  for (const Query &q : map.queries) {
    double engine = pathCost(engineSearch(q, nullptr));
    double tcod = pathCost(tcodSearch(path, q));
    if (std::fabs(engine - tcod) > 1e-3) {
      char text[200];
      snprintf(text, sizeof text, "%s: (%d,%d)->(%d,%d) engine %.4f, libtcod %.4f",
               mapName(kind, size).c_str(), q.sx, q.sy, q.ex, q.ey, engine, tcod);
      *error = text;
      TCOD_path_delete(path);
      return false;
    }
  }
  TCOD_path_delete(path);
#else
  (void)error;
#endif
  return true;
}

// The map a benchmark's arguments name, labelled, once both searches agree
// on it; null (the benchmark skipped with the disagreement) otherwise.
const Map *agreedMap(benchmark::State &state) {
  int kind = static_cast<int>(state.range(0)), size = static_cast<int>(state.range(1));
  state.SetLabel(mapName(kind, size));
  std::string error;
  if (!checkAgreement(kind, size, &error)) {
    state.SkipWithError(error.c_str());
    return nullptr;
  }
  return &mapFor(kind, size);
}

void BM_EngineSearch(benchmark::State &state) {
  const Map *p_map = agreedMap(state);
  if (!p_map) return;
  const Map &map = *p_map;
  loadWorld(map);
  long long expanded_per_round = 0;
  for (const Query &q : map.queries) {
    int expanded = 0;
    engineSearch(q, &expanded);
    expanded_per_round += expanded;
  }
  for (auto _ : state)
    for (const Query &q : map.queries) benchmark::DoNotOptimize(engineSearch(q, nullptr));
  report(state, expanded_per_round);
}

#ifdef SORBELANE_BENCH_LIBTCOD
void BM_LibtcodSearch(benchmark::State &state) {
  const Map *p_map = agreedMap(state);
  if (!p_map) return;
  const Map &map = *p_map;
  TcodContext context{&map, 0, -1};
  TCOD_path_t path = TCOD_path_new_using_function(map.w, map.h, tcodCost, &context,
                                                  static_cast<float>(std::sqrt(2.0)));
  for (const Query &q : map.queries) tcodSearch(path, q);
  long long expanded_per_round = context.expanded;
  for (auto _ : state)
    for (const Query &q : map.queries) benchmark::DoNotOptimize(tcodSearch(path, q));
  TCOD_path_delete(path);
  report(state, expanded_per_round);
}
#endif

void mapArguments(benchmark::internal::Benchmark *bench) {
  for (int kind = 0; kind < 2; kind++)
    for (int size = 0; size < 3; size++) bench->Args({kind, size});
}

}  // namespace

BENCHMARK(BM_EngineSearch)->Apply(mapArguments)->Unit(benchmark::kMillisecond);
#ifdef SORBELANE_BENCH_LIBTCOD
BENCHMARK(BM_LibtcodSearch)->Apply(mapArguments)->Unit(benchmark::kMillisecond);
#endif

BENCHMARK_MAIN();
