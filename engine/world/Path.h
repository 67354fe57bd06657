#ifndef SORBELANE_PATH_H
#define SORBELANE_PATH_H

#include <utility>
#include <vector>

#include "Color.h"
#include "Vector.h"

namespace sb {

/// A sequence of cell positions from the first step to the goal, with the
/// index of the node to go to next. A path search gives one to its object in a
/// path event; Object follows it when told to (Object::setFollowPath()).
class Path {
 private:
  std::vector<Vector> nodes;
  int index;

 public:
  /// Makes an empty path at index 0.
  Path() : index(0) {}

  /// The node at the index, or (0,0) when the index is past the end.
  Vector nextNode() const;
  /// The node before the index, or (0,0) at the start.
  Vector previousNode() const;
  /// 0 and the new index when it names a node; -1 and the index unchanged otherwise.
  int setIndex(int new_index);
  /// Returns the index of the node to go to next.
  int getIndex() const { return index; }
  /// Moves on by one node, never past the end; returns the path as it was before.
  Path operator++(int);
  /// True when every node has been passed (always for an empty path).
  bool endOfPath() const { return index >= static_cast<int>(nodes.size()); }
  /// The last node; (0,0) for an empty path.
  Vector getEnd() const;
  /// Returns a copy of the nodes, first to last.
  std::vector<Vector> getPath() const { return nodes; }
  /// Replaces the nodes; the index stays.
  void setPath(std::vector<Vector> new_nodes) { nodes = std::move(new_nodes); }
  /// A '.' at every node still ahead; the sum of what the drawing calls return
  /// (0 when all were drawn, negative when the display refused some).
  int draw(Color color) const;

  /// Appends a node at the end.
  void addNode(Vector node) { nodes.push_back(node); }
  /// Returns the number of nodes.
  int getCount() const { return static_cast<int>(nodes.size()); }
  /// The node at i, or (0,0) outside the path.
  Vector getNode(int i) const {
    return i >= 0 && i < static_cast<int>(nodes.size()) ? nodes[i] : Vector();
  }
  /// Removes every node and goes back to index 0.
  void clear() {
    nodes.clear();
    index = 0;
  }
};

}  // namespace sb

#endif
