#include "ObjectList.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ObjectSet.h"

namespace sb {

ObjectList::ObjectList() : count(0), capacity(1), first(0) {
  items = static_cast<Object **>(std::malloc(sizeof(Object *)));
  if (!items) capacity = 0;
}

ObjectList::ObjectList(const ObjectList &other) : count(0), capacity(0), items(nullptr), first(0) {
  *this = other;
}

ObjectList &ObjectList::operator=(const ObjectList &other) {
  if (this == &other) return *this;
  std::free(items);
  items = nullptr;
  count = 0;
  capacity = 0;
  first = 0;
  if (other.capacity > 0) {
    items = static_cast<Object **>(std::malloc(sizeof(Object *) * other.capacity));
    if (!items) return *this;
    std::memcpy(items, other.items + other.first, sizeof(Object *) * other.count);
    count = other.count;
    capacity = other.capacity;
  }
  return *this;
}

ObjectList::~ObjectList() { std::free(items); }

// Makes room for one more entry at the end: moves the entries back to the
// start of the array if removals left space there, else doubles the array
// (or gives it its first slot). -1 leaves the list unchanged.
int ObjectList::makeRoom() {
  if (first > 0) {
    std::memmove(items, items + first, sizeof(Object *) * count);
    first = 0;
    return 0;
  }
  int new_capacity = count > 0 ? count * 2 : 1;
  if (new_capacity <= capacity) new_capacity = capacity + 1;
  Object **grown = static_cast<Object **>(std::realloc(items, sizeof(Object *) * new_capacity));
  if (!grown) return -1;
  items = grown;
  capacity = new_capacity;
  return 0;
}

// Removes the first occurrence, keeping the order of the others. The shorter
// side of the hole moves, so deleting objects in list order costs no shifting.
int ObjectList::remove(Object *p_o) {
  Object **live = items + first;
  for (int i = 0; i < count; i++) {
    if (live[i] != p_o) continue;
    if (i < count / 2) {
      std::memmove(live + 1, live, sizeof(Object *) * i);
      first++;
    } else {
      std::memmove(live + i, live + i + 1, sizeof(Object *) * (count - i - 1));
    }
    count--;
    if (count == 0) first = 0;
    return 0;
  }
  return -1;
}

void ObjectList::dropHoles() {
  Object **live = items + first;
  int kept = 0;
  for (int i = 0; i < count; i++)
    if (live[i]) live[kept++] = live[i];
  count = kept;
  if (count == 0) first = 0;
}

int ObjectList::removeAll(const ObjectSet &set) {
  Object **live = items + first;
  int kept = 0;
  while (kept < count && !set.contains(live[kept])) kept++;  // nothing moves before the first
  for (int i = kept; i < count; i++)
    if (!set.contains(live[i])) live[kept++] = live[i];
  int removed = count - kept;
  count = kept;
  if (count == 0) first = 0;
  return removed;
}

int ObjectList::removeEach(const Object *const *objects, int object_count) {
  std::vector<int> at;  // where each object stands, found in the order given
  at.reserve(object_count > 0 ? static_cast<std::size_t>(object_count) : 0);
  Object **live = items + first;
  int from = 0;
  while (static_cast<int>(at.size()) < object_count) {
    Object **found = std::find(live + from, live + count, objects[at.size()]);
    if (found == live + count) break;
    from = static_cast<int>(found - live);
    at.push_back(from++);
  }
  int removed = static_cast<int>(at.size());
  if (removed > 0) closeGaps(at.data(), removed);
  if (removed < object_count) {
    ObjectSet rest;
    rest.assign(objects + removed, object_count - removed);
    removed += removeAll(rest);
  }
  return removed;
}

// Closes the gaps at the ascending live indices at: the entries after the
// first gap move towards the front, or those before the last gap towards
// the back, whichever are fewer.
void ObjectList::closeGaps(const int *at, int gap_count) {
  Object **live = items + first;
  const int after_first = count - at[0] - gap_count;
  const int before_last = at[gap_count - 1] + 1 - gap_count;
  if (after_first <= before_last) {
    int to = at[0];
    for (int g = 0; g < gap_count; g++) {
      int begin = at[g] + 1, end = g + 1 < gap_count ? at[g + 1] : count;
      std::memmove(live + to, live + begin, sizeof(Object *) * (end - begin));
      to += end - begin;
    }
  } else {
    int to = at[gap_count - 1] + 1;
    for (int g = gap_count - 1; g >= 0; g--) {
      int begin = g > 0 ? at[g - 1] + 1 : 0, end = at[g];
      to -= end - begin;
      std::memmove(live + to, live + begin, sizeof(Object *) * (end - begin));
    }
    first += gap_count;
  }
  count -= gap_count;
  if (count == 0) first = 0;
}

void ObjectList::assign(const ObjectList &other) {
  if (this == &other) return;
  if (capacity < other.count || !items) {
    *this = other;
    return;
  }
  std::memcpy(items, other.items + other.first, sizeof(Object *) * other.count);
  first = 0;
  count = other.count;
}

ObjectList ObjectList::operator+(ObjectList other) const {
  ObjectList sum(*this);
  sum += other;
  return sum;
}

ObjectList &ObjectList::operator+=(const ObjectList &other) {
  int other_count = other.count;  // bounded, so appending a list to itself ends
  for (int i = 0; i < other_count; i++) insert(other[i]);
  return *this;
}

bool ObjectList::operator==(const ObjectList &other) const {
  if (count != other.count) return false;
  for (int i = 0; i < count; i++)
    if ((*this)[i] != other[i]) return false;
  return true;
}

}  // namespace sb
