#ifndef SORBELANE_VIEW_OBJECT_ATTRIBUTE_H
#define SORBELANE_VIEW_OBJECT_ATTRIBUTE_H

namespace sb {

// What a view object adds to an Object's attributes, each with a modified flag.
enum ViewObjectAttribute : int {
  VIEW_STRING = 0,
  VALUE,
  BORDER,
  COLOR,
  LOCATION,
  DRAW_VALUE,
};

const int VIEW_ATTR_COUNT = 6;

}  // namespace sb

#endif
