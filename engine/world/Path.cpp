#include "Path.h"

#include "DisplayManager.h"
#include "utility.h"

namespace sb {

Vector Path::nextNode() const {
  if (index >= 0 && index < static_cast<int>(nodes.size())) return nodes[index];
  return Vector();
}

Vector Path::previousNode() const {
  if (index > 0 && index - 1 < static_cast<int>(nodes.size())) return nodes[index - 1];
  return Vector();
}

int Path::setIndex(int new_index) {
  if (new_index < 0 || new_index >= static_cast<int>(nodes.size())) return -1;
  index = new_index;
  return 0;
}

Path Path::operator++(int) {
  Path before = *this;
  if (index < static_cast<int>(nodes.size())) index++;
  return before;
}

Vector Path::getEnd() const { return nodes.empty() ? Vector() : nodes.back(); }

int Path::draw(Color color) const {
  int result = 0;
  DisplayManager &display_manager = DisplayManager::getInstance();
  for (int i = index < 0 ? 0 : index; i < static_cast<int>(nodes.size()); i++)
    result += display_manager.drawCh(nodes[i], '.', color);
  return result;
}

std::string toString(Path path) {
  std::string text;
  for (const Vector &node : path.getPath())
    text += toString(node.getX()) + " " + toString(node.getY()) + "|";
  return text;
}

}  // namespace sb
