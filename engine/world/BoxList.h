#ifndef SORBELANE_BOX_LIST_H
#define SORBELANE_BOX_LIST_H

#include <vector>

#include "Box.h"
#include "BoxRecords.h"
#include "ObjectList.h"

namespace sb {

class Object;

/// An ordered list of objects with each member's world box packed beside it
/// (left, top, right and bottom edges in four float arrays), so that a
/// collision query tests boxes without reading the objects. The scene graph
/// keeps one for every list a collision query walks; each member's slots are
/// in the scene graph's BoxRecords, so a new box is stored in constant time.
class BoxList {
 private:
  Object **items;
  float *left;
  float *top;
  float *right;
  float *bottom;
  int first;  // entries first .. first + count - 1 are in use
  int count;
  int capacity;
  // A member's ticket minus origin is its array index; moving every entry to
  // the front of the arrays only moves origin, so no member is touched.
  unsigned int origin;

  int makeRoom();
  void store(int at, const Box &world_box);
  void moveEntries(int to, int from, int length);
  void retag(int at, int shift);

 public:
  /// An empty list.
  BoxList();
  /// Empties the list (its members forget their slots) and frees the arrays.
  ~BoxList();
  BoxList(const BoxList &) = delete;
  BoxList &operator=(const BoxList &) = delete;

  /// Appends p_o with its current world box; 0, or -1 for null or when the
  /// arrays cannot grow.
  int insert(Object *p_o);
  /// Appends p_o with world_box (for a box it is about to take); 0, or -1
  /// for null or when the arrays cannot grow.
  int insert(Object *p_o, const Box &world_box);
  /// Removes the first occurrence of p_o, keeping the order of the others;
  /// 0, or -1 when p_o is not in the list.
  int remove(Object *p_o);
  /// Stores world_box as p_o's box wherever p_o is in the list; 0, or -1
  /// when it is not in the list.
  int updateBox(const Object *p_o, const Box &world_box);
  /// Empties the list, keeping its arrays.
  void clear();

  /// The number of entries.
  int getCount() const { return count; }
  /// Unchecked access to entry i (0 <= i < getCount()).
  Object *operator[](int i) const { return items[first + i]; }
  /// The top-left corner of entry i's stored box (0 <= i < getCount()).
  Vector topLeftAt(int i) const { return Vector(left[first + i], top[first + i]); }
  /// The bottom-right corner of entry i's stored box, as corner plus extents.
  Vector bottomRightAt(int i) const { return Vector(right[first + i], bottom[first + i]); }
  /// A copy of the entries as an ObjectList, in order.
  ObjectList toList() const;

  /// Calls found(i) for every entry i, in list order, whose box meets moved
  /// (edges included, exactly as boxIntersectsBox(entry's box, moved)).
  template <class Found>
  void forEachMeeting(const Box &moved, Found found) const;
};

namespace detail {

/// Boxes tested in one pass of a scan.
constexpr int SCAN_BLOCK = 64;

/// Sets meets[i] to 1 when box i of the n boxes (edge arrays l, t, r, b)
/// meets the box from (ml, mt) to (mr, mb), else to 0, without branches;
/// returns whether any does.
int markMeeting(const float *l, const float *t, const float *r, const float *b, int n, float ml,
                float mt, float mr, float mb, int *meets);

/// Starts loading the first two cache lines of an object met by a query:
/// the collision events that follow read and write its fields there.
inline void prefetchObject(const Object *p_o) {
  __builtin_prefetch(p_o);
  __builtin_prefetch(reinterpret_cast<const char *>(p_o) + 64);
}

}  // namespace detail

template <class Found>
void BoxList::forEachMeeting(const Box &moved, Found found) const {
  const float ml = moved.getCorner().getX(), mr = ml + moved.getHorizontal();
  const float mt = moved.getCorner().getY(), mb = mt + moved.getVertical();
  int meets[detail::SCAN_BLOCK];
  int hits[detail::SCAN_BLOCK];
  for (int start = 0; start < count; start += detail::SCAN_BLOCK) {
    int n = count - start < detail::SCAN_BLOCK ? count - start : detail::SCAN_BLOCK;
    int at = first + start;
    if (!detail::markMeeting(left + at, top + at, right + at, bottom + at, n, ml, mt, mr, mb,
                             meets))
      continue;
    // The indices of the boxes met, gathered without branches.
    int hit_count = 0;
    for (int i = 0; i < n; i++) {
      hits[hit_count] = i;
      hit_count += meets[i];
    }
    for (int k = 0; k < hit_count; k++) found(start + hits[k]);
  }
}

}  // namespace sb

#endif
