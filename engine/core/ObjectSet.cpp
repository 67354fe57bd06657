#include "ObjectSet.h"

namespace sb {

void ObjectSet::assign(const Object *const *objects, int count) {
  std::size_t capacity = 16;
  while (capacity < 2 * static_cast<std::size_t>(count > 0 ? count : 0)) capacity *= 2;
  slots.assign(capacity, nullptr);
  mask = capacity - 1;
  for (int k = 0; k < count; k++) {
    const Object *p_o = objects[k];
    if (!p_o) continue;
    std::size_t i = home(p_o);
    while (slots[i] && slots[i] != p_o) i = (i + 1) & mask;
    slots[i] = p_o;
  }
}

}  // namespace sb
