#include "ObjectListIterator.h"

namespace sb {

ObjectListIterator::ObjectListIterator(const ObjectList *p_list) : index(0), list(p_list) {}

ObjectListIterator::ObjectListIterator(const ObjectListIterator &other)
    : index(other.index), list(other.list) {}

ObjectListIterator &ObjectListIterator::operator=(const ObjectListIterator &other) {
  if (this == &other) return *this;
  list = other.list;
  index = 0;
  return *this;
}

void ObjectListIterator::setList(const ObjectList *p_list) {
  list = p_list;
  index = 0;
}

void ObjectListIterator::first() { index = 0; }

void ObjectListIterator::last() { index = list ? list->count - 1 : -1; }

void ObjectListIterator::next() {
  if (list && index < list->count) index++;
}

bool ObjectListIterator::isDone() const { return !list || index >= list->count; }

Object *ObjectListIterator::currentObject() const {
  if (!list || index < 0 || index >= list->count) return nullptr;
  return (*list)[index];
}

}  // namespace sb
