#ifndef SORBELANE_EVENT_OUT_H
#define SORBELANE_EVENT_OUT_H

#include "Event.h"

namespace sb {

/// The receiving object has just left the world boundary: its box
/// overlapped the boundary before a move and no longer does. Sent without
/// registering.
class EventOut : public Event {
 public:
  /// An event of type OUT_EVENT.
  EventOut();
};

}  // namespace sb

#endif
