#ifndef SORBELANE_PATH_H
#define SORBELANE_PATH_H

#include <vector>

#include "Vector.h"

namespace sb {

// A sequence of world positions and the index of the next one to reach.
class Path {
 private:
  std::vector<Vector> nodes;
  int index;

 public:
  Path() : index(0) {}

  void addNode(Vector node) { nodes.push_back(node); }
  int getCount() const { return static_cast<int>(nodes.size()); }
  Vector getNode(int i) const { return nodes[i]; }
  int getIndex() const { return index; }
  void setIndex(int new_index) { index = new_index; }
  void clear() {
    nodes.clear();
    index = 0;
  }
};

}  // namespace sb

#endif
