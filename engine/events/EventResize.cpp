#include "EventResize.h"

namespace sb {

EventResize::EventResize(int new_columns, int new_rows) : columns(new_columns), rows(new_rows) {
  setType(RESIZE_EVENT);
}

}  // namespace sb
