#ifndef SORBELANE_OBJECT_LIST_H
#define SORBELANE_OBJECT_LIST_H

namespace sb {

class Object;

// Ordered, non-owning list of object pointers in a growable array.
class ObjectList {
 private:
  int count;
  int capacity;
  Object **items;  // the array; entries first .. first + count - 1 are in use
  int first;       // removals near the front shift the front part instead of the rest

  int makeRoom();

 public:
  ObjectList();
  ObjectList(const ObjectList &other);
  ObjectList &operator=(const ObjectList &other);
  ~ObjectList();

  // Append p_o; -1 for null or when the array cannot grow.
  int insert(Object *p_o) {
    if (!p_o) return -1;
    if (first + count == capacity && makeRoom() != 0) return -1;
    items[first + count++] = p_o;
    return 0;
  }

  // Remove the first occurrence of p_o, keeping the order of the others.
  int remove(Object *p_o);

  void clear() {
    count = 0;
    first = 0;
  }
  int getCount() const { return count; }
  bool isEmpty() const { return count == 0; }
  bool isFull() const { return count == capacity; }

  // Unchecked access to entry i (0 <= i < getCount()).
  Object *operator[](int i) const { return items[first + i]; }

  ObjectList operator+(ObjectList other) const;
  ObjectList &operator+=(const ObjectList &other);
  bool operator==(const ObjectList &other) const;
  bool operator!=(const ObjectList &other) const { return !(*this == other); }

  friend class ObjectListIterator;
};

}  // namespace sb

#endif
