#ifndef SORBELANE_VIEW_OBJECT_H
#define SORBELANE_VIEW_OBJECT_H

#include "Object.h"

namespace sb {

// A heads-up display item placed in view coordinates.
class ViewObject : public Object {
 public:
  ViewObject();
};

}  // namespace sb

#endif
