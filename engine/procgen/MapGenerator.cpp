#include "MapGenerator.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "CellMap.h"
#include "LogManager.h"
#include "Random.h"

namespace sb {

namespace {

// A level being made: one byte a cell, 1 for floor, row-major.
struct Grid {
  int width;
  int height;
  std::vector<std::uint8_t> floor;
  Grid(int w, int h) : width(w), height(h), floor(static_cast<std::size_t>(w) * h, 0) {}
  int at(int x, int y) const { return y * width + x; }
  bool inner(int x, int y) const { return x > 0 && y > 0 && x < width - 1 && y < height - 1; }
};

const int DX[4] = {1, -1, 0, 0};
const int DY[4] = {0, 0, 1, -1};

void refuse(const char *operation, const CellMap &map, const char *why) {
  LogManager::getInstance().writeLog("MapGenerator::%s(): Error! %s (map of %d x %d cells).",
                                     operation, why, map.getWidth(), map.getHeight());
}

bool tooSmall(const char *operation, const CellMap &map, int min_side) {
  if (map.getWidth() >= min_side && map.getHeight() >= min_side) return false;
  LogManager::getInstance().writeLog(
      "MapGenerator::%s(): Error! Map of %d x %d cells is too small (at least %d x %d).", operation,
      map.getWidth(), map.getHeight(), min_side, min_side);
  return true;
}

void writeMap(CellMap &map, const Grid &grid) {
  map.fill(false, false);
  for (int y = 0; y < grid.height; y++)
    for (int x = 0; x < grid.width; x++)
      if (grid.floor[grid.at(x, y)]) map.setProperties(x, y, true, true);
}

long long targetCells(const Grid &grid, double share) {
  long long inner = static_cast<long long>(grid.width - 2) * (grid.height - 2);
  long long wanted = static_cast<long long>(std::ceil(share * grid.width * grid.height));
  return std::min(inner, wanted);
}

// The four-way connected floor areas: their cells area by area in `cells`,
// area k from starts[k] to starts[k + 1].
struct Areas {
  std::vector<int> cells;
  std::vector<std::size_t> starts;
  std::size_t size(std::size_t k) const { return starts[k + 1] - starts[k]; }
};

Areas findAreas(const Grid &grid) {
  Areas areas;
  std::vector<char> seen(grid.floor.size(), 0);
  areas.cells.reserve(grid.floor.size());
  for (std::size_t start = 0; start < grid.floor.size(); start++) {
    if (!grid.floor[start] || seen[start]) continue;
    areas.starts.push_back(areas.cells.size());
    areas.cells.push_back(static_cast<int>(start));
    seen[start] = 1;
    for (std::size_t head = areas.starts.back(); head < areas.cells.size(); head++) {
      int x = areas.cells[head] % grid.width, y = areas.cells[head] / grid.width;
      for (int d = 0; d < 4; d++) {
        int n = grid.at(x + DX[d], y + DY[d]);  // floor never touches the border
        if (grid.floor[n] && !seen[n]) {
          seen[n] = 1;
          areas.cells.push_back(n);
        }
      }
    }
  }
  areas.starts.push_back(areas.cells.size());
  return areas;
}

void digRect(Grid &grid, int x0, int y0, int x1, int y1) {
  for (int y = std::min(y0, y1); y <= std::max(y0, y1); y++)
    for (int x = std::min(x0, x1); x <= std::max(x0, x1); x++) grid.floor[grid.at(x, y)] = 1;
}

// Joins every floor area of at least min_size cells to the largest by an
// L-shaped tunnel to the nearest of a few random cells of the largest, and
// fills the smaller areas. Returns the floor cells.
long long joinAreas(Grid &grid, Random &random, std::size_t min_size) {
  Areas areas = findAreas(grid);
  std::size_t count = areas.starts.size() - 1, largest = 0;
  if (count == 0) return 0;
  for (std::size_t k = 1; k < count; k++)
    if (areas.size(k) > areas.size(largest)) largest = k;
  auto randomCell = [&](std::size_t k) {
    return areas.cells[areas.starts[k] + random.below(static_cast<std::uint32_t>(areas.size(k)))];
  };
  for (std::size_t k = 0; k < count; k++)
    if (k != largest && areas.size(k) < min_size)
      for (std::size_t i = areas.starts[k]; i < areas.starts[k + 1]; i++)
        grid.floor[areas.cells[i]] = 0;
  for (std::size_t k = 0; k < count; k++) {
    if (k == largest || areas.size(k) < min_size) continue;
    int from = randomCell(k), to = randomCell(largest);
    int fx = from % grid.width, fy = from / grid.width;
    for (int tries = 0; tries < 15; tries++) {
      int other = randomCell(largest);
      if (std::abs(other % grid.width - fx) + std::abs(other / grid.width - fy) <
          std::abs(to % grid.width - fx) + std::abs(to / grid.width - fy))
        to = other;
    }
    int tx = to % grid.width, ty = to / grid.width;
    digRect(grid, fx, fy, tx, fy);
    digRect(grid, tx, fy, tx, ty);
  }
  return std::count(grid.floor.begin(), grid.floor.end(), 1);
}

// Random walks, each starting on a floor cell already dug, dig inner cells
// until the level has target floor cells. floor_count is the floor so far (at
// least one cell).
void digByWalking(Grid &grid, Random &random, long long floor_count, long long target) {
  std::vector<int> dug;
  for (std::size_t i = 0; i < grid.floor.size(); i++)
    if (grid.floor[i]) dug.push_back(static_cast<int>(i));
  const int walk_length = 2 * (grid.width + grid.height);
  while (floor_count < target) {
    int cell = dug[random.below(static_cast<std::uint32_t>(dug.size()))];
    int x = cell % grid.width, y = cell / grid.width;
    for (int step = 0; step < walk_length && floor_count < target; step++) {
      int d = static_cast<int>(random.below(4));
      if (!grid.inner(x + DX[d], y + DY[d])) continue;
      x += DX[d];
      y += DY[d];
      std::uint8_t &here = grid.floor[grid.at(x, y)];
      if (here) continue;
      here = 1;
      dug.push_back(grid.at(x, y));
      floor_count++;
    }
  }
}

struct BspBuilder {
  Grid &grid;
  Random &random;
  const BspOptions &options;
  std::vector<MapRoom> &rooms;

  int leafMin() const { return options.min_room_size + 2; }

  // A room filling most of the leaf: each side at least 60 % of the leaf's inside.
  void carveRoom(int x, int y, int w, int h) {
    auto side = [&](int inside) {
      int high = std::min(options.max_room_size, inside);
      int low = std::min(high, std::max(options.min_room_size, (3 * inside + 4) / 5));
      return random.between(low, high);
    };
    MapRoom room;
    room.width = side(w - 2);
    room.height = side(h - 2);
    room.x = random.between(x + 1, x + w - 1 - room.width);
    room.y = random.between(y + 1, y + h - 1 - room.height);
    digRect(grid, room.x, room.y, room.x + room.width - 1, room.y + room.height - 1);
    rooms.push_back(room);
  }

  // An L-shaped corridor between a random cell of each room.
  void join(const MapRoom &a, const MapRoom &b) {
    int ax = random.between(a.x, a.x + a.width - 1), ay = random.between(a.y, a.y + a.height - 1);
    int bx = random.between(b.x, b.x + b.width - 1), by = random.between(b.y, b.y + b.height - 1);
    if (random.chance(0.5)) {
      digRect(grid, ax, ay, bx, ay);
      digRect(grid, bx, ay, bx, by);
    } else {
      digRect(grid, ax, ay, ax, by);
      digRect(grid, ax, by, bx, by);
    }
  }

  // Splits the rectangle until its sides are at most max_room_size + 2, a
  // room in each leaf, and joins the two halves of every split.
  void split(int x, int y, int w, int h) {
    bool wide = w > options.max_room_size + 2 && w >= 2 * leafMin();
    bool tall = h > options.max_room_size + 2 && h >= 2 * leafMin();
    if (!wide && !tall) return carveRoom(x, y, w, h);
    bool across = wide && tall ? (w * 4 > h * 5   ? true
                                  : h * 4 > w * 5 ? false
                                                  : random.chance(0.5))
                               : wide;
    std::size_t first = rooms.size();
    std::size_t middle;
    if (across) {
      int cut = random.between(leafMin(), w - leafMin());
      split(x, y, cut, h);
      middle = rooms.size();
      split(x + cut, y, w - cut, h);
    } else {
      int cut = random.between(leafMin(), h - leafMin());
      split(x, y, w, cut);
      middle = rooms.size();
      split(x, y + cut, w, h - cut);
    }
    std::size_t left = first + random.below(static_cast<std::uint32_t>(middle - first));
    std::size_t right = middle + random.below(static_cast<std::uint32_t>(rooms.size() - middle));
    join(rooms[left], rooms[right]);
  }
};

}  // namespace

int MapGenerator::bsp(CellMap &map, Random &random) {
  std::vector<MapRoom> rooms;
  return bsp(map, random, BspOptions(), rooms);
}

int MapGenerator::bsp(CellMap &map, Random &random, const BspOptions &options) {
  std::vector<MapRoom> rooms;
  return bsp(map, random, options, rooms);
}

int MapGenerator::bsp(CellMap &map, Random &random, const BspOptions &options,
                      std::vector<MapRoom> &rooms) {
  if (options.min_room_size < 2 || options.max_room_size < 2 * options.min_room_size + 1 ||
      options.max_room_size > 10000) {
    refuse("bsp", map, "Room sizes out of range");
    return -1;
  }
  if (tooSmall("bsp", map, options.min_room_size + 2)) return -1;
  Grid grid(map.getWidth(), map.getHeight());
  std::vector<MapRoom> carved;
  BspBuilder builder{grid, random, options, carved};
  builder.split(0, 0, grid.width, grid.height);
  writeMap(map, grid);
  rooms.swap(carved);
  return 0;
}

int MapGenerator::caves(CellMap &map, Random &random) { return caves(map, random, CaveOptions()); }

int MapGenerator::caves(CellMap &map, Random &random, const CaveOptions &options) {
  if (!(options.fill >= 0.3 && options.fill <= 0.7) || options.passes < 0 || options.passes > 20 ||
      !(options.floor_share >= 0 && options.floor_share <= 0.6)) {
    refuse("caves", map, "Options out of range");
    return -1;
  }
  if (tooSmall("caves", map, MIN_SIDE)) return -1;
  Grid grid(map.getWidth(), map.getHeight()), next = grid;
  for (int y = 1; y < grid.height - 1; y++)
    for (int x = 1; x < grid.width - 1; x++)
      grid.floor[grid.at(x, y)] = random.chance(options.fill) ? 0 : 1;
  // The 4-5 rule: a cell is wall when five or more of the nine cells around
  // and including it are wall (a wall stays with four wall neighbours, floor
  // turns with five).
  for (int pass = 0; pass < options.passes; pass++) {
    for (int y = 1; y < grid.height - 1; y++)
      for (int x = 1; x < grid.width - 1; x++) {
        int floors = 0;
        for (int dy = -1; dy <= 1; dy++) {
          const std::uint8_t *row = &grid.floor[grid.at(x - 1, y + dy)];
          floors += row[0] + row[1] + row[2];
        }
        next.floor[next.at(x, y)] = 9 - floors >= 5 ? 0 : 1;
      }
    grid.floor.swap(next.floor);
  }
  long long floor_count = joinAreas(grid, random, 8);
  if (floor_count == 0) {
    grid.floor[grid.at(grid.width / 2, grid.height / 2)] = 1;
    floor_count = 1;
  }
  digByWalking(grid, random, floor_count, targetCells(grid, options.floor_share));
  writeMap(map, grid);
  return 0;
}

int MapGenerator::drunkard(CellMap &map, Random &random) {
  return drunkard(map, random, DrunkardOptions());
}

int MapGenerator::drunkard(CellMap &map, Random &random, const DrunkardOptions &options) {
  if (!(options.floor_share >= 0.05 && options.floor_share <= 0.7)) {
    refuse("drunkard", map, "Floor share out of range");
    return -1;
  }
  if (tooSmall("drunkard", map, MIN_SIDE)) return -1;
  Grid grid(map.getWidth(), map.getHeight());
  grid.floor[grid.at(grid.width / 2, grid.height / 2)] = 1;
  digByWalking(grid, random, 1, targetCells(grid, options.floor_share));
  writeMap(map, grid);
  return 0;
}

int MapGenerator::maze(CellMap &map, Random &random) { return maze(map, random, MazeOptions()); }

int MapGenerator::maze(CellMap &map, Random &random, const MazeOptions &options) {
  if (!(options.loop_share >= 0 && options.loop_share <= 1)) {
    refuse("maze", map, "Loop share out of range");
    return -1;
  }
  if (tooSmall("maze", map, MIN_SIDE)) return -1;
  Grid grid(map.getWidth(), map.getHeight());
  // Passage cells sit on odd columns and rows; the search knocks out the wall
  // between a cell and a random unvisited neighbour two cells away.
  std::vector<int> stack{grid.at(1, 1)};
  grid.floor[grid.at(1, 1)] = 1;
  while (!stack.empty()) {
    int x = stack.back() % grid.width, y = stack.back() / grid.width;
    int choices[4], count = 0;
    for (int d = 0; d < 4; d++)
      if (grid.inner(x + 2 * DX[d], y + 2 * DY[d]) &&
          !grid.floor[grid.at(x + 2 * DX[d], y + 2 * DY[d])])
        choices[count++] = d;
    if (count == 0) {
      stack.pop_back();
      continue;
    }
    int d = choices[random.below(static_cast<std::uint32_t>(count))];
    grid.floor[grid.at(x + DX[d], y + DY[d])] = 1;
    grid.floor[grid.at(x + 2 * DX[d], y + 2 * DY[d])] = 1;
    stack.push_back(grid.at(x + 2 * DX[d], y + 2 * DY[d]));
  }
  if (options.loop_share > 0)
    for (int y = 1; y < grid.height - 1; y++)
      for (int x = 1 + y % 2; x < grid.width - 1; x += 2) {
        bool between_x = grid.floor[grid.at(x - 1, y)] && grid.floor[grid.at(x + 1, y)];
        bool between_y = grid.floor[grid.at(x, y - 1)] && grid.floor[grid.at(x, y + 1)];
        if (!grid.floor[grid.at(x, y)] && (between_x || between_y) &&
            random.chance(options.loop_share))
          grid.floor[grid.at(x, y)] = 1;
      }
  writeMap(map, grid);
  return 0;
}

}  // namespace sb
