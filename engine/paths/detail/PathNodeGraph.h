#ifndef SORBELANE_PATH_NODE_GRAPH_H
#define SORBELANE_PATH_NODE_GRAPH_H

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "Box.h"
#include "Object.h"

namespace sb {

namespace path_graph {

// Per cell a search keeps one record of four words, side by side so that a
// neighbour test reads one place: a mark, the stamp of the search that last
// touched the cell and the cell's state in it; a probe, the stamp of the
// world's last answer whether a HARD object is there for the mover, and that
// answer; g, the cost from the start; and a link, the order in which the cell
// was opened and the direction it was reached from. A cell counts for a
// search only when the stamps are the search's, so a graph is reused without
// clearing it.
struct CellRecord {
  std::uint32_t mark;   // stamp << 2 | state
  std::uint32_t probe;  // stamp << 1 | whether a HARD object is there
  float g;
  std::uint32_t link;  // order << 3 | direction from the parent
};

constexpr std::uint32_t OPEN = 1, CLOSED = 2, STATE_BITS = 2;
constexpr std::uint32_t MAX_STAMP = (1u << 30) - 1;
constexpr std::uint32_t DIRECTION_BITS = 3;
constexpr long long BYTES_PER_CELL = sizeof(CellRecord);

// The eight neighbours, in the order they are visited.
const int DX[8] = {-1, 0, 1, -1, 1, -1, 0, 1};
const int DY[8] = {-1, -1, -1, 0, 0, 1, 1, 1};

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

}  // namespace path_graph

// The cells and the open heap of one search; kept after the search for the next one.
// Its probe words stay true while the world, the mover, the mover's box and
// the grid's shape stay the same: a later search in an unchanged world asks
// the world nothing again.
struct PathNodeGraph {
  using CellRecord = path_graph::CellRecord;
  using HeapEntry = path_graph::HeapEntry;
  CellRecord *cells = nullptr;
  std::size_t count = 0;
  std::uint32_t search_counter = 0;
  std::uint32_t probe_counter = 0;
  std::uint32_t probe_stamp = 0;
  // What the probe words belong to.
  unsigned int probe_version = 0;
  const Object *probe_mover = nullptr;
  Box probe_box;
  int probe_columns = 0;
  std::vector<HeapEntry> heap;

  ~PathNodeGraph() { std::free(cells); }

  long long fixedBytes() const {
    return static_cast<long long>(count) * path_graph::BYTES_PER_CELL;
  }
  long long bytes() const {
    return fixedBytes() + static_cast<long long>(heap.capacity() * sizeof(HeapEntry));
  }

  // The stamp of probe words valid for this world, mover and row width.
  std::uint32_t probeStampFor(unsigned int version, const Object *p_mover, int columns) {
    if (probe_stamp != 0 && version == probe_version && p_mover == probe_mover &&
        columns == probe_columns && p_mover->getBox() == probe_box)
      return probe_stamp;
    if (++probe_counter > path_graph::MAX_STAMP) {
      for (std::size_t i = 0; i < count; i++) cells[i].probe = 0;
      probe_counter = 1;
    }
    probe_stamp = probe_counter;
    probe_version = version;
    probe_mover = p_mover;
    probe_box = p_mover->getBox();
    probe_columns = columns;
    return probe_stamp;
  }

  std::uint32_t nextSearchStamp() {
    if (++search_counter > path_graph::MAX_STAMP) {
      for (std::size_t i = 0; i < count; i++) cells[i].mark = 0;
      search_counter = 1;
    }
    return search_counter;
  }

  // The open heap is 4-ary: half the levels of a binary heap, and the least
  // of four children is picked without jumps. Keys are unique (a cell's
  // entries differ in estimate, different cells in order), so the order of
  // expansion is the keys' order whatever the heap's shape.
  void push(HeapEntry entry) {
    heap.push_back(entry);
    std::size_t i = heap.size() - 1;
    while (i > 0) {
      std::size_t up = (i - 1) / 4;
      if (!path_graph::before(entry, heap[up])) break;
      heap[i] = heap[up];
      i = up;
    }
    heap[i] = entry;
  }

  HeapEntry pop() {
    HeapEntry top = heap[0];
    HeapEntry last = heap.back();
    heap.pop_back();
    const std::size_t n = heap.size();
    if (n == 0) return top;
    HeapEntry *entries = heap.data();
    std::size_t i = 0;
    for (;;) {
      std::size_t first = 4 * i + 1;
      if (first >= n) break;
      std::size_t least = first;
      std::uint64_t least_key = entries[first].key;
      std::size_t end = std::min(first + 4, n);
      for (std::size_t child = first + 1; child < end; child++) {
        std::uint64_t key = entries[child].key;
        bool smaller = key < least_key;
        least_key = smaller ? key : least_key;
        least = smaller ? child : least;
      }
      if (least_key >= last.key) break;
      entries[i] = entries[least];
      i = least;
    }
    entries[i] = last;
    return top;
  }
};

namespace path_graph {

/// What asking the pool for a graph gave.
enum class Acquired { GRAPH, NO_ROOM, NO_MEMORY };

/// A graph of count cells in p_graph, reused when one of that size is free.
Acquired acquireGraph(std::size_t count, PathNodeGraph *&p_graph);

/// Keeps a finished search's graph for the next search of the same size, or frees it.
void releaseGraph(PathNodeGraph *p_graph);

}  // namespace path_graph

}  // namespace sb

#endif
