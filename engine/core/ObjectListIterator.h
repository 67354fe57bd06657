#ifndef SORBELANE_OBJECT_LIST_ITERATOR_H
#define SORBELANE_OBJECT_LIST_ITERATOR_H

#include "ObjectList.h"

namespace sb {

/// Walks an ObjectList by index, reading its count afresh at every call.
/// Usual loop: `for (it.first(); !it.isDone(); it.next()) it.currentObject()->...`.
/// The list is not owned and must outlive the iterator.
class ObjectListIterator {
 private:
  int index;
  const ObjectList *list;

 public:
  /// Starts at the first entry of p_list (null: an iterator that is always done).
  explicit ObjectListIterator(const ObjectList *p_list);
  /// Copies the list and the position.
  ObjectListIterator(const ObjectListIterator &other);
  /// Takes other's list and starts again at its first entry (the position is not copied).
  ObjectListIterator &operator=(const ObjectListIterator &other);

  /// Walks p_list instead, from its first entry.
  void setList(const ObjectList *p_list);
  /// Goes to the first entry.
  void first();
  /// Goes to the last entry. On an empty list isDone() is then false and
  /// currentObject() null, until next().
  void last();
  /// Goes to the next entry; nothing once done.
  void next();
  /// True when past the last entry, or when there is no list.
  bool isDone() const;
  /// Returns the current entry, or null when done or there is no list.
  Object *currentObject() const;
};

}  // namespace sb

#endif
