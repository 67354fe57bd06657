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
inline bool stepAllowed(const CellMap &map, int x, int y, int k, bool squeeze) {
  int c = x + DX[k], d = y + DY[k];
  if (!map.isWalkable(c, d)) return false;
  return !diagonalStep(k) || squeeze || map.isWalkable(c, y) || map.isWalkable(x, d);
}

}  // namespace

DistanceMap::DistanceMap()
    : width(0), height(0), eight_way(true), squeeze(false), diagonal_cost(1.41421356f) {}

int DistanceMap::setMoves(bool new_eight_way, float diagonal, bool new_squeeze) {
  if (!(diagonal > 0 && diagonal <= MAX_FACTOR)) {
    LogManager::getInstance().writeLog(
        "DistanceMap::setMoves(): Error! diagonal cost %g is not a cost above 0 and at most %g.",
        static_cast<double>(diagonal), static_cast<double>(MAX_FACTOR));
    return -1;
  }
  eight_way = new_eight_way;
  diagonal_cost = diagonal;
  squeeze = new_squeeze;
  return 0;
}

void DistanceMap::prepare(const CellMap &map) {
  // A map of another shape moves the blocked border, even with as many cells.
  const bool reshaped = map.getWidth() != width || map.getHeight() != height;
  width = map.getWidth();
  height = map.getHeight();
  const int pw = width + 2;
  const std::size_t cells = static_cast<std::size_t>(pw) * (height + 2);
  if (reshaped || costs.size() != cells) {
    costs.assign(cells, UNREACHABLE);
    open.assign(cells, 0);
    heap.clear();
    heap.reserve(cells + 1);
  } else {
    std::fill(costs.begin(), costs.end(), UNREACHABLE);
  }
  const std::uint8_t *flags = map.data();
  const float *cell_costs = map.costData();
  if (cell_costs)
    step_costs.assign(cells, 1.0f);
  else
    step_costs.clear();
  for (int y = 0; y < height; y++) {
    std::uint8_t *row = open.data() + (y + 1) * pw + 1;
    for (int x = 0; x < width; x++) row[x] = (flags[y * width + x] & CellMap::WALKABLE) ? 1 : 0;
    if (cell_costs)
      std::copy(cell_costs + y * width, cell_costs + (y + 1) * width,
                step_costs.data() + (y + 1) * pw + 1);
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
template <bool BUCKETS>
void DistanceMap::relax(const CellMap &) {
  const float *cell_costs = step_costs.empty() ? nullptr : step_costs.data();
  const std::uint8_t *enter = open.data();
  const int pw = width + 2;
  const int offsets[8] = {-pw - 1, -pw, -pw + 1, -1, 1, pw - 1, pw, pw + 1};
  for (;;) {
    Entry e;
    if (BUCKETS) {
      if (!popBucket(e)) break;
    } else {
      if (heap.empty()) break;
      e = pop();
    }
    if (e.cost > costs[e.cell]) continue;  // a later, cheaper entry came first
    bool can[8];
    for (int k = 0; k < 8; k++) can[k] = enter[e.cell + offsets[k]] != 0;
    for (int k = 0; k < 8; k++) {
      if (!can[k]) continue;
      float step = 1.0f;
      if (diagonalStep(k)) {
        // The side cells of a diagonal step: its row's and its column's neighbour.
        const int side_row = k < 3 ? 1 : 6, side_column = (k == 0 || k == 5) ? 3 : 4;
        if (!eight_way || (!squeeze && !can[side_row] && !can[side_column])) continue;
        step = diagonal_cost;
      }
      const int next = e.cell + offsets[k];
      if (cell_costs) step *= cell_costs[next];
      const float cost = e.cost + step;
      if (cost < costs[next]) {
        costs[next] = cost;
        if (BUCKETS)
          pushBucket(cost, next);
        else
          push(cost, next);
      }
    }
  }
}

// Buckets of costs bucket_width wide: no step costs less than twice the width,
// so a cell taken from the lowest bucket can no longer be reached more cheaply
// from a cell of its own bucket or a later one, whatever the order within the
// bucket, and the search settles every cell as Dijkstra's does. The width
// leaves room for the rounding of the costs' sums.
bool DistanceMap::useBuckets(const CellMap &map) {
  float min_cost = 1, max_cost = 1;
  if (const float *cell_costs = map.costData()) {
    const auto range =
        std::minmax_element(cell_costs, cell_costs + map.getWidth() * map.getHeight());
    min_cost = *range.first;
    max_cost = *range.second;
  }
  const double min_step = (eight_way ? std::min(1.0f, diagonal_cost) : 1.0f) * min_cost;
  const double max_step = (eight_way ? std::max(1.0f, diagonal_cost) : 1.0f) * max_cost;
  bucket_width = min_step / 2;
  const double spread = max_step / bucket_width;
  // A few buckets in flight, and sums small enough for the rounding margin.
  if (spread > 60 || static_cast<double>(costs.size()) * spread > 4e6) return false;
  std::size_t ring = 4;
  while (ring < spread + 2) ring *= 2;
  if (buckets.size() < ring) buckets.resize(ring);
  for (std::vector<Entry> &bucket : buckets) bucket.clear();
  ring_mask = ring - 1;
  current_bucket = 0;
  bucket_entries = 0;
  return true;
}

void DistanceMap::pushBucket(float cost, std::int32_t cell) {
  const std::uint64_t k = static_cast<std::uint64_t>(cost / bucket_width);
  buckets[k & ring_mask].push_back(Entry{cost, cell});
  bucket_entries++;
}

bool DistanceMap::popBucket(Entry &e) {
  if (bucket_entries == 0) return false;
  while (buckets[current_bucket & ring_mask].empty()) current_bucket++;
  std::vector<Entry> &bucket = buckets[current_bucket & ring_mask];
  e = bucket.back();
  bucket.pop_back();
  bucket_entries--;
  return true;
}

int DistanceMap::compute(const CellMap &map, const std::vector<coord_struct> &goals) {
  prepare(map);
  heap.clear();
  int goal_cells = 0;
  for (const coord_struct &goal : goals) {
    if (!map.isWalkable(goal.x, goal.y)) {
      LogManager::getInstance().writeLog(
          "DistanceMap::compute(): Warning! goal (%d, %d) is not a walkable cell of the %d x %d "
          "map; left out.",
          goal.x, goal.y, width, height);
      continue;
    }
    goal_cells++;
  }
  if (goal_cells == 0) {
    LogManager::getInstance().writeLog("DistanceMap::compute(): Error! no goal on the map.");
    return -1;
  }
  const bool buckets_used = useBuckets(map);
  for (const coord_struct &goal : goals) {
    if (!map.isWalkable(goal.x, goal.y)) continue;
    int cell = padded(goal.x, goal.y);
    if (costs[cell] == 0) continue;
    costs[cell] = 0;
    if (buckets_used)
      pushBucket(0, cell);
    else
      push(0, cell);
  }
  if (buckets_used)
    relax<true>(map);
  else
    relax<false>(map);
  return 0;
}

int DistanceMap::makeFleeMap(const CellMap &map, const DistanceMap &chase, float coefficient) {
  if (chase.width != map.getWidth() || chase.height != map.getHeight() ||
      !(coefficient < 0 && coefficient >= -MAX_FACTOR)) {
    LogManager::getInstance().writeLog(
        "DistanceMap::makeFleeMap(): Error! a %d x %d distance map for a %d x %d map, "
        "coefficient %g (must be below 0, at least -1e6).",
        chase.width, chase.height, map.getWidth(), map.getHeight(),
        static_cast<double>(coefficient));
    return -1;
  }
  if (&chase != this) {
    prepare(map);
    eight_way = chase.eight_way;
    diagonal_cost = chase.diagonal_cost;
    squeeze = chase.squeeze;
  }
  heap.clear();
  for (std::size_t cell = 0; cell < chase.costs.size(); cell++) {
    if (chase.costs[cell] == UNREACHABLE) continue;
    float start = chase.costs[cell] * coefficient;
    costs[cell] = start;
    push(start, static_cast<std::int32_t>(cell));
  }
  relax<false>(map);
  return 0;
}

bool DistanceMap::nextStep(const CellMap &map, int x, int y, coord_struct &next) const {
  float here = getDistance(x, y);
  if (here == UNREACHABLE || map.getWidth() != width || map.getHeight() != height) return false;
  float best = here;
  int best_k = -1;
  for (int k = 0; k < 8; k++) {
    if (!eight_way && diagonalStep(k)) continue;
    if (!stepAllowed(map, x, y, k, squeeze)) continue;
    float there = costs[padded(x + DX[k], y + DY[k])];
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
