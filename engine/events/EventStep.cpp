#include "EventStep.h"

namespace sb {

EventStep::EventStep() : step_count(0) { setType(STEP_EVENT); }

EventStep::EventStep(int init_step_count) : step_count(init_step_count) { setType(STEP_EVENT); }

int EventStep::getStepCount() const { return step_count; }

void EventStep::setStepCount(int new_step_count) { step_count = new_step_count; }

}  // namespace sb
