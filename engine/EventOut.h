#ifndef SORBELANE_EVENT_OUT_H
#define SORBELANE_EVENT_OUT_H

#include "Event.h"

namespace sb {

// The receiving object has just left the world boundary.
class EventOut : public Event {
 public:
  EventOut();
};

}  // namespace sb

#endif
