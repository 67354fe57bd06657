#include "DistanceMap.h"

#include <algorithm>
#include <cmath>

#include "CellMap.h"
#include "LogManager.h"

namespace sb {

namespace {

// The eight neighbours in reading order; the side steps are 1, 3, 4 and 6.
const int DX[8] = {-1, 0, 1, -1, 1, -1, 0, 1};
const int DY[8] = {-1, -1, -1, 0, 0, 1, 1, 1};

inline bool diagonalStep(int k) { return DX[k] != 0 && DY[k] != 0; }

// Whether a step from (x, y) in direction k is allowed on the map.
inline bool stepAllowed(const CellMap &map, int x, int y, int k) {
  int c = x + DX[k], d = y + DY[k];
  if (!map.isWalkable(c, d)) return false;
  return !diagonalStep(k) || map.isWalkable(c, y) || map.isWalkable(x, d);
}

}  // namespace

DistanceMap::DistanceMap() : width(0), height(0), eight_way(true), diagonal_cost(1.41421356f) {}

int DistanceMap::setMoves(bool new_eight_way, float diagonal) {
  if (!(diagonal > 0) || !std::isfinite(diagonal)) {
    LogManager::getInstance().writeLog(
        "DistanceMap::setMoves(): Error! diagonal cost %g is not a finite cost above 0.",
        static_cast<double>(diagonal));
    return -1;
  }
  eight_way = new_eight_way;
  diagonal_cost = diagonal;
  return 0;
}

void DistanceMap::prepare(const CellMap &map) {
  width = map.getWidth();
  height = map.getHeight();
  std::size_t cells = static_cast<std::size_t>(width) * height;
  if (costs.size() != cells) {
    costs.assign(cells, UNREACHABLE);
    heap.clear();
    heap.reserve(cells + 1);
  } else {
    std::fill(costs.begin(), costs.end(), UNREACHABLE);
  }
}

void DistanceMap::push(float cost, std::int32_t cell) {
  heap.push_back(Entry{cost, cell});
  std::size_t i = heap.size() - 1;
  Entry entry = heap[i];
  while (i > 0) {
    std::size_t up = (i - 1) / 2;
    if (heap[up].cost <= entry.cost) break;
    heap[i] = heap[up];
    i = up;
  }
  heap[i] = entry;
}

DistanceMap::Entry DistanceMap::pop() {
  Entry top = heap[0], last = heap.back();
  heap.pop_back();
  std::size_t n = heap.size(), i = 0;
  if (n == 0) return top;
  for (;;) {
    std::size_t child = 2 * i + 1;
    if (child >= n) break;
    if (child + 1 < n && heap[child + 1].cost < heap[child].cost) child++;
    if (heap[child].cost >= last.cost) break;
    heap[i] = heap[child];
    i = child;
  }
  heap[i] = last;
  return top;
}

// Dijkstra's search from every cell on the heap, each holding its start cost.
void DistanceMap::relax(const CellMap &map) {
  const float *cell_costs = map.costData();
  const int directions = eight_way ? 8 : 4;
  static const int SIDE_ONLY[4] = {1, 3, 4, 6};
  while (!heap.empty()) {
    Entry e = pop();
    if (e.cost > costs[e.cell]) continue;  // a later, cheaper entry came first
    const int x = e.cell % width, y = e.cell / width;
    for (int i = 0; i < directions; i++) {
      const int k = eight_way ? i : SIDE_ONLY[i];
      const int c = x + DX[k], d = y + DY[k];
      if (c < 0 || d < 0 || c >= width || d >= height || !stepAllowed(map, x, y, k)) continue;
      const int next = d * width + c;
      float step = diagonalStep(k) ? diagonal_cost : 1.0f;
      if (cell_costs) step *= cell_costs[next];
      const float cost = e.cost + step;
      if (cost < costs[next]) {
        costs[next] = cost;
        push(cost, next);
      }
    }
  }
}

int DistanceMap::compute(const CellMap &map, const std::vector<coord_struct> &goals) {
  prepare(map);
  heap.clear();
  for (const coord_struct &goal : goals) {
    if (!map.isWalkable(goal.x, goal.y)) {
      LogManager::getInstance().writeLog(
          "DistanceMap::compute(): Warning! goal (%d, %d) is not a walkable cell of the %d x %d "
          "map; left out.",
          goal.x, goal.y, width, height);
      continue;
    }
    int cell = map.index(goal.x, goal.y);
    if (costs[cell] == 0) continue;
    costs[cell] = 0;
    push(0, cell);
  }
  if (heap.empty()) {
    LogManager::getInstance().writeLog("DistanceMap::compute(): Error! no goal on the map.");
    return -1;
  }
  relax(map);
  return 0;
}

int DistanceMap::makeFleeMap(const CellMap &map, const DistanceMap &chase, float coefficient) {
  if (chase.width != map.getWidth() || chase.height != map.getHeight() || !(coefficient < 0) ||
      !std::isfinite(coefficient)) {
    LogManager::getInstance().writeLog(
        "DistanceMap::makeFleeMap(): Error! a %d x %d distance map for a %d x %d map, "
        "coefficient %g (must be below 0).",
        chase.width, chase.height, map.getWidth(), map.getHeight(),
        static_cast<double>(coefficient));
    return -1;
  }
  if (&chase != this) {
    prepare(map);
    eight_way = chase.eight_way;
    diagonal_cost = chase.diagonal_cost;
  }
  heap.clear();
  for (std::size_t cell = 0; cell < chase.costs.size(); cell++) {
    if (chase.costs[cell] == UNREACHABLE) continue;
    float start = chase.costs[cell] * coefficient;
    costs[cell] = start;
    push(start, static_cast<std::int32_t>(cell));
  }
  relax(map);
  return 0;
}

bool DistanceMap::nextStep(const CellMap &map, int x, int y, coord_struct &next) const {
  float here = getDistance(x, y);
  if (here == UNREACHABLE || map.getWidth() != width || map.getHeight() != height) return false;
  float best = here;
  int best_k = -1;
  for (int k = 0; k < 8; k++) {
    if (!eight_way && diagonalStep(k)) continue;
    if (!stepAllowed(map, x, y, k)) continue;
    float there = costs[(y + DY[k]) * width + x + DX[k]];
    if (there < best) {
      best = there;
      best_k = k;
    }
  }
  if (best_k < 0) return false;
  next = coord_struct{x + DX[best_k], y + DY[best_k]};
  return true;
}

}  // namespace sb
