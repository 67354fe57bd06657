#ifndef SORBELANE_OBJECT_LIST_H
#define SORBELANE_OBJECT_LIST_H

namespace sb {

class Object;

// Ordered, non-owning list of object pointers in a growable array.
class ObjectList {
 private:
  int count;
  int capacity;
  Object **items;

  int grow();

 public:
  ObjectList();
  ObjectList(const ObjectList &other);
  ObjectList &operator=(const ObjectList &other);
  ~ObjectList();

  // Append p_o; -1 for null or when the array cannot grow.
  int insert(Object *p_o) {
    if (!p_o) return -1;
    if (count == capacity && grow() != 0) return -1;
    items[count++] = p_o;
    return 0;
  }

  // Remove the first occurrence of p_o, keeping the order of the others.
  int remove(Object *p_o);

  // Remove, in one pass, every object for which pred holds, keeping order.
  // Returns the number removed.
  template <class Pred>
  int removeWhere(Pred pred) {
    int kept = 0;
    for (int i = 0; i < count; i++)
      if (!pred(items[i])) items[kept++] = items[i];
    int removed = count - kept;
    count = kept;
    return removed;
  }

  void clear() { count = 0; }
  int getCount() const { return count; }
  bool isEmpty() const { return count == 0; }
  bool isFull() const { return count == capacity; }

  // Unchecked access to entry i (0 <= i < getCount()).
  Object *operator[](int i) const { return items[i]; }

  ObjectList operator+(ObjectList other) const;
  ObjectList &operator+=(const ObjectList &other);
  bool operator==(const ObjectList &other) const;
  bool operator!=(const ObjectList &other) const { return !(*this == other); }

  friend class ObjectListIterator;
};

}  // namespace sb

#endif
