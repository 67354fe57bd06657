#ifndef SORBELANE_OBJECT_LIST_ITERATOR_H
#define SORBELANE_OBJECT_LIST_ITERATOR_H

#include "ObjectList.h"

namespace sb {

// Walks an ObjectList by index, reading its count afresh at every call.
class ObjectListIterator {
 private:
  int index;
  const ObjectList *list;

 public:
  explicit ObjectListIterator(const ObjectList *p_list);
  ObjectListIterator(const ObjectListIterator &other);
  ObjectListIterator &operator=(const ObjectListIterator &other);

  void setList(const ObjectList *p_list);
  void first();
  void last();
  void next();
  bool isDone() const;
  Object *currentObject() const;
};

}  // namespace sb

#endif
