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
#include "WorldManager.h"
#include "utility.h"

namespace sb {

namespace {

// Per cell, a mark word holds the stamp of the search that last touched the
// cell and the cell's state in that search, and a hard word the stamp of the
// last hard-cell answer and the answer. A cell counts for a search only when
// the stamps are the search's, so a graph is reused without clearing it. The
// two word arrays are all that a neighbour test reads; the node records are
// read only for cells the search opens.
constexpr std::uint32_t OPEN = 1, CLOSED = 2, STATE_BITS = 2;
constexpr std::uint32_t MAX_STAMP = (1u << 30) - 1;

struct Node {
  float g;
  float f;
  std::int32_t parent;  // index of the cell it was reached from, -1 for none
  std::uint32_t order;  // when it was opened
};

// Lower estimate first; among equal estimates the cell opened last. Estimates
// are never negative, so their bits order like the floats, and one integer
// comparison of the key does both.
struct HeapEntry {
  std::uint64_t key;
  std::int32_t cell;
};

inline HeapEntry heapEntry(float f, std::uint32_t order, std::int32_t cell) {
  std::uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return HeapEntry{static_cast<std::uint64_t>(bits) << 32 | (0xFFFFFFFFu - order), cell};
}

inline bool before(const HeapEntry &a, const HeapEntry &b) { return a.key < b.key; }

constexpr int MAX_FREE_GRAPHS = 4;
unsigned long long next_serial = 1;

LogManager &logger() { return LogManager::getInstance(); }

// Cell distance: Euclidean over the integer differences, in double, kept as float.
inline float cellDistance(int ax, int ay, int bx, int by) {
  double dx = static_cast<double>(ax) - bx, dy = static_cast<double>(ay) - by;
  return static_cast<float>(std::sqrt(dx * dx + dy * dy));
}

// int(v) for any v, saturating where the conversion would be undefined.
int toInt(double v) {
  if (std::isnan(v)) return 0;
  if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(v);
}

int roundCell(float v) { return toInt(static_cast<double>(v) + 0.5); }
int truncCell(float v) { return toInt(static_cast<double>(v)); }

}  // namespace

// Nodes and the open heap of one search; kept after the search for the next one.
// Besides the nodes it remembers, per cell, whether the world listed a HARD
// object for the last mover there and the world box of the first one listed,
// which stay true while the world, the mover and its box stay the same: a
// later search in an unchanged world asks the world nothing again.
struct PathNodeGraph {
  Node *nodes = nullptr;
  std::uint32_t *marks = nullptr;  // stamp << 2 | state
  std::uint32_t *hards = nullptr;  // stamp << 1 | hard
  Box *hard_boxes = nullptr;
  std::uint32_t *probe_stamps = nullptr;  // stamp << 1 | whether a HARD object is there
  std::size_t count = 0;
  std::uint32_t search_counter = 0;
  std::uint32_t hard_counter = 0;
  std::uint32_t probe_counter = 0;
  std::uint32_t probe_stamp = 0;
  // What the remembered answers belong to.
  unsigned int probe_version = 0;
  const Object *probe_mover = nullptr;
  Box probe_box;
  std::vector<HeapEntry> heap;

  ~PathNodeGraph() {
    std::free(nodes);
    std::free(marks);
    std::free(hards);
    std::free(hard_boxes);
    std::free(probe_stamps);
  }

  // The stamp of remembered answers valid for this world and mover.
  std::uint32_t probeStampFor(unsigned int version, const Object *p_mover) {
    if (probe_stamp != 0 && version == probe_version && p_mover == probe_mover &&
        p_mover->getBox() == probe_box)
      return probe_stamp;
    if (++probe_counter > MAX_STAMP) {
      for (std::size_t i = 0; i < count; i++) probe_stamps[i] = 0;
      probe_counter = 1;
    }
    probe_stamp = probe_counter;
    probe_version = version;
    probe_mover = p_mover;
    probe_box = p_mover->getBox();
    return probe_stamp;
  }

  std::uint32_t nextSearchStamp() {
    if (++search_counter > MAX_STAMP) {
      for (std::size_t i = 0; i < count; i++) marks[i] = 0;
      search_counter = 1;
    }
    return search_counter;
  }
  std::uint32_t nextHardStamp() {
    if (++hard_counter > MAX_STAMP) {
      for (std::size_t i = 0; i < count; i++) hards[i] = 0;
      hard_counter = 1;
    }
    return hard_counter;
  }

  void push(HeapEntry entry) {
    heap.push_back(entry);
    std::size_t i = heap.size() - 1;
    while (i > 0) {
      std::size_t up = (i - 1) / 2;
      if (!before(entry, heap[up])) break;
      heap[i] = heap[up];
      i = up;
    }
    heap[i] = entry;
  }

  HeapEntry pop() {
    HeapEntry top = heap[0];
    HeapEntry last = heap.back();
    heap.pop_back();
    std::size_t n = heap.size();
    if (n == 0) return top;
    std::size_t i = 0;
    for (;;) {
      std::size_t child = 2 * i + 1;
      if (child >= n) break;
      if (child + 1 < n && before(heap[child + 1], heap[child])) child++;
      if (!before(heap[child], last)) break;
      heap[i] = heap[child];
      i = child;
    }
    heap[i] = last;
    return top;
  }
};

namespace {

// Graphs kept for reuse. At program exit the pool frees them; a search
// destroyed after that frees its graph itself.
bool g_pool_gone = false;

struct GraphPool {
  std::vector<PathNodeGraph *> graphs;
  ~GraphPool() {
    for (PathNodeGraph *p_graph : graphs) delete p_graph;
    graphs.clear();
    g_pool_gone = true;
  }
};

std::vector<PathNodeGraph *> &freeGraphs() {
  static GraphPool pool;
  return pool.graphs;
}

// A graph of count nodes, reused when one is free; null when memory runs out.
PathNodeGraph *acquireGraph(std::size_t count) {
  std::vector<PathNodeGraph *> &graphs = freeGraphs();
  for (std::size_t i = 0; i < graphs.size(); i++) {
    if (graphs[i]->count == count) {
      PathNodeGraph *p_graph = graphs[i];
      graphs.erase(graphs.begin() + static_cast<long>(i));
      return p_graph;
    }
  }
  PathNodeGraph *p_graph = new (std::nothrow) PathNodeGraph;
  if (!p_graph) return nullptr;
  // Every page is written now, so that the memory is faulted in here and not
  // in the middle of a cycle that has a time budget to keep.
  auto zeroed = [count](std::size_t size) {
    void *p = std::malloc(count * size);
    if (p) std::memset(p, 0, count * size);
    return p;
  };
  p_graph->nodes = static_cast<Node *>(zeroed(sizeof(Node)));
  p_graph->marks = static_cast<std::uint32_t *>(zeroed(sizeof(std::uint32_t)));
  p_graph->hards = static_cast<std::uint32_t *>(zeroed(sizeof(std::uint32_t)));
  p_graph->hard_boxes = static_cast<Box *>(zeroed(sizeof(Box)));
  p_graph->probe_stamps = static_cast<std::uint32_t *>(zeroed(sizeof(std::uint32_t)));
  if (!p_graph->nodes || !p_graph->marks || !p_graph->hards || !p_graph->hard_boxes ||
      !p_graph->probe_stamps) {
    delete p_graph;
    return nullptr;
  }
  try {
    p_graph->heap.resize(count);  // room for a push per cell, faulted in as well
  } catch (const std::bad_alloc &) {
    delete p_graph;
    return nullptr;
  }
  p_graph->heap.clear();
  p_graph->count = count;
  return p_graph;
}

void releaseGraph(PathNodeGraph *p_graph) {
  if (!p_graph) return;
  if (g_pool_gone) {
    delete p_graph;
    return;
  }
  p_graph->heap.clear();
  std::vector<PathNodeGraph *> &graphs = freeGraphs();
  if (static_cast<int>(graphs.size()) >= MAX_FREE_GRAPHS) {
    delete graphs.front();
    graphs.erase(graphs.begin());
  }
  graphs.push_back(p_graph);
}

}  // namespace

void PathFind::releaseGraphs() {
  if (g_pool_gone) return;
  for (PathNodeGraph *p_graph : freeGraphs()) delete p_graph;
  freeGraphs().clear();
  freeGraphs().shrink_to_fit();
}

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
      hard_stamp(0),
      probe_stamp(0),
      world_version(0),
      next_order(0),
      delivered(0) {
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

  // The start cell: the first free one of the corners around the position.
  float sx = start_position.getX(), sy = start_position.getY();
  const coord_struct candidates[5] = {
      {roundCell(sx), roundCell(sy)},     {truncCell(sx), truncCell(sy)},
      {roundCell(sx), truncCell(sy)},     {truncCell(sx), roundCell(sy)},
      {truncCell(sx) + (truncCell(sx) < INT_MAX ? 1 : 0),
       truncCell(sy) + (truncCell(sy) < INT_MAX ? 1 : 0)}};
  bool free_start = false;
  for (const coord_struct &candidate : candidates) {
    start = candidate;
    if (!hardAt(start.x, start.y)) {
      free_start = true;
      break;
    }
  }
  if (!free_start) logger().writeLog("PathFind::PathFind(): Warning! Can't get to start node.");

  Box boundary = WorldManager::getInstance().getBoundary();
  if (!boxContainsPosition(boundary, start_position) ||
      !boxContainsPosition(boundary, end_position)) {
    logger().writeLog(
        "PathFind::PathFind(): Error! Both start (%.2f, %.2f) and end (%.2f, %.2f) must be "
        "within world boundary (%d, %d).",
        start_position.getX(), start_position.getY(), end_position.getX(), end_position.getY(),
        toInt(boundary.getHorizontal()), toInt(boundary.getVertical()));
    return;
  }

  int new_rows = toInt(boundary.getVertical());
  int new_columns = toInt(boundary.getHorizontal());
  if (new_rows <= 0) {
    logger().writeLog("PathFind::PathFind(): Error!  Unable to allocate pathfinding for %d rows.",
                      new_rows);
    return;
  }
  if (new_columns <= 0) {
    logger().writeLog(
        "PathFind::PathFind(): Error!  Unable to allocate pathfinding for %d columns at row %d.",
        new_columns, 0);
    return;
  }
  long long cells = static_cast<long long>(new_rows) * new_columns;
  if (cells > MAX_PATH_CELLS) {
    logger().writeLog("PathFind::PathFind(): Error!  Unable to allocate pathfinding for %d rows.",
                      new_rows);
    return;
  }
  p_graph = acquireGraph(static_cast<std::size_t>(cells));
  if (!p_graph) {
    logger().writeLog("PathFind::PathFind(): Error!  Unable to allocate pathfinding for %d rows.",
                      new_rows);
    return;
  }
  rows = new_rows;
  columns = new_columns;
  logger().writeLog("PathFind::PathFind(): allocated [y, x]: %d, %d", rows, columns);

  // A position on the far edge of the boundary rounds to the cell past it.
  start.x = std::min(std::max(start.x, 0), columns - 1);
  start.y = std::min(std::max(start.y, 0), rows - 1);
  end.x = std::min(std::max(end.x, 0), columns - 1);
  end.y = std::min(std::max(end.y, 0), rows - 1);

  search_stamp = p_graph->nextSearchStamp();
  hard_stamp = p_graph->nextHardStamp();
  world_version = WorldManager::getInstance().getSceneGraph().getVersion();
  probe_stamp = p_graph->probeStampFor(world_version, p_object);
  int start_cell = start.y * columns + start.x;
  Node &node = p_graph->nodes[start_cell];
  node.g = 0;
  node.f = cellDistance(start.x, start.y, end.x, end.y);
  node.parent = -1;
  node.order = next_order++;
  p_graph->marks[start_cell] = search_stamp << STATE_BITS | OPEN;
  p_graph->push(heapEntry(node.f, node.order, start_cell));
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
  return p_hard &&
         !boxContainsPosition(p_hard->worldBox(),
                              Vector(static_cast<float>(end.x), static_cast<float>(end.y)));
}

// As hardAt, answered once per cell for as long as the world stays unchanged.
inline bool PathFind::hardCell(int x, int y) {
  std::size_t cell = static_cast<std::size_t>(y) * columns + x;
  std::uint32_t word = p_graph->hards[cell];
  if (word >> 1 != hard_stamp) {
    std::uint32_t probe = p_graph->probe_stamps[cell];
    if (probe >> 1 != probe_stamp) {
      const Object *p_hard = firstHardAt(x, y);
      if (p_hard) p_graph->hard_boxes[cell] = p_hard->worldBox();
      probe = probe_stamp << 1 | (p_hard ? 1u : 0u);
      p_graph->probe_stamps[cell] = probe;
    }
    bool hard = (probe & 1) &&
                !boxContainsPosition(p_graph->hard_boxes[cell],
                                     Vector(static_cast<float>(end.x), static_cast<float>(end.y)));
    word = hard_stamp << 1 | (hard ? 1u : 0u);
    p_graph->hards[cell] = word;
  }
  return (word & 1) != 0;
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

  WorldManager &world_manager = WorldManager::getInstance();
  unsigned int version = world_manager.getSceneGraph().getVersion();
  if (version != world_version) {
    world_version = version;
    hard_stamp = p_graph->nextHardStamp();
  }
  probe_stamp = p_graph->probeStampFor(version, p_object);

  Node *nodes = p_graph->nodes;
  std::uint32_t *marks = p_graph->marks;
  const std::uint32_t open_mark = search_stamp << STATE_BITS | OPEN;
  const std::uint32_t closed_mark = search_stamp << STATE_BITS | CLOSED;
  int current = -1;
  while (!p_graph->heap.empty()) {
    int cell = p_graph->heap.front().cell;
    p_graph->pop();
    if (marks[cell] == open_mark) {  // older entries of improved cells come later
      current = cell;
      break;
    }
  }
  if (current < 0) {  // cannot happen while cells are open; stop rather than guess
    result = FAILED;
    return result;
  }
  Node &cur = nodes[current];
  marks[current] = closed_mark;
  open_count--;
  num_plies++;
  int x = current % columns, y = current / columns;
  if (x == end.x && y == end.y) found = true;

  if (p_target_object) {
    Box mover = p_object->worldBoxAt(Vector(static_cast<float>(x), static_cast<float>(y)));
    Box target = p_target_object->worldBoxAt(
        Vector(static_cast<float>(end.x), static_cast<float>(end.y)));
    if (boxIntersectsBox(mover, target)) {
      found = true;
      end.x = x;
      end.y = y;
      result = FOUND;
      return result;
    }
  }
  if (found) {
    result = FOUND;
    return result;
  }

  // Cells beyond a boundary that shrank since set-up are out of reach; the graph never grows.
  Box boundary = world_manager.getBoundary();
  int width = std::min(columns, toInt(boundary.getHorizontal()));
  int height = std::min(rows, toInt(boundary.getVertical()));
  static const int DX[8] = {-1, 0, 1, -1, 1, -1, 0, 1};
  static const int DY[8] = {-1, -1, -1, 0, 0, 1, 1, 1};
  static const float STEP[8] = {cellDistance(0, 0, 1, 1), 1, cellDistance(0, 0, 1, 1), 1,
                                1, cellDistance(0, 0, 1, 1), 1, cellDistance(0, 0, 1, 1)};
  float g = cur.g;
  for (int k = 0; k < 8; k++) {
    int c = x + DX[k], d = y + DY[k];
    if (c < 0 || d < 0 || c >= width || d >= height) continue;
    int cell = d * columns + c;
    std::uint32_t mark = marks[cell];
    if (mark == closed_mark) continue;
    bool touched = mark == open_mark;
    if (hardCell(c, d)) continue;
    if (DX[k] != 0 && DY[k] != 0 && hardCell(x + DX[k], y) && hardCell(x, y + DY[k])) continue;
    float g_new = g + STEP[k];
    Node &next = nodes[cell];
    if (!touched) {
      marks[cell] = open_mark;
      next.g = g_new;
      next.parent = current;
      next.f = g_new + cellDistance(c, d, end.x, end.y);
      next.order = next_order++;
      p_graph->push(heapEntry(next.f, next.order, cell));
      open_count++;
    } else if (g_new <= next.g) {
      float f_new = g_new + cellDistance(c, d, end.x, end.y);
      next.g = g_new;
      next.parent = current;
      if (f_new < next.f) p_graph->push(heapEntry(f_new, next.order, cell));
      next.f = f_new;
    }
  }
  if (open_count > 0) return SEARCHING;
  result = FAILED;
  return result;
}

Path PathFind::getPath() const {
  Path path;
  if (!found || !p_graph) return path;
  std::vector<Vector> nodes;
  long long limit = static_cast<long long>(rows) * columns;
  for (int cell = end.y * columns + end.x; cell >= 0 && limit-- > 0;
       cell = p_graph->nodes[cell].parent)
    nodes.push_back(
        Vector(static_cast<float>(cell % columns), static_cast<float>(cell / columns)));
  std::reverse(nodes.begin(), nodes.end());
  path.setPath(std::move(nodes));
  return path;
}

}  // namespace sb
