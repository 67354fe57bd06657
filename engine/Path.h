#ifndef SORBELANE_PATH_H
#define SORBELANE_PATH_H

#include <utility>
#include <vector>

#include "Color.h"
#include "Vector.h"

namespace sb {

// A sequence of cell positions from the first step to the goal, with the
// index of the node to go to next.
class Path {
 private:
  std::vector<Vector> nodes;
  int index;

 public:
  Path() : index(0) {}

  // The node at the index, or (0,0) when the index is past the end.
  Vector nextNode() const;
  // The node before the index, or (0,0) at the start.
  Vector previousNode() const;
  // 0 and the new index when it names a node; -1 and the index unchanged otherwise.
  int setIndex(int new_index);
  int getIndex() const { return index; }
  // Moves on by one node, never past the end.
  Path operator++(int);
  bool endOfPath() const { return index >= static_cast<int>(nodes.size()); }
  // The last node; (0,0) for an empty path.
  Vector getEnd() const;
  std::vector<Vector> getPath() const { return nodes; }
  // Replaces the nodes; the index stays.
  void setPath(std::vector<Vector> new_nodes) { nodes = std::move(new_nodes); }
  // A '.' at every node still ahead; the sum of what the drawing calls return.
  int draw(Color color) const;

  void addNode(Vector node) { nodes.push_back(node); }
  int getCount() const { return static_cast<int>(nodes.size()); }
  // The node at i, or (0,0) outside the path.
  Vector getNode(int i) const {
    return i >= 0 && i < static_cast<int>(nodes.size()) ? nodes[i] : Vector();
  }
  void clear() {
    nodes.clear();
    index = 0;
  }
};

}  // namespace sb

#endif
