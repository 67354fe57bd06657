#include "PathFind.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "LogManager.h"
#include "Object.h"
#include "PathManager.h"
#include "PathNodeGraph.h"
#include "WorldManager.h"
#include "utility.h"

namespace sb {

using namespace path_graph;

namespace {

unsigned long long next_serial = 1;

LogManager &logger() { return LogManager::getInstance(); }

// Cell distance: Euclidean over the integer differences, in double, kept as float.
inline float cellDistance(int ax, int ay, int bx, int by) {
  double dx = static_cast<double>(ax) - bx, dy = static_cast<double>(ay) - by;
  return static_cast<float>(std::sqrt(dx * dx + dy * dy));
}

// Cell distances by the differences |dx|, |dy|, worked out once for the largest
// graph so far (up to a bound; larger graphs compute them), as cellDistance gives them.
constexpr std::size_t MAX_DISTANCE_TABLE = 1u << 20;
std::vector<float> distance_table;
int table_columns = 0, table_rows = 0;

const float *distanceTable(int columns, int rows) {
  if (columns <= table_columns && rows <= table_rows) return distance_table.data();
  int new_columns = std::max(columns, table_columns), new_rows = std::max(rows, table_rows);
  if (static_cast<std::size_t>(new_columns) * new_rows > MAX_DISTANCE_TABLE) return nullptr;
  try {
    distance_table.resize(static_cast<std::size_t>(new_columns) * new_rows);
  } catch (const std::bad_alloc &) {
    return nullptr;
  }
  table_columns = new_columns;
  table_rows = new_rows;
  for (int dy = 0; dy < new_rows; dy++)
    for (int dx = 0; dx < new_columns; dx++)
      distance_table[static_cast<std::size_t>(dy) * new_columns + dx] = cellDistance(0, 0, dx, dy);
  return distance_table.data();
}

// int(v) for any v, saturating where the conversion would be undefined.
inline int toInt(double v) { return clampToInt(v); }

int roundCell(float v) { return toInt(static_cast<double>(v) + 0.5); }
int truncCell(float v) { return toInt(static_cast<double>(v)); }

}  // namespace

PathFind::PathFind(Object *p_o, Vector start_position, Vector end_position)
    : p_object(p_o),
      p_target_object(nullptr),
      start{0, 0},
      end{0, 0},
      p_graph(nullptr),
      rows(0),
      columns(0),
      num_plies(0),
      found(false),
      result(SEARCHING),
      open_count(0),
      serial(next_serial++),
      search_stamp(0),
      probe_stamp(0),
      world_version(0),
      next_order(0),
      delivered(0),
      cover_x0(1),
      cover_x1(0),
      cover_y0(1),
      cover_y1(0) {
  PathManager::getInstance().trackSearch(this);
  setUp(start_position, end_position);
}

void PathFind::setUp(Vector start_position, Vector end_position) {
  if (!p_object) {
    logger().writeLog("PathFind()::PathFind(): Fatal error! Object pointer is NULL.");
    return;
  }
  end.x = roundCell(end_position.getX());
  end.y = roundCell(end_position.getY());
  chooseStart(start_position);
  Box boundary = WorldManager::getInstance().getBoundary();
  if (!withinBoundary(boundary, start_position, end_position) || !allocateGraph(boundary)) return;
  openStart();
}

// The start cell: the first free one of the corners around the position.
void PathFind::chooseStart(Vector start_position) {
  float sx = start_position.getX(), sy = start_position.getY();
  const coord_struct candidates[5] = {{roundCell(sx), roundCell(sy)},
                                      {truncCell(sx), truncCell(sy)},
                                      {roundCell(sx), truncCell(sy)},
                                      {truncCell(sx), roundCell(sy)},
                                      {truncCell(sx) + (truncCell(sx) < INT_MAX ? 1 : 0),
                                       truncCell(sy) + (truncCell(sy) < INT_MAX ? 1 : 0)}};
  for (const coord_struct &candidate : candidates) {
    start = candidate;
    if (!hardAt(start.x, start.y)) return;
  }
  logger().writeLog("PathFind::PathFind(): Warning! Can't get to start node.");
}

bool PathFind::withinBoundary(const Box &boundary, Vector start_position, Vector end_position) {
  if (boxContainsPosition(boundary, start_position) && boxContainsPosition(boundary, end_position))
    return true;
  logger().writeLog(
      "PathFind::PathFind(): Error! Both start (%.2f, %.2f) and end (%.2f, %.2f) must be "
      "within world boundary (%d, %d).",
      start_position.getX(), start_position.getY(), end_position.getX(), end_position.getY(),
      toInt(boundary.getHorizontal()), toInt(boundary.getVertical()));
  return false;
}

// A node graph of one cell per cell of the boundary, within the bounds on
// cells and memory; false (logged) leaves the search without one.
bool PathFind::allocateGraph(const Box &boundary) {
  int new_rows = toInt(boundary.getVertical());
  int new_columns = toInt(boundary.getHorizontal());
  if (new_rows <= 0) {
    logger().writeLog("PathFind::PathFind(): Error!  Unable to allocate pathfinding for %d rows.",
                      new_rows);
    return false;
  }
  if (new_columns <= 0) {
    logger().writeLog(
        "PathFind::PathFind(): Error!  Unable to allocate pathfinding for %d columns at row %d.",
        new_columns, 0);
    return false;
  }
  long long cells = static_cast<long long>(new_rows) * new_columns;
  if (cells > MAX_PATH_CELLS) {
    logger().writeLog(
        "PathFind::PathFind(): Error! World of %d rows and %d columns has too many cells (%lld, "
        "at most %lld).",
        new_rows, new_columns, cells, MAX_PATH_CELLS);
    return false;
  }
  Acquired acquired = acquireGraph(static_cast<std::size_t>(cells), p_graph);
  if (acquired == Acquired::NO_ROOM) {
    logger().writeLog(
        "PathFind::PathFind(): Error! Path searches already hold %lld bytes, no room for %lld "
        "more (at most %lld).",
        graphMemory(false), graphBytes(cells), MAX_PATH_MEMORY);
    return false;
  }
  if (acquired == Acquired::NO_MEMORY) {
    logger().writeLog("PathFind::PathFind(): Error!  Unable to allocate pathfinding for %d rows.",
                      new_rows);
    return false;
  }
  rows = new_rows;
  columns = new_columns;
  logger().writeLog("PathFind::PathFind(): allocated [y, x]: %d, %d", rows, columns);
  return true;
}

// Opens the start cell, with the start and the goal inside the graph.
void PathFind::openStart() {
  // A position on the far edge of the boundary rounds to the cell past it.
  start.x = std::min(std::max(start.x, 0), columns - 1);
  start.y = std::min(std::max(start.y, 0), rows - 1);
  end.x = std::min(std::max(end.x, 0), columns - 1);
  end.y = std::min(std::max(end.y, 0), rows - 1);

  search_stamp = p_graph->nextSearchStamp();
  refreshWorldAnswers();
  int start_cell = start.y * columns + start.x;
  CellRecord &start_record = p_graph->cells[start_cell];
  start_record.g = 0;
  start_record.link = next_order++ << DIRECTION_BITS;
  start_record.mark = search_stamp << STATE_BITS | OPEN;
  p_graph->push(heapEntry(cellDistance(start.x, start.y, end.x, end.y), 0, start_cell));
  open_count = 1;
}

PathFind::~PathFind() {
  PathManager::getInstance().forgetSearch(this);
  releaseGraph(p_graph);
}

// The first HARD object the world lists where the mover would touch at the cell.
const Object *PathFind::firstHardAt(int x, int y) {
  collisions.clear();
  WorldManager::getInstance().getSceneGraph().collectCollisions(
      p_object, Vector(static_cast<float>(x), static_cast<float>(y)), collisions);
  for (int i = 0; i < collisions.getCount(); i++)
    if (collisions[i]->getSolidness() == HARD) return collisions[i];
  return nullptr;
}

// Whether the mover is blocked at the cell: a HARD object is there that does not cover the goal.
bool PathFind::hardAt(int x, int y) {
  const Object *p_hard = firstHardAt(x, y);
  return p_hard && !boxContainsPosition(p_hard->worldBox(), Vector(static_cast<float>(end.x),
                                                                   static_cast<float>(end.y)));
}

// The cells where the mover's box meets a HARD object that covers the goal.
// Every such object meets the mover's box placed at the goal when that box
// holds the goal; a box that does not (an odd sprite box) makes every cell count.
void PathFind::findGoalCover() {
  Vector goal(static_cast<float>(end.x), static_cast<float>(end.y));
  Box mover = p_object->getBox();
  if (!boxContainsPosition(p_object->worldBoxAt(goal), goal)) {
    cover_x0 = cover_y0 = INT_MIN;
    cover_x1 = cover_y1 = INT_MAX;
    return;
  }
  collisions.clear();
  WorldManager::getInstance().getSceneGraph().collectCollisions(p_object, goal, collisions);
  cover_x0 = cover_y0 = 1;
  cover_x1 = cover_y1 = 0;
  bool any = false;
  double left = 0, top = 0, right = 0, bottom = 0;
  for (int i = 0; i < collisions.getCount(); i++) {
    const Object *p_o = collisions[i];
    if (p_o->getSolidness() != HARD || !boxContainsPosition(p_o->worldBox(), goal)) continue;
    const Box &b = p_o->worldBox();
    double x1 = b.getCorner().getX(), y1 = b.getCorner().getY();
    double x2 = x1 + b.getHorizontal(), y2 = y1 + b.getVertical();
    left = any ? std::min(left, x1) : x1;
    top = any ? std::min(top, y1) : y1;
    right = any ? std::max(right, x2) : x2;
    bottom = any ? std::max(bottom, y2) : y2;
    any = true;
  }
  if (!any) return;
  // The mover's box at (x, y) spans x + corner to x + corner + extent; one
  // cell more on each side keeps float rounding on the safe side.
  double bx = mover.getCorner().getX(), by = mover.getCorner().getY();
  auto cellAt = [](double v) { return toInt(std::max(-2.0, std::min(v, 1e9))); };
  cover_x0 = cellAt(std::floor(left - bx - mover.getHorizontal()) - 1);
  cover_x1 = cellAt(std::ceil(right - bx) + 1);
  cover_y0 = cellAt(std::floor(top - by - mover.getVertical()) - 1);
  cover_y1 = cellAt(std::ceil(bottom - by) + 1);
}

// Takes the probe words that belong to the world as it is now, and finds the
// goal's cover again when they are new.
void PathFind::refreshWorldAnswers() {
  unsigned int version = WorldManager::getInstance().getSceneGraph().getVersion();
  std::uint32_t stamp = p_graph->probeStampFor(version, p_object, columns);
  if (stamp == probe_stamp && version == world_version) return;
  probe_stamp = stamp;
  world_version = version;
  findGoalCover();
}

// As hardAt for the cell (x, y) of the given index, with the world's answer
// kept for as long as the world stays unchanged.
inline bool PathFind::hardCell(int cell, int x, int y) {
  std::uint32_t probe = p_graph->cells[cell].probe;
  if (probe >> 1 != probe_stamp) {
    probe = probe_stamp << 1 | (firstHardAt(x, y) ? 1u : 0u);
    p_graph->cells[cell].probe = probe;
  }
  if ((probe & 1) == 0) return false;
  if (x < cover_x0 || x > cover_x1 || y < cover_y0 || y > cover_y1) return true;
  return hardAt(x, y);
}

int PathFind::cycleOnce() {
  if (!p_graph) {
    logger().writeLog("PathFind::cycleOnce(): node graph not allocated.  Cannot find path.");
    return FAILED;
  }
  if (result != SEARCHING) return result;
  if (!p_object) {
    result = FAILED;
    return result;
  }
  refreshWorldAnswers();
  int current = popOpenCell();
  if (current < 0) {  // cannot happen while cells are open; stop rather than guess
    result = FAILED;
    return result;
  }
  p_graph->cells[current].mark = search_stamp << STATE_BITS | CLOSED;
  open_count--;
  num_plies++;
  int y = current / columns, x = current - y * columns;
  if (reachedGoal(x, y)) {
    result = FOUND;
    return result;
  }
  openNeighbours(current, x, y);
  if (open_count > 0) return SEARCHING;
  result = FAILED;
  return result;
}

// The open cell of the lowest estimate, taken off the heap; -1 when none is left.
int PathFind::popOpenCell() {
  const std::uint32_t open_mark = search_stamp << STATE_BITS | OPEN;
  while (!p_graph->heap.empty()) {
    int cell = p_graph->heap.front().cell;
    p_graph->pop();
    // Older entries of improved cells come later and are passed over.
    if (p_graph->cells[cell].mark == open_mark) return cell;
  }
  return -1;
}

// Whether the expanded cell (x, y) ends the search: it is the goal, or the
// mover there touches the target object placed at the goal (which then
// becomes the goal).
bool PathFind::reachedGoal(int x, int y) {
  if (x == end.x && y == end.y) found = true;
  if (p_target_object) {
    Box mover = p_object->worldBoxAt(Vector(static_cast<float>(x), static_cast<float>(y)));
    Box target =
        p_target_object->worldBoxAt(Vector(static_cast<float>(end.x), static_cast<float>(end.y)));
    if (boxIntersectsBox(mover, target)) {
      found = true;
      end.x = x;
      end.y = y;
    }
  }
  return found;
}

// Opens or improves the free neighbours of the expanded cell current at (x, y).
void PathFind::openNeighbours(int current, int x, int y) {
  CellRecord *cells = p_graph->cells;
  const std::uint32_t open_mark = search_stamp << STATE_BITS | OPEN;
  const std::uint32_t closed_mark = search_stamp << STATE_BITS | CLOSED;
  // Cells beyond a boundary that shrank since set-up are out of reach; the graph never grows.
  Box boundary = WorldManager::getInstance().getBoundary();
  int width = std::min(columns, toInt(boundary.getHorizontal()));
  int height = std::min(rows, toInt(boundary.getVertical()));
  // Away from the edges no neighbour needs a bounds test.
  const bool inside = x > 0 && y > 0 && x < width - 1 && y < height - 1;
  static const float STEP[8] = {cellDistance(0, 0, 1, 1), 1, cellDistance(0, 0, 1, 1), 1, 1,
                                cellDistance(0, 0, 1, 1), 1, cellDistance(0, 0, 1, 1)};
  const int offset[8] = {-columns - 1, -columns, -columns + 1, -1, 1,
                         columns - 1,  columns,  columns + 1};
  const float g = cells[current].g;
  // Estimates from the table: rows of |dy| from the goal, entries by |dx|.
  const float *distances = distanceTable(columns, rows);
  const int distance_columns = table_columns;
  for (std::uint32_t k = 0; k < 8; k++) {
    int c = x + DX[k], d = y + DY[k];
    if (!inside && (c < 0 || d < 0 || c >= width || d >= height)) continue;
    int cell = current + offset[k];
    CellRecord &record = cells[cell];
    std::uint32_t mark = record.mark;
    if (mark == closed_mark) continue;
    if (hardCell(cell, c, d)) continue;
    if (DX[k] != 0 && DY[k] != 0 && hardCell(current + DX[k], c, y) &&
        hardCell(current + offset[k] - DX[k], x, d))
      continue;
    float new_g = g + STEP[k];
    float estimate =
        distances ? distances[static_cast<std::size_t>(std::abs(d - end.y)) * distance_columns +
                              static_cast<std::size_t>(std::abs(c - end.x))]
                  : cellDistance(c, d, end.x, end.y);
    if (mark != open_mark) {
      std::uint32_t order = next_order++;
      record.mark = open_mark;
      record.g = new_g;
      record.link = order << DIRECTION_BITS | k;
      p_graph->push(heapEntry(new_g + estimate, order, cell));
      open_count++;
    } else if (new_g <= record.g) {
      // f is g plus the estimate, so the old one is worked out again, not kept.
      float f_old = record.g + estimate, f_new = new_g + estimate;
      std::uint32_t order = record.link >> DIRECTION_BITS;
      record.g = new_g;
      record.link = order << DIRECTION_BITS | k;
      if (f_new < f_old) p_graph->push(heapEntry(f_new, order, cell));
    }
  }
}

// Follows the links from the goal back to the start.
Path PathFind::getPath() const {
  Path path;
  if (!found || !p_graph) return path;
  std::vector<Vector> nodes;
  const int start_cell = start.y * columns + start.x;
  const std::uint32_t direction_mask = (1u << DIRECTION_BITS) - 1;
  long long limit = static_cast<long long>(rows) * columns;
  int cell = end.y * columns + end.x;
  while (limit-- > 0) {
    nodes.push_back(Vector(static_cast<float>(cell % columns), static_cast<float>(cell / columns)));
    if (cell == start_cell) break;
    std::uint32_t k = p_graph->cells[cell].link & direction_mask;
    cell -= DY[k] * columns + DX[k];
  }
  std::reverse(nodes.begin(), nodes.end());
  path.setPath(std::move(nodes));
  return path;
}

}  // namespace sb
