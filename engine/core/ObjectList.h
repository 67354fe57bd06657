#ifndef SORBELANE_OBJECT_LIST_H
#define SORBELANE_OBJECT_LIST_H

namespace sb {

class Object;
class ObjectSet;

/// Ordered, non-owning list of object pointers in a growable array.
/// The world manager hands these out (getAllObjects(), collision lists);
/// walk one with an ObjectListIterator or by index.
class ObjectList {
 private:
  int count;
  int capacity;
  Object **items;  // the array; entries first .. first + count - 1 are in use
  int first;       // removals near the front shift the front part instead of the rest

  int makeRoom();
  void closeGaps(const int *at, int gap_count);

 public:
  /// Makes an empty list.
  ObjectList();
  /// Copies the pointers of other (not the objects).
  ObjectList(const ObjectList &other);
  /// Replaces the pointers with those of other; the list is left empty if memory runs out.
  ObjectList &operator=(const ObjectList &other);
  /// Frees the array; the objects are not touched.
  ~ObjectList();

  /// Appends p_o; 0, or -1 for null or when the array cannot grow.
  int insert(Object *p_o) {
    if (!p_o) return -1;
    if (first + count == capacity && makeRoom() != 0) return -1;
    items[first + count++] = p_o;
    return 0;
  }

  /// Removes the first occurrence of p_o, keeping the order of the others.
  /// Returns 0, or -1 when p_o is not in the list.
  int remove(Object *p_o);

  /// Empties the list, keeping its array; the objects are not touched.
  void clear() {
    count = 0;
    first = 0;
  }
  /// Returns the number of entries.
  int getCount() const { return count; }
  /// True when the list has no entries.
  bool isEmpty() const { return count == 0; }
  /// True when the array is full; the next insert() grows it, so this is rarely of use.
  bool isFull() const { return count == capacity; }

  /// Unchecked access to entry i (0 <= i < getCount()).
  Object *operator[](int i) const { return items[first + i]; }

  /// Leaves a hole (null) at entry i (0 <= i < getCount()), keeping every
  /// index. For walks over a list that must not shift while it is walked;
  /// dropHoles() closes the holes afterwards.
  void makeHole(int i) { items[first + i] = nullptr; }
  /// Removes the holes left by makeHole(), keeping the order of the others.
  void dropHoles();
  /// Removes every entry whose object is in set, keeping the order of the
  /// others, in one pass; returns the number removed.
  int removeAll(const ObjectSet &set);
  /// Removes the entry of each of the given objects from a list that holds
  /// each object at most once, keeping the order of the others; returns the
  /// number removed. Fastest when they come in the list's order: each is
  /// then found after the one before, and the entries between them move
  /// once, the shorter side towards the gaps. Those out of that order are
  /// taken out by one more pass with an ObjectSet.
  int removeEach(const Object *const *objects, int object_count);
  /// Makes this list a copy of other, reusing its own array when it is large
  /// enough (so a list refilled every step allocates nothing). The list is
  /// left empty if memory runs out.
  void assign(const ObjectList &other);

  /// Returns a new list: this one's entries followed by other's.
  ObjectList operator+(ObjectList other) const;
  /// Appends other's entries (a list may be appended to itself) and returns this list.
  ObjectList &operator+=(const ObjectList &other);
  /// True when both lists hold the same pointers in the same order.
  bool operator==(const ObjectList &other) const;
  /// Negation of operator==.
  bool operator!=(const ObjectList &other) const { return !(*this == other); }

  friend class ObjectListIterator;
};

}  // namespace sb

#endif
