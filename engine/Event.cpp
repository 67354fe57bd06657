#include "Event.h"

namespace sb {

Event::Event() : event_type(UNDEFINED_EVENT) {}

Event::~Event() {}

std::string Event::getType() const { return event_type; }

void Event::setType(std::string new_type) { event_type = std::move(new_type); }

}  // namespace sb
