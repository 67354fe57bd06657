#include "BoxList.h"

#include <cstdlib>
#include <cstring>

#include "Object.h"
#include "SceneGraph.h"

namespace sb {

namespace detail {

// The same comparisons as boxIntersectsBox(box i, moved), joined with & and |
// instead of && and || so that the compiler can test several boxes at once.
int markMeeting(const float *l, const float *t, const float *r, const float *b, int n, float ml,
                float mt, float mr, float mb, int *meets) {
  int any = 0;
  for (int i = 0; i < n; i++) {
    int x = ((ml <= l[i]) & (l[i] <= mr)) | ((l[i] <= ml) & (ml <= r[i]));
    int y = ((mt <= t[i]) & (t[i] <= mb)) | ((t[i] <= mt) & (mt <= b[i]));
    meets[i] = x & y;
    any |= x & y;
  }
  return any;
}

}  // namespace detail

namespace {

// Grows one array to capacity entries; false leaves it as it was.
template <class T>
bool grow(T *&array, int capacity) {
  T *grown = static_cast<T *>(std::realloc(array, sizeof(T) * static_cast<size_t>(capacity)));
  if (!grown) return false;
  array = grown;
  return true;
}

// The table of every object's places, owned by the scene graph.
BoxRecords &records() { return SceneGraph::boxRecords(); }

}  // namespace

BoxList::BoxList()
    : items(nullptr),
      left(nullptr),
      top(nullptr),
      right(nullptr),
      bottom(nullptr),
      first(0),
      count(0),
      capacity(0),
      origin(0) {}

BoxList::~BoxList() {
  clear();
  std::free(items);
  std::free(left);
  std::free(top);
  std::free(right);
  std::free(bottom);
}

// Room for one more entry at the end: the entries move to the front when
// removals left space there, else the arrays double. -1 leaves the list unchanged.
int BoxList::makeRoom() {
  if (first > 0) {
    moveEntries(0, first, count);
    origin += static_cast<unsigned int>(first);
    first = 0;
    return 0;
  }
  int new_capacity = capacity > 0 ? capacity * 2 : 1;
  if (!grow(items, new_capacity) || !grow(left, new_capacity) || !grow(top, new_capacity) ||
      !grow(right, new_capacity) || !grow(bottom, new_capacity))
    return -1;
  capacity = new_capacity;
  return 0;
}

void BoxList::store(int at, const Box &world_box) {
  // The edges as boxIntersectsBox computes them.
  float x = world_box.getCorner().getX(), y = world_box.getCorner().getY();
  left[at] = x;
  top[at] = y;
  right[at] = x + world_box.getHorizontal();
  bottom[at] = y + world_box.getVertical();
}

void BoxList::moveEntries(int to, int from, int length) {
  size_t floats = sizeof(float) * static_cast<size_t>(length);
  std::memmove(items + to, items + from, sizeof(Object *) * static_cast<size_t>(length));
  std::memmove(left + to, left + from, floats);
  std::memmove(top + to, top + from, floats);
  std::memmove(right + to, right + from, floats);
  std::memmove(bottom + to, bottom + from, floats);
}

// The member now at array index at came from at - shift: its ticket follows.
void BoxList::retag(int at, int shift) {
  unsigned int old_ticket = static_cast<unsigned int>(at - shift) + origin;
  for (BoxListSlot &slot : *records().foundSlots(items[at]))
    if (slot.list == this && slot.ticket == old_ticket) {
      slot.ticket = static_cast<unsigned int>(at) + origin;
      return;
    }
}

int BoxList::insert(Object *p_o) {
  if (!p_o) return -1;
  return insert(p_o, p_o->worldBox());
}

int BoxList::insert(Object *p_o, const Box &world_box) {
  if (!p_o) return -1;
  if (first + count == capacity && makeRoom() != 0) return -1;
  int at = first + count;
  records().slotsOf(p_o).push_back(BoxListSlot{this, static_cast<unsigned int>(at) + origin});
  items[at] = p_o;
  store(at, world_box);
  count++;
  return 0;
}

// The shorter side of the hole moves, so removing members in list order
// moves nothing; the members that move learn their new slots.
int BoxList::remove(Object *p_o) {
  std::vector<BoxListSlot> *p_slots = p_o ? records().foundSlots(p_o) : nullptr;
  if (!p_slots) return -1;
  std::vector<BoxListSlot> &slots = *p_slots;
  int found = -1, at = 0;
  for (int s = 0; s < static_cast<int>(slots.size()); s++) {
    if (slots[s].list != this) continue;
    int index = static_cast<int>(slots[s].ticket - origin);
    if (found < 0 || index < at) found = s, at = index;
  }
  if (found < 0) return -1;
  slots[found] = slots.back();
  slots.pop_back();
  records().dropIfEmpty(p_o);
  int i = at - first;
  if (i < count / 2) {
    moveEntries(first + 1, first, i);
    first++;
    for (int k = first; k <= at; k++) retag(k, 1);
  } else {
    moveEntries(at, at + 1, count - i - 1);
    for (int k = at; k < first + count - 1; k++) retag(k, -1);
  }
  count--;
  if (count == 0) first = 0;
  return 0;
}

int BoxList::updateBox(const Object *p_o, const Box &world_box) {
  const std::vector<BoxListSlot> *slots = p_o ? records().foundSlots(p_o) : nullptr;
  if (!slots) return -1;
  int result = -1;
  for (const BoxListSlot &slot : *slots)
    if (slot.list == this) {
      store(static_cast<int>(slot.ticket - origin), world_box);
      result = 0;
    }
  return result;
}

void BoxList::clear() {
  for (int i = first; i < first + count; i++) {
    std::vector<BoxListSlot> &slots = *records().foundSlots(items[i]);
    unsigned int ticket = static_cast<unsigned int>(i) + origin;
    for (BoxListSlot &slot : slots)
      if (slot.list == this && slot.ticket == ticket) {
        slot = slots.back();
        slots.pop_back();
        break;
      }
    records().dropIfEmpty(items[i]);
  }
  first = 0;
  count = 0;
}

ObjectList BoxList::toList() const {
  ObjectList list;
  for (int i = 0; i < count; i++) list.insert((*this)[i]);
  return list;
}

}  // namespace sb
