#include "Event.h"

namespace sb {

namespace {

EventKind kindOf(const std::string &type) {
  if (type == STEP_EVENT) return EVENT_STEP;
  if (type == OUT_EVENT) return EVENT_OUT;
  if (type == COLLISION_EVENT) return EVENT_COLLISION;
  if (type == UNDEFINED_EVENT) return EVENT_UNDEFINED;
  return EVENT_OTHER;
}

}  // namespace

Event::Event() : event_type(UNDEFINED_EVENT), kind(EVENT_UNDEFINED) {}

Event::~Event() {}

std::string Event::getType() const { return event_type; }

void Event::setType(std::string new_type) {
  event_type = std::move(new_type);
  kind = kindOf(event_type);
}

}  // namespace sb
