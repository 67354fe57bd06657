// The node graphs of path searches and the pool that keeps them for reuse.
#include "PathNodeGraph.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <vector>

#include "Constants.h"
#include "PathFind.h"

namespace sb {

using namespace path_graph;

namespace {

constexpr int MAX_FREE_GRAPHS = 4;
constexpr std::size_t FIRST_HEAP_ROOM = 1024;

// Graphs kept for reuse, oldest first, and the bytes held by graphs. At
// program exit the pool frees its graphs; a search destroyed after that frees
// its graph itself.
bool pool_gone = false;
long long live_bytes = 0;    // graphs held by searches (their cell words)
long long pooled_bytes = 0;  // graphs kept for reuse (cell words and heap)

struct GraphPool {
  std::vector<PathNodeGraph *> graphs;
  ~GraphPool() {
    for (PathNodeGraph *p_graph : graphs) delete p_graph;
    graphs.clear();
    pooled_bytes = 0;
    pool_gone = true;
  }
};

std::vector<PathNodeGraph *> &freeGraphs() {
  static GraphPool pool;
  return pool.graphs;
}

void dropOldestFree() {
  std::vector<PathNodeGraph *> &graphs = freeGraphs();
  pooled_bytes -= graphs.front()->bytes();
  delete graphs.front();
  graphs.erase(graphs.begin());
}

}  // namespace

namespace path_graph {

// A graph of count cells, reused when one is free. The words are not written
// here: they come zeroed from the allocator, and their pages are
// touched only as the search reaches them.
Acquired acquireGraph(std::size_t count, PathNodeGraph *&p_graph) {
  p_graph = nullptr;
  if (!pool_gone) {
    std::vector<PathNodeGraph *> &graphs = freeGraphs();
    for (std::size_t i = 0; i < graphs.size(); i++) {
      if (graphs[i]->count == count) {
        p_graph = graphs[i];
        graphs.erase(graphs.begin() + static_cast<long>(i));
        pooled_bytes -= p_graph->bytes();
        live_bytes += p_graph->fixedBytes();
        return Acquired::GRAPH;
      }
    }
  }
  long long need = static_cast<long long>(count) * BYTES_PER_CELL;
  while (!pool_gone && !freeGraphs().empty() && live_bytes + pooled_bytes + need > MAX_PATH_MEMORY)
    dropOldestFree();
  if (live_bytes + need > MAX_PATH_MEMORY) return Acquired::NO_ROOM;
  p_graph = new (std::nothrow) PathNodeGraph;
  if (!p_graph) return Acquired::NO_MEMORY;
  p_graph->cells = static_cast<CellRecord *>(std::calloc(count, sizeof(CellRecord)));
  if (!p_graph->cells) {
    delete p_graph;
    p_graph = nullptr;
    return Acquired::NO_MEMORY;
  }
  try {
    p_graph->heap.reserve(std::min(count, FIRST_HEAP_ROOM));
  } catch (const std::bad_alloc &) {
    delete p_graph;
    p_graph = nullptr;
    return Acquired::NO_MEMORY;
  }
  p_graph->count = count;
  live_bytes += need;
  return Acquired::GRAPH;
}

// Keeps a finished search's graph for the next search of the same size, within
// the pool's bounds; the oldest kept graphs make room for it.
void releaseGraph(PathNodeGraph *p_graph) {
  if (!p_graph) return;
  live_bytes -= p_graph->fixedBytes();
  long long bytes = p_graph->bytes();
  if (pool_gone || bytes > MAX_POOLED_PATH_MEMORY || live_bytes + bytes > MAX_PATH_MEMORY) {
    delete p_graph;
    return;
  }
  p_graph->heap.clear();
  std::vector<PathNodeGraph *> &graphs = freeGraphs();
  while (!graphs.empty() && (static_cast<int>(graphs.size()) >= MAX_FREE_GRAPHS ||
                             pooled_bytes + bytes > MAX_POOLED_PATH_MEMORY ||
                             live_bytes + pooled_bytes + bytes > MAX_PATH_MEMORY))
    dropOldestFree();
  graphs.push_back(p_graph);
  pooled_bytes += bytes;
}

}  // namespace path_graph

void PathFind::releaseGraphs() {
  if (pool_gone) return;
  for (PathNodeGraph *p_graph : freeGraphs()) delete p_graph;
  freeGraphs().clear();
  freeGraphs().shrink_to_fit();
  pooled_bytes = 0;
}

long long PathFind::graphBytes(long long cells) { return cells * BYTES_PER_CELL; }

long long PathFind::graphMemory(bool pooled) { return pooled ? pooled_bytes : live_bytes; }

}  // namespace sb
