#include "ViewObject.h"

namespace sb {

ViewObject::ViewObject() { setType("ViewObject"); }

}  // namespace sb
