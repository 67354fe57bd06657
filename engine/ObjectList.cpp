#include "ObjectList.h"

#include <cstdlib>
#include <cstring>

namespace sb {

ObjectList::ObjectList() : count(0), capacity(1) {
  items = static_cast<Object **>(std::malloc(sizeof(Object *)));
  if (!items) capacity = 0;
}

ObjectList::ObjectList(const ObjectList &other) : count(0), capacity(0), items(nullptr) {
  *this = other;
}

ObjectList &ObjectList::operator=(const ObjectList &other) {
  if (this == &other) return *this;
  std::free(items);
  items = nullptr;
  count = 0;
  capacity = 0;
  if (other.capacity > 0) {
    items = static_cast<Object **>(std::malloc(sizeof(Object *) * other.capacity));
    if (!items) return *this;
    std::memcpy(items, other.items, sizeof(Object *) * other.count);
    count = other.count;
    capacity = other.capacity;
  }
  return *this;
}

ObjectList::~ObjectList() { std::free(items); }

// Doubles the array (or gives it its first slot); -1 leaves the list unchanged.
int ObjectList::grow() {
  int new_capacity = count > 0 ? count * 2 : 1;
  if (new_capacity <= capacity) new_capacity = capacity + 1;
  Object **grown = static_cast<Object **>(std::realloc(items, sizeof(Object *) * new_capacity));
  if (!grown) return -1;
  items = grown;
  capacity = new_capacity;
  return 0;
}

int ObjectList::remove(Object *p_o) {
  for (int i = 0; i < count; i++) {
    if (items[i] == p_o) {
      std::memmove(items + i, items + i + 1, sizeof(Object *) * (count - i - 1));
      count--;
      return 0;
    }
  }
  return -1;
}

ObjectList ObjectList::operator+(ObjectList other) const {
  ObjectList sum(*this);
  sum += other;
  return sum;
}

ObjectList &ObjectList::operator+=(const ObjectList &other) {
  int other_count = other.count;  // bounded, so appending a list to itself ends
  for (int i = 0; i < other_count; i++) insert(other.items[i]);
  return *this;
}

bool ObjectList::operator==(const ObjectList &other) const {
  if (count != other.count) return false;
  for (int i = 0; i < count; i++)
    if (items[i] != other.items[i]) return false;
  return true;
}

}  // namespace sb
